// manifest.json: UTC times in ISO 8601, left-out causes in plain words, and a document that is
// exactly what nlohmann writes for it held whole, however many files stream through.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "delivery/manifest.h"
#include "os/os_error.h"
#include "tests/support/temp_dir.h"
#include "zip/archive_error.h"

namespace tavisto::delivery {
namespace {

using Json = nlohmann::ordered_json;

constexpr int64_t kSecond = 10000000;

TEST(IsoUtcText, FileTimesAsUtcToTheSecond) {
  const struct {
    int64_t ticks;
    const char* text;
  } cases[] = {
      {0, "1601-01-01T00:00:00Z"},
      {116444736000000000LL, "1970-01-01T00:00:00Z"},
      {133312980300000000LL, "2023-06-15T10:20:30Z"},
      {133312980300000000LL + kSecond - 1, "2023-06-15T10:20:30Z"},  // a fraction is dropped
      {(11644473600LL + 1709251199) * kSecond, "2024-02-29T23:59:59Z"},
      {(11644473600LL + 1796786717) * kSecond, "2026-12-09T03:25:17Z"},
      {(11644473600LL + 253402300799) * kSecond, "9999-12-31T23:59:59Z"},
  };
  for (const auto& each : cases) EXPECT_EQ(IsoUtcText(os::FileTime{each.ticks}), each.text) << each.ticks;
}

TEST(LeftOutReason, TheCauseInPlainWordsAndTheAnswer) {
  using zip::LeftOutKind;
  const std::string ignored = "Ignore was chosen";
  const struct {
    zip::LeftOutFile file;
    std::string answer;
    std::string words;
  } cases[] = {
      {{"C:\\d\\a.db", "", LeftOutKind::File, zip::kErrorCannotOpenSource, os::kErrorSharingViolation}, ignored,
       "held by another program; Ignore was chosen"},
      {{"C:\\d\\a.db", "", LeftOutKind::File, zip::kErrorCannotOpenSource, os::kErrorLockViolation}, ignored,
       "held by another program; Ignore was chosen"},
      {{"C:\\d\\a.db", "", LeftOutKind::File, zip::kErrorCannotOpenSource, os::kErrorFileNotFound}, ignored,
       "vanished while it was read; Ignore was chosen"},
      {{"C:\\d\\a.db", "", LeftOutKind::File, zip::kErrorCannotOpenSource, os::kErrorAccessDenied}, ignored,
       "the name cannot be opened: " + os::ErrorText(os::kErrorAccessDenied) + "; Ignore was chosen"},
      {{"C:\\d\\a.db", "", LeftOutKind::File, zip::kErrorSizeMismatch, 0}, "left out by the unattended run",
       "it changed while it was read; left out by the unattended run"},
      {{"C:\\d\\a.db", "X: Unknown error (why)", LeftOutKind::File, zip::kErrorUnknown, 0}, ignored,
       "it could not be packed: X: Unknown error (why); Ignore was chosen"},
      {{"C:\\d\\Sub", "Access denied", LeftOutKind::Folder, 0, os::kErrorAccessDenied}, "",
       "a folder that could not be read: Access denied"},
      {{"C:\\d\\Loop", "a link, not followed", LeftOutKind::Link, 0, 0}, "", "a link, not followed"},
  };
  for (const auto& each : cases) EXPECT_EQ(LeftOutReason(each.file, each.answer), each.words);
}

os::Sha256Digest Digest(uint8_t seed) {
  os::Sha256Digest digest{};
  for (size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<uint8_t>(seed * 31 + i * 7);
  return digest;
}

// The manifest of a run against the document nlohmann writes when it holds all of it: the same
// bytes, so the keys, their order, the indentation and every value are the library's.
TEST(ManifestWriter, WritesWhatTheLibraryWritesForTheWholeDocument) {
  test::TempDir dir;
  const ManifestRun run{"1.6.4.0", os::FileTime{133312980300000000LL}, os::FileTime{133312980300000000LL + 95 * kSecond},
                        60, "DESK-7", "Ana \u00d6z"};
  const std::vector<ManifestFile> zorvelFiles = {
      {"settings.ini", 1234, os::FileTime{133312980300000000LL}, 0x0badf00d, Digest(1)},
      {"Logs/\u65e5\u672c.log", 0, os::FileTime{116444736000000000LL}, 0, Digest(2)},
      {"Logs/quote\"and\\back.txt", 4097152ull * 3, os::FileTime{133312980300000000LL}, 0xffffffffu, Digest(3)},
  };
  const std::vector<ManifestVolume> zorvelVolumes = {{"ZorvelData.z01", 4097152, Digest(4)},
                                                     {"ZorvelData.zip", 1022, Digest(5)}};
  ManifestWriter manifest(dir.Root());
  const size_t zorvel = manifest.BeginProduct("Zorvel", "C:\\Users\\ana\\Zorvel\\Data");
  for (const ManifestFile& file : zorvelFiles) manifest.AddFile(file);
  const size_t voyra = manifest.BeginProduct("Voyra", "C:\\Voyra\\Data");  // nothing in it
  manifest.AddLeftOut(zorvel, "C:\\Users\\ana\\Zorvel\\Data\\db.lock", "held by another program; Ignore was chosen");
  manifest.AddVolume(voyra, {"VYData.zip", 22, Digest(6)});
  for (const ManifestVolume& volume : zorvelVolumes) manifest.AddVolume(zorvel, volume);
  manifest.Write(run, dir.Path("manifest.json"));

  Json files = Json::array();
  for (const ManifestFile& file : zorvelFiles)
    files.push_back({{"name", file.name}, {"bytes", file.bytes}, {"modified", IsoUtcText(file.modified)},
                     {"crc32", CrcHex(file.crc32)}, {"sha256", LowerHex(file.sha256.data(), 32)}});
  Json volumes = Json::array();
  for (const ManifestVolume& volume : zorvelVolumes)
    volumes.push_back({{"name", volume.name}, {"bytes", volume.bytes}, {"sha256", LowerHex(volume.sha256.data(), 32)}});
  const Json expected = {
      {"manifest", 1},
      {"tool", {{"name", "Tavisto"}, {"version", "1.6.4.0"}}},
      {"run",
       {{"started", "2023-06-15T10:20:30Z"}, {"finished", "2023-06-15T10:22:05Z"}, {"utcOffsetMinutes", 60},
        {"computer", "DESK-7"}, {"user", "Ana \u00d6z"}}},
      {"products",
       {{{"name", "Zorvel"}, {"dataFolder", "C:\\Users\\ana\\Zorvel\\Data"}, {"volumes", volumes}, {"files", files},
         {"leftOut",
          {{{"path", "C:\\Users\\ana\\Zorvel\\Data\\db.lock"}, {"reason", "held by another program; Ignore was chosen"}}}}},
        {{"name", "Voyra"}, {"dataFolder", "C:\\Voyra\\Data"},
         {"volumes", {{{"name", "VYData.zip"}, {"bytes", 22}, {"sha256", LowerHex(Digest(6).data(), 32)}}}},
         {"files", Json::array()}, {"leftOut", Json::array()}}}},
      {"totals", {{"files", 3}, {"bytes", 1234 + 4097152ull * 3}, {"leftOut", 1}}},
  };
  const std::string written = test::ReadFile(dir.Path("manifest.json"));
  EXPECT_EQ(written, expected.dump(2) + "\n");
  EXPECT_EQ(Json::parse(written), expected);
}

TEST(ManifestWriter, ARunWithoutProductsIsStillAManifest) {
  test::TempDir dir;
  ManifestWriter manifest(dir.Root());
  manifest.Write(ManifestRun{}, dir.Path("manifest.json"));
  const Json parsed = Json::parse(test::ReadFile(dir.Path("manifest.json")));
  EXPECT_EQ(parsed["products"], Json::array());
  EXPECT_EQ(parsed["totals"]["files"], 0);
  EXPECT_EQ(test::ReadFile(dir.Path("manifest.json")), parsed.dump(2) + "\n");
}

// Each file is written out as it comes (what waits in memory is one piece of the scratch file,
// whatever the count), and every one is back in the document, in order, with the totals summed.
TEST(ManifestWriter, ManyFilesStreamThroughTheScratchFile) {
  test::TempDir dir;
  constexpr int kFiles = 30000;
  ManifestWriter manifest(dir.Root());
  (void)manifest.BeginProduct("Pylvex", "D:\\PY\\Data");
  for (int i = 0; i < kFiles; ++i)
    manifest.AddFile({"f/" + std::to_string(i) + ".txt", uint64_t(i), os::FileTime{0}, uint32_t(i), Digest(uint8_t(i))});
  const size_t second = manifest.BeginProduct("Quorix", "D:\\QRX\\Data");
  manifest.AddFile({"last.txt", 7, os::FileTime{0}, 1, Digest(9)});
  manifest.AddLeftOut(second, "D:\\QRX\\Data\\gone.txt", "vanished while it was read; Ignore was chosen");
  manifest.Write(ManifestRun{}, dir.Path("manifest.json"));
  const Json parsed = Json::parse(test::ReadFile(dir.Path("manifest.json")));
  const Json& files = parsed["products"][0]["files"];
  ASSERT_EQ(files.size(), size_t(kFiles));
  for (int i = 0; i < kFiles; i += 997) {
    EXPECT_EQ(files[i]["name"], "f/" + std::to_string(i) + ".txt");
    EXPECT_EQ(files[i]["bytes"], i);
    EXPECT_EQ(files[i]["sha256"], LowerHex(Digest(uint8_t(i)).data(), 32));
  }
  EXPECT_EQ(parsed["products"][1]["files"][0]["name"], "last.txt");
  EXPECT_EQ(parsed["totals"], (Json{{"files", kFiles + 1},
                                    {"bytes", uint64_t(kFiles) * (kFiles - 1) / 2 + 7},
                                    {"leftOut", 1}}));
}

}  // namespace
}  // namespace tavisto::delivery
