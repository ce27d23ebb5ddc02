// Opening a Data.zip end to end: our writer's sets (split and single, both namings) and a Zip64
// set back to their source files, and each way a received Data.zip can be damaged with its exit
// code and the line Verification.txt must hold.
#include "intake/open_data_zip.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>

#include "os/files.h"
#include "os/sha256.h"
#include "tests/support/data_zip_maker.h"
#include "tests/unit/intake/open_test_util.h"

namespace tavisto::intake {
namespace {

using testing::DataZipOf;
using testing::EntriesOf;
using testing::OpenInto;
using testing::TreeOf;

std::string Noise(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
  return bytes;
}

// A data folder: text, a file that does not compress (so that small volumes split it), an empty
// file and folder, names in code page 437 and outside it.
void MakeSource(const test::TempDir& dir, const std::string& root) {
  test::MakeDirectories(dir.Path(root + "/logs/old"));
  test::MakeDirectories(dir.Path(root + "/empty folder"));
  test::WriteFile(dir.Path(root + "/notes.txt"), "notes\r\n");
  test::WriteFile(dir.Path(root + "/logs/CS.log"), std::string(30000, 'x') + "end");
  test::WriteFile(dir.Path(root + "/logs/old/blob.bin"), Noise(200000, 7));
  test::WriteFile(dir.Path(root + "/logs/zero.dat"), "");
  test::WriteFile(dir.Path(root + "/caf\xC3\xA9.ini"), "[a]");
  test::WriteFile(dir.Path(root + "/\xCE\xA9mega.txt"), "omega");
}

std::string MadeDataZip(const test::TempDir& dir) {
  MakeSource(dir, "src/Zorvel");
  MakeSource(dir, "src/Voyra");
  test::MakeDirectories(dir.Path("made"));
  return test::MakeDataZip(dir.Path("made"), {{lookups::SiblingProduct::Zorvel, dir.Path("src/Zorvel")},
                                              {lookups::SiblingProduct::Voyra, dir.Path("src/Voyra")}},
                           65536);
}

TEST(OpenDataZip, OurSetsSplitAndSingleComeBackAsTheirSources) {
  test::TempDir dir;
  const std::string dataZip = MadeDataZip(dir);
  std::vector<std::string> names;
  for (const auto& [name, data] : EntriesOf(dataZip)) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"ZorvelData.Z01", "ZorvelData.Z02", "ZorvelData.Z03", "ZorvelData.zip",
                                             "VYData_001.zip", "VYData_002.zip", "VYData_003.zip", "VYData.zip",
                                             "manifest.json"}));
  const testing::Opened opened = OpenInto(dir, dataZip);
  EXPECT_EQ(opened.outcome.exitCode, kExitAsPacked) << opened.verification;
  EXPECT_EQ(opened.outcome.summary.substr(0, 28), "All 12 files are as packed.\r");
  EXPECT_EQ(TreeOf(opened.folder + "/Zorvel"), TreeOf(dir.Path("src/Zorvel")));
  EXPECT_EQ(TreeOf(opened.folder + "/Voyra"), TreeOf(dir.Path("src/Voyra")));
  EXPECT_TRUE(os::DirectoryExists(opened.folder + "/Zorvel/empty folder"));
  EXPECT_NE(opened.verification.find("\r\nZorvel: 6 files, 225 KB, all as packed\r\n"), std::string::npos)
      << opened.verification;
  EXPECT_EQ(test::ReadFile(opened.folder + "/manifest.json"), EntriesOf(dataZip).back().second);
}

