// Data.zip with its manifest, put together as Get Data puts it together: each product's split
// archive written with digests on and its files streamed into the manifest as they are written,
// what it left out in plain words; Data.zip storing the volumes, their digests from its own
// commit; then the manifest added as Data.zip's last entry. Parsed back here; afterwards
// tests/support/manifest_check.py reads the same files with a reader of its own and checks them
// against the source trees (the files stay in TAVISTO_MANIFEST_DIR for it).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <map>
#include <optional>

#include "delivery/manifest.h"
#include "os/files.h"
#include "tests/support/folder_link.h"
#include "tests/support/temp_dir.h"
#include "zip/archiver.h"

namespace tavisto::delivery {
namespace {

using Json = nlohmann::ordered_json;

constexpr char kIgnored[] = "Ignore was chosen";

std::string Bytes(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(seed % 2 ? (state >> 24) : 'a' + (state >> 24) % 7);
  }
  return bytes;
}

struct Product {
  std::string name;
  std::string archiveFile;
  bool advancedNaming = false;
};

TEST(ManifestInDataZip, EveryPackedFileAndVolumeIsListedAndWhatWasLeftOutSaysWhy) {
  std::optional<test::TempDir> own;
  const char* given = std::getenv("TAVISTO_MANIFEST_DIR");
  const std::string root = given ? std::string(given) : (own.emplace(), own->Root());
  const char sep = test::Separator();
  if (given) test::RemoveTree(root);
  const auto at = [&](const std::string& relative) {
    std::string path = root + sep + relative;
    for (char& c : path)
      if (c == '/' || c == '\\') c = sep;
    return path;
  };
  for (const char* folder : {"src/Zorvel/Data/Logs/Old", "src/Voyra/Data/Cfg", "vol", "run"}) test::MakeDirectories(at(folder));
  test::WriteFile(at("src/Zorvel/Data/settings.ini"), "[main]\r\nport=COM3\r\n");
  test::WriteFile(at("src/Zorvel/Data/empty.txt"), "");
  test::WriteFile(at("src/Zorvel/Data/Logs/service.log"), Bytes(900000, 2));
  test::WriteFile(at("src/Zorvel/Data/Logs/Old/blob.bin"), Bytes(700000, 3));
  test::WriteFile(at("src/Zorvel/Data/Logs/gone.txt"), "removed before it is read");
  test::WriteFile(at("src/Zorvel/Data/db.lock"), "held by its program");
  ASSERT_TRUE(test::MakeFolderLink(at("src/Zorvel/Data/Logs/Loop"), at("src/Zorvel/Data/Logs")));
  test::WriteFile(at("src/Voyra/Data/Cfg/voyra.xml"), "<voyra/>");
  test::WriteFile(at("src/Voyra/Data/video.idx"), Bytes(400000, 5));

  // db.lock is held as its program holds it; where the system enforces sharing (Windows) it
  // cannot be read and is left out.
  auto lock = os::File::Open(at("src/Zorvel/Data/db.lock"), os::Access::ReadWrite, os::kShareNone,
                             os::Disposition::OpenExisting);
  ASSERT_TRUE(lock.has_value());
  const bool held = !os::File::Open(at("src/Zorvel/Data/db.lock"), os::Access::Read, os::kShareAll,
                                    os::Disposition::OpenExisting);

  ManifestWriter manifest(at("run"));
  std::map<std::string, size_t> productOfVolume;
  std::vector<std::string> volumes;  // in each set's order, as Data.zip takes them
  const os::FileTime started = os::CurrentFileTime();
  for (const Product& product : {Product{"Zorvel", "ZorvelData.zip", false}, Product{"Voyra", "VYData.zip", true}}) {
    const std::string data = at("src/" + product.name + "/Data");
    const size_t index = manifest.BeginProduct(product.name, data);
    zip::TArchiver archive(product.name);
    archive.SetFileName(at("vol/" + product.archiveFile));
    archive.SetBaseDir(data);
    archive.SpanningOptions().SetVolumeSize(zip::vsCustom);
    archive.SpanningOptions().SetCustomVolumeSize(300000);
    archive.SpanningOptions().SetFirstVolumeSize(300000);
    archive.SpanningOptions().SetAdvancedNaming(product.advancedNaming);
    archive.SetSpanningMode(zip::smSplitting);
    archive.SetDigests(true);
    archive.OnEntryWritten = [&](zip::TBaseArchiver&, const zip::TArcWrittenEntry& entry) { manifest.AddEntry(entry); };
    archive.OnConfirmProcessFile = [&](zip::TBaseArchiver&, const std::string& path, zip::Operation, bool&) {
      if (path == at("src/Zorvel/Data/Logs/gone.txt")) {
        EXPECT_TRUE(os::RemoveFile(path));
      }
    };
    archive.OnProcessFileFailure = [](zip::TBaseArchiver&, const std::string&, zip::Operation, int32_t, int32_t,
                                      const std::string&, zip::FailureAction& action) {
      action = zip::FailureAction::Skip;
    };
    archive.OpenArchive(zip::kCreateMode);
    archive.AddFiles("*.*", zip::kDefaultSearchAttr);
    ASSERT_EQ(archive.LastUpdateOutcome(), zip::UpdateOutcome::Committed);
    for (const zip::LeftOutFile& file : archive.LeftOut()) manifest.AddLeftOut(index, file.path, LeftOutReason(file, kIgnored));
    for (const zip::LeftOutFile& link : archive.LinksNotFollowed()) manifest.AddLeftOut(index, link.path, LeftOutReason(link, ""));
    archive.CloseArchive();
    for (int32_t volume = 0;; ++volume) {
      const std::string path = archive.GetVolumeFileName(archive.FileName(), volume);
      if (!os::FileExists(path)) break;
      productOfVolume[path.substr(at("vol/").size())] = index;
      volumes.push_back(path);
    }
    productOfVolume[product.archiveFile] = index;
    volumes.push_back(archive.FileName());
  }
  lock->Close();
  ASSERT_TRUE(test::RemoveFolderLink(at("src/Zorvel/Data/Logs/Loop")));

  // Data.zip stores the volumes; their digests come from its own reading of them.
  zip::TArchiver dataZip("ArchivioTotale");
  dataZip.SetFileName(at("run/Data.zip"));
  dataZip.SetBaseDir(at("vol"));
  dataZip.SetCompressionLevel(zip::clNone);
  dataZip.SetDigests(true);
  dataZip.OnEntryWritten = [&](zip::TBaseArchiver&, const zip::TArcWrittenEntry& entry) {
    const auto product = productOfVolume.find(entry.storedName);
    if (product != productOfVolume.end())
      manifest.AddVolume(product->second, {entry.storedName, entry.size, *entry.sha256});
  };
  dataZip.OpenArchive(zip::kCreateMode);
  dataZip.FileMasks() = volumes;
  dataZip.AddFiles("");
  dataZip.FileMasks().clear();
  manifest.Write(ManifestRun{"1.6.4.0", started, os::CurrentFileTime(), os::CurrentUtcOffsetMinutes(), "DESK-7", "ana"},
                 at("vol/manifest.json"));
  dataZip.AddFiles(at("vol/manifest.json"));
  EXPECT_EQ(dataZip.EntryCount(), static_cast<int32_t>(productOfVolume.size()) + 1);
  dataZip.CloseArchive();

  const Json parsed = Json::parse(test::ReadFile(at("vol/manifest.json")));
  const Json& zorvel = parsed["products"][0];
  EXPECT_EQ(parsed["products"].size(), 2u);
  EXPECT_EQ(zorvel["files"].size(), held ? 4u : 5u);
  size_t zorvelVolumes = 0;
  for (const auto& [name, product] : productOfVolume) zorvelVolumes += product == 0;
  EXPECT_GT(zorvelVolumes, 2u);  // a split set of several volumes
  EXPECT_EQ(zorvel["volumes"].size(), zorvelVolumes);
  std::map<std::string, std::string> reasons;
  for (const Json& each : zorvel["leftOut"]) reasons[each["path"]] = each["reason"];
  EXPECT_EQ(reasons[at("src/Zorvel/Data/Logs/gone.txt")], "vanished while it was read; Ignore was chosen");
  EXPECT_EQ(reasons[at("src/Zorvel/Data/Logs/Loop")], "a link, not followed");
  if (held) {
    EXPECT_EQ(reasons[at("src/Zorvel/Data/db.lock")], "held by another program; Ignore was chosen");
  }
  EXPECT_EQ(reasons.size(), held ? 3u : 2u);
}

}  // namespace
}  // namespace tavisto::delivery
