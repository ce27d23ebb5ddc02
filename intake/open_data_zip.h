// Support's side of Data.zip: a received Data.zip opened into a folder in one step, every set
// unpacked under the product's name, every file checked against manifest.json (size, CRC-32,
// SHA-256) and every volume against its SHA-256, the findings written to Verification.txt (CR LF,
// UTF-8 with a byte-order mark) and told line by line. No window: the command line and the
// lone-file start call it alike.
//   const OpenOutcome outcome = OpenDataZip({dataZip, folder}, consoleLines, progress);
//   return outcome.exitCode;    // and outcome.summary for a message box
#pragma once

#include <cstdint>
#include <string>

#include "os/progress.h"
#include "report/line_sink.h"

namespace tavisto::intake {

inline constexpr int kExitAsPacked = 0;        // every file there and equal to the manifest
inline constexpr int kExitProblems = 1;        // opened, but something is wrong, or no manifest
inline constexpr int kExitUsage = 2;           // the command line is wrong
inline constexpr int kExitNothingOpened = 3;   // nothing opened (and nothing of this run left)

inline constexpr char kVerificationName[] = "Verification.txt";

struct OpenRequest {
  std::string dataZip;
  std::string folder;  // must not exist, or be empty
};

struct OpenOutcome {
  int exitCode = kExitNothingOpened;
  // One sentence or a few lines for a message box: "All 4,182 files are as packed." or the
  // first problems and where Verification.txt is; for exit code 3, the cause.
  std::string summary;
  std::string verificationPath;  // "" when none was written
  uint64_t files = 0;            // files unpacked
  uint64_t bytes = 0;
  uint64_t asPacked = 0;         // of them, equal to the manifest
  uint64_t problems = 0;
  uint64_t leftOut = 0;          // files the manifest says the customer's machine left out
};

// Opens request.dataZip into request.folder. Lines go to lines as the work goes (UTF-8); the
// stages and how far they have come to progress.
[[nodiscard]] OpenOutcome OpenDataZip(const OpenRequest& request, report::LineSink& lines, os::ProgressSink& progress);

}  // namespace tavisto::intake