TEST(OpenDataZip, AZip64SetOfAnotherWriterOpensWithoutAManifest) {
  test::TempDir dir;
  test::RawArchive set;
  set.zip64 = true;
  set.partSize = 400;
  set.entries = {{"a/one.txt", std::string(1000, 'a'), true}, {"two.bin", Noise(700, 3)}, {"a/", ""}};
  const std::vector<std::string> parts = test::MakeZip(set);
  ASSERT_EQ(parts.size(), 3u);
  const testing::Opened opened =
      OpenInto(dir, DataZipOf(dir, {{"MQData.z01", parts[0]}, {"MQData.z02", parts[1]}, {"MQData.zip", parts[2]}}));
  EXPECT_EQ(opened.outcome.exitCode, kExitProblems);
  EXPECT_EQ(TreeOf(opened.folder + "/MultiQrx"),
            (std::map<std::string, std::string>{{"a/one.txt", std::string(1000, 'a')}, {"two.bin", Noise(700, 3)}}));
  EXPECT_NE(opened.verification.find("No manifest: nothing could be verified"), std::string::npos);
}

using Entries = std::vector<std::pair<std::string, std::string>>;

// Applies change to the manifest held in entries (the last one).
void EditManifest(Entries& entries, const std::function<void(nlohmann::ordered_json&)>& change) {
  nlohmann::ordered_json manifest = nlohmann::ordered_json::parse(entries.back().second);
  change(manifest);
  entries.back().second = manifest.dump(2);
}

nlohmann::ordered_json& FileNamed(nlohmann::ordered_json& manifest, const std::string& name) {
  for (auto& file : manifest["products"][0]["files"])
    if (file["name"] == name) return file;
  throw std::runtime_error("no " + name);
}

TEST(OpenDataZip, EachDamageHasItsExitCodeAndItsLine) {
  struct Damage {
    const char* what;
    std::function<void(Entries&)> change;
    int exitCode;
    const char* line;
  };
  const Damage cases[] = {
      {"a part missing", [](Entries& e) { e.erase(e.begin() + 1); }, kExitProblems, "ZorvelData.Z02 is missing"},
      {"a part cut short", [](Entries& e) { e[0].second.resize(e[0].second.size() - 1234); }, kExitProblems,
       "ZorvelData.Z01 ends 1,234 bytes early"},
      {"a file changed after packing",
       [](Entries& e) {
         EditManifest(e, [](auto& m) { FileNamed(m, "notes.txt")["sha256"] = std::string(64, '0'); });
       },
       kExitProblems, "Zorvel\\notes.txt: its SHA-256 differs from the manifest's"},
      {"a manifest entry with no file",
       [](Entries& e) {
         EditManifest(e, [](auto& m) {
           auto lost = FileNamed(m, "notes.txt");
           lost["name"] = "lost.txt";
           m["products"][0]["files"].push_back(lost);
           m["totals"]["files"] = m["totals"]["files"].template get<int>() + 1;
           m["totals"]["bytes"] = m["totals"]["bytes"].template get<int>() + lost["bytes"].template get<int>();
         });
       },
       kExitProblems, "Files the manifest lists that no set holds:\r\n  Zorvel\\lost.txt\r\n"},
      {"a file with no manifest entry",
       [](Entries& e) {
         EditManifest(e, [](auto& m) {
           auto& files = m["products"][0]["files"];
           for (size_t i = 0; i < files.size(); ++i)
             if (files[i]["name"] == "notes.txt") files.erase(i);
           m["totals"]["files"] = m["totals"]["files"].template get<int>() - 1;
           m["totals"]["bytes"] = m["totals"]["bytes"].template get<int>() - 7;
         });
       },
       kExitProblems, "Files a set holds that the manifest does not list:\r\n  Zorvel\\notes.txt\r\n"},
      {"no manifest", [](Entries& e) { e.pop_back(); }, kExitProblems, "No manifest: nothing could be verified"},
      {"not a ZIP archive", [](Entries& e) { e.clear(); }, kExitNothingOpened, "is not a ZIP archive"},
  };
  test::TempDir made;
  const Entries honest = EntriesOf(MadeDataZip(made));
  for (const Damage& damage : cases) {
    test::TempDir dir;
    Entries entries = honest;
    damage.change(entries);
    const std::string dataZip = entries.empty() ? dir.Path("Data.zip") : DataZipOf(dir, entries);
    if (entries.empty()) test::WriteFile(dataZip, "not an archive");
    const testing::Opened opened = OpenInto(dir, dataZip);
    EXPECT_EQ(opened.outcome.exitCode, damage.exitCode) << damage.what;
    const std::string& text = damage.exitCode == kExitNothingOpened ? opened.outcome.summary : opened.verification;
    EXPECT_NE(text.find(damage.line), std::string::npos) << damage.what << ":\n" << text;
    if (damage.exitCode == kExitNothingOpened) {
      EXPECT_FALSE(os::DirectoryExists(opened.folder)) << damage.what;
    }
  }
}

