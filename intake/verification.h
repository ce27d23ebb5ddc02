// What opening a Data.zip found, checked against its manifest, and the text that tells it:
// Verification.txt (and the console) say what was opened and when it was packed, one line a
// product, every problem on a line of its own grouped by kind, what the customer's machine left
// out, and the totals.
//   Verification found;  found.Add(ProblemKind::Differs, "Zorvel\\logs\\CS.log: ...");
//   for (const std::string& line : found.Lines(false)) ...
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tavisto::intake {

// In the order Verification.txt lists them.
enum class ProblemKind { Differs, NotInSet, NotInManifest, Volume, Part, Unpack };

struct ProductTally {
  std::string name;
  uint64_t files = 0;
  uint64_t bytes = 0;
  uint64_t problems = 0;
  bool packed = true;  // false: the manifest names it with no volumes
};

struct Verification {
  std::vector<std::string> header;  // what was opened, the run's facts or why there are none
  std::vector<ProductTally> products;
  std::vector<std::pair<ProblemKind, std::string>> problems;
  std::vector<std::string> leftOut;  // "Zorvel: C:\...\held.db (held by another program)"
  bool manifestRead = false;         // a manifest was there and could be read
  uint64_t files = 0;
  uint64_t bytes = 0;
  uint64_t asPacked = 0;

  void Add(ProblemKind kind, std::string text) { problems.emplace_back(kind, std::move(text)); }
  // The lines of the report; forConsole lists at most a few problems of each kind.
  [[nodiscard]] std::vector<std::string> Lines(bool forConsole) const;
};

}  // namespace tavisto::intake
