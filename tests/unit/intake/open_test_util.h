// What the open tests share: a Data.zip put together from named entries, an open into a fresh
// folder with its lines and Verification.txt kept, and a folder read back as name -> content.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "intake/open_data_zip.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_maker.h"

namespace tavisto::intake::testing {

struct Opened {
  OpenOutcome outcome;
  std::vector<std::string> lines;  // the console's
  std::string verification;        // Verification.txt, without its byte-order mark
  std::string folder;
};

// Opens dataZip into dir/opened.
[[nodiscard]] Opened OpenInto(const test::TempDir& dir, const std::string& dataZip);

// A Data.zip of stored entries (name, bytes), written to dir/Data.zip; its path.
[[nodiscard]] std::string DataZipOf(const test::TempDir& dir, const std::vector<std::pair<std::string, std::string>>& entries);

// Every file under folder, by its path relative to it ("/" separators), with its content.
[[nodiscard]] std::map<std::string, std::string> TreeOf(const std::string& folder);

// The entries of an archive file read by the tests' own reader: name -> data.
[[nodiscard]] std::vector<std::pair<std::string, std::string>> EntriesOf(const std::string& archivePath);

}  // namespace tavisto::intake::testing
