#include "tests/unit/intake/open_test_util.h"

#include <gtest/gtest.h>

#include "os/dir_listing.h"
#include "os/files.h"
#include "report/line_sink.h"
#include "tests/support/zip_inspect.h"

namespace tavisto::intake::testing {

Opened OpenInto(const test::TempDir& dir, const std::string& dataZip) {
  report::LineList lines;
  os::NoProgress progress;
  Opened opened;
  opened.folder = dir.Path("opened");
  opened.outcome = OpenDataZip({dataZip, opened.folder}, lines, progress);
  opened.lines = lines.lines;
  if (!opened.outcome.verificationPath.empty()) {
    const std::string text = test::ReadFile(opened.outcome.verificationPath);
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    opened.verification = text.substr(3);
  }
  return opened;
}

std::string DataZipOf(const test::TempDir& dir, const std::vector<std::pair<std::string, std::string>>& entries) {
  test::RawArchive archive;
  for (const auto& [name, bytes] : entries) archive.entries.push_back({name, bytes});
  const std::string path = dir.Path("Data.zip");
  test::WriteFile(path, test::MakeZip(archive).front());
  return path;
}

std::map<std::string, std::string> TreeOf(const std::string& folder) {
  std::map<std::string, std::string> tree;
  os::DirListing listing(folder + test::Separator() + "*");
  for (os::DirEntry entry; listing.Next(entry);) {
    if (entry.name == "." || entry.name == "..") continue;
    const std::string path = folder + test::Separator() + entry.name;
    if (entry.attributes & os::kAttrDirectory) {
      for (const auto& [name, content] : TreeOf(path)) tree[entry.name + "/" + name] = content;
    } else {
      tree[entry.name] = test::ReadFile(path);
    }
  }
  return tree;
}

std::vector<std::pair<std::string, std::string>> EntriesOf(const std::string& archivePath) {
  test::ZipImage zip = test::ParseZip(test::ReadFile(archivePath));
  std::vector<std::pair<std::string, std::string>> entries;
  for (size_t i = 0; i < zip.entries.size(); ++i) entries.emplace_back(zip.entries[i].central.name, test::EntryData(zip, i));
  return entries;
}

}  // namespace tavisto::intake::testing