TEST(OpenDataZip, AFolderThatHoldsAnythingIsRefusedAndKept) {
  test::TempDir dir;
  test::MakeDirectories(dir.Path("opened"));
  test::WriteFile(dir.Path("opened/mine.txt"), "mine");
  const testing::Opened opened = OpenInto(dir, DataZipOf(dir, {{"a.txt", "a"}}));
  EXPECT_EQ(opened.outcome.exitCode, kExitNothingOpened);
  EXPECT_NE(opened.outcome.summary.find("is not empty (it holds mine.txt)"), std::string::npos) << opened.outcome.summary;
  EXPECT_EQ(TreeOf(opened.folder), (std::map<std::string, std::string>{{"mine.txt", "mine"}}));
}

}  // namespace
}  // namespace tavisto::intake

namespace tavisto::intake {
namespace {

TEST(OpenDataZip, ANameInCodePage850IsReadAsTheManifestNamesIt) {
  test::TempDir dir;
  test::RawArchive set;
  set.entries.push_back({"\xB7la.txt", "voil\xC3\xA0"});  // "Àla.txt" in code page 850, no UTF-8 flag
  os::Sha256 sha;
  sha.Update("voil\xC3\xA0", 6);
  std::string hex;
  for (const uint8_t byte : sha.Finish()) hex += "0123456789abcdef"[byte >> 4], hex += "0123456789abcdef"[byte & 15];
  const std::string part = test::MakeZip(set).front();
  nlohmann::ordered_json manifest = {
      {"manifest", 1}, {"tool", {{"name", "Tavisto"}, {"version", "1.6.4.0"}}},
      {"run", {{"started", "2026-12-09T07:15:46Z"}, {"finished", "2026-12-09T07:15:47Z"}, {"utcOffsetMinutes", 60},
               {"computer", "PC"}, {"user", "u"}}},
      {"products", {{{"name", "Pylvex"}, {"dataFolder", "C:\\P\\Data"},
                     {"volumes", {{{"name", "PYData.zip"}, {"bytes", part.size()}, {"sha256", std::string(64, '0')}}}},
                     {"files", {{{"name", "\xC3\x80la.txt"}, {"bytes", 6}, {"modified", "2026-12-09T03:25:17Z"},
                                 {"crc32", "4639024b"}, {"sha256", hex}}}},
                     {"leftOut", nlohmann::ordered_json::array()}}}},
      {"totals", {{"files", 1}, {"bytes", 6}, {"leftOut", 0}}}};
  const testing::Opened opened = OpenInto(dir, DataZipOf(dir, {{"PYData.zip", part}, {"manifest.json", manifest.dump()}}));
  EXPECT_EQ(TreeOf(opened.folder + "/Pylvex"), (std::map<std::string, std::string>{{"\xC3\x80la.txt", "voil\xC3\xA0"}}));
  // The one problem: the volume's SHA-256 above is made up.
  EXPECT_EQ(opened.outcome.problems, 1u) << opened.verification;
  EXPECT_NE(opened.verification.find("PYData.zip: its SHA-256 differs"), std::string::npos) << opened.verification;
}

}  // namespace
}  // namespace tavisto::intake
