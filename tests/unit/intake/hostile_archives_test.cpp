// Archives made to harm, each inside a Data.zip as a product's set: nothing is written or linked
// outside the folder, the honest file beside the trick is still unpacked, and the trick is named.
#include "intake/open_data_zip.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/unit/intake/open_test_util.h"

namespace tavisto::intake {
namespace {

using test::RawArchive;
using test::RawEntry;

constexpr uint16_t kUnixHost = (3 << 8) | 20;
constexpr uint32_t kUnixLink = 0120777u << 16;

struct Hostile {
  const char* what;
  std::function<void(RawArchive&)> make;  // the set starts with good.txt
  const char* line;                       // in Verification.txt
  std::map<std::string, std::string> files;  // what the folder holds afterwards, Verification.txt aside
  bool dropSecondPart = false;
};

const std::map<std::string, std::string> kGood = {{"Evil/good.txt", "good"}};

std::map<std::string, std::string> With(std::map<std::string, std::string> files) {
  files.insert(kGood.begin(), kGood.end());
  return files;
}

TEST(HostileArchives, NothingLeavesTheFolderAndEachTrickIsNamed) {
  const std::string big(5000, 'b');
  const Hostile cases[] = {
      {"zip slip with /", [](RawArchive& a) { a.entries.push_back({"../../evil.txt", "x"}); }, "climbs out", kGood},
      {"zip slip with \\", [](RawArchive& a) { a.entries.push_back({"a\\..\\..\\evil.txt", "x"}); }, "climbs out", kGood},
      {"a drive letter", [](RawArchive& a) { a.entries.push_back({"C:\\evil.txt", "x"}); }, "names a drive", kGood},
      {"an alternate data stream", [](RawArchive& a) { a.entries.push_back({"good.txt:hidden", "x"}); },
       "alternate data stream", kGood},
      {"device names",
       [](RawArchive& a) {
         a.entries.push_back({"CON", "x"});
         a.entries.push_back({"logs/Aux.txt", "x"});
       },
       "device name Aux", kGood},
      {"a case collision", [](RawArchive& a) { a.entries.push_back({"GOOD.TXT", "other"}); }, "only in case", kGood},
      {"a link, then a file through it",
       [](RawArchive& a) {
         a.entries.push_back({"logs", "/tmp", false, {}, kUnixHost, kUnixLink});
         a.entries.push_back({"logs/passwd", "root"});
       },
       "symbolic link", With({{"Evil/logs/passwd", "root"}})},
      {"overlapping entries",
       [](RawArchive& a) {
         RawEntry overlap{"copy.txt", "good"};
         overlap.sharesHeaderOf = 0;
         a.entries.push_back(overlap);
       },
       "overlapping-entry bomb", kGood},
      {"an entry larger than declared",
       [&](RawArchive& a) { a.entries.push_back({"big.txt", big, true, big.size() - 100}); }, "inflates past", kGood},
      {"an entry smaller than declared",
       [&](RawArchive& a) { a.entries.push_back({"big.txt", big, true, big.size() + 100}); }, "100 bytes short", kGood},
      {"a size deflate cannot give",
       [&](RawArchive& a) { a.entries.push_back({"bomb.txt", big, true, uint64_t(1) << 31}); }, "more than deflate", kGood},
      {"another method",
       [](RawArchive& a) {
         RawEntry bzip2{"x.bz", "x"};
         bzip2.method = 12;
         a.entries.push_back(bzip2);
       },
       "bzip2", kGood},
      {"a huge declared count", [](RawArchive& a) { a.declaredCount = uint64_t(1) << 40, a.zip64 = true; },
       "more than its central directory", {{"EvilData.zip", ""}}},
      {"a cut central directory", [](RawArchive& a) { a.cutDirectory = 20; }, "EvilData.zip cannot be read",
       {{"EvilData.zip", ""}}},
      {"a part missing",
       [&](RawArchive& a) {
         a.partSize = 1500;
         a.entries.push_back({"big.txt", big});
       },
       "EvilData.z02 is missing", kGood, true},
  };
  for (const Hostile& each : cases) {
    test::TempDir dir;
    RawArchive set;
    set.entries.push_back({"good.txt", "good"});
    each.make(set);
    const std::vector<std::string> parts = test::MakeZip(set);
    std::vector<std::pair<std::string, std::string>> entries;
    for (size_t i = 0; i + 1 < parts.size(); ++i)
      if (!(each.dropSecondPart && i == 1)) entries.emplace_back("EvilData.z0" + std::to_string(i + 1), parts[i]);
    entries.emplace_back("EvilData.zip", parts.back());
    const testing::Opened opened = testing::OpenInto(dir, testing::DataZipOf(dir, entries));
    EXPECT_EQ(opened.outcome.exitCode, kExitProblems) << each.what;
    EXPECT_NE(opened.verification.find(each.line), std::string::npos) << each.what << ":\n" << opened.verification;
    std::map<std::string, std::string> files = testing::TreeOf(opened.folder);
    files.erase("Verification.txt");
    if (each.files.count("EvilData.zip")) files["EvilData.zip"] = "";  // its bytes as they came
    EXPECT_EQ(files, each.files) << each.what;
    EXPECT_EQ(testing::TreeOf(dir.Root()).size(), files.size() + 2) << each.what << ": a file outside the folder";
  }
}

}  // namespace
}  // namespace tavisto::intake
