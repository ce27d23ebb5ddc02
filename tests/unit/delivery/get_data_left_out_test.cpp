// What Get Data does not pack, and why, as the manifest lists it and as both faces show it: a
// product whose data folder does not exist or whose folder value is no text, a folder link, a
// file link; and no product at all. Run on real trees, through the same packing the program does.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "delivery/get_data.h"
#include "os/files.h"
#include "tests/support/folder_link.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_inspect.h"
#include "zip/scan.h"

namespace tavisto::delivery {
namespace {

using Json = nlohmann::ordered_json;
using lookups::SiblingProduct;

constexpr char kUnreadable[] = "Pylvex: AppDataPath in HKEY_CURRENT_USER\\Software\\Velmo\\Pylvex\\AppPath is a "
                               "REG_DWORD, not a folder";

struct Packed {
  CollectedData done;
  Json manifest;
};

// Get Data on plan, with the program's own table, writers and journal, answering as the
// unattended run does.
Packed Collect(const GetDataPlan& plan) {
  // Checked before the journal begins, as the job does: the check sweeps what killed runs left.
  const GetDataCheck check = CheckGetData(plan);
  ProductTable products;
  zip::TArchiver dataZip("ArchivioTotale");
  FileJournal journal(OwnFolder(plan.tempFolder));
  UnattendedAsker asker;
  os::NoProgress progress;
  Packed packed{CollectData(plan, check, products, dataZip, journal, asker, progress,
                            RunFacts{"1.6.4.0", "PC", "someone"}),
                {}};
  test::ZipImage zip = test::ParseZip(test::ReadFile(packed.done.dataZip.path));
  EXPECT_TRUE(zip.problems.empty());
  if (!zip.entries.empty() && zip.entries.back().central.name == "manifest.json")
    packed.manifest = Json::parse(test::EntryData(zip, zip.entries.size() - 1));
  return packed;
}

TEST(GetDataLeftOut, EachThingNotPackedIsListedWithItsReason) {
  test::TempDir dir;
  const std::string sep(1, test::Separator());
  test::MakeDirectories(dir.Path("Temp"));
  test::MakeDirectories(dir.Path("Zorvel/Data"));
  test::MakeDirectories(dir.Path("Quorix"));
  test::WriteFile(dir.Path("Zorvel/Data/a.txt"), "packed");
  const std::string data = dir.Path("Zorvel/Data") + sep;
  ASSERT_TRUE(test::MakeFolderLink(data + "Loop", dir.Path("Zorvel/Data")));
  const bool fileLink = test::MakeFileLink(data + "b.txt", data + "a.txt");

  GetDataPlan plan;
  plan.tempFolder = dir.Path("Temp") + sep;
  plan.dataPaths[size_t(SiblingProduct::Zorvel)] = dir.Path("Zorvel") + sep;
  plan.dataPaths[size_t(SiblingProduct::Quorix)] = dir.Path("Quorix") + sep;
  const std::string valuePlace = RegistryValuePlace(SiblingProduct::Pylvex, "AppDataPath");
  plan.unreadable[size_t(SiblingProduct::Pylvex)] = ProductLeftOut{"", valuePlace, kUnreadable, kUnreadable};

  struct Row {
    const char* what;
    const char* product;
    std::string path, reason, line;
  };
  std::vector<Row> rows = {
      // In the scan's order: a folder's files, then its folders.
      {"a file link", "Zorvel", data + "b.txt", "a link, not followed", data + "b.txt (a link, not followed)"},
      {"a folder link", "Zorvel", data + "Loop", "a link, not followed", data + "Loop (a link, not followed)"},
      {"a data folder that does not exist", "Quorix", dir.Path("Quorix/Data"), "the data folder does not exist",
       "Quorix: the data folder " + dir.Path("Quorix/Data") + " does not exist"},
      {"a folder value that is no text", "Pylvex", valuePlace, kUnreadable, kUnreadable},
  };
  if (!fileLink) rows.erase(rows.begin());  // Wine shows a link to a file as the file itself

  const Packed packed = Collect(plan);
  ASSERT_EQ(packed.done.leftOut.size(), rows.size());
  EXPECT_EQ(packed.done.nothingFound, "");
  const Json& products = packed.manifest["products"];
  ASSERT_EQ(products.size(), 3u);
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].what);
    const LeftOutItem& item = packed.done.leftOut[i];
    EXPECT_EQ(item.path, rows[i].path);
    EXPECT_EQ(item.reason, rows[i].reason);
    EXPECT_EQ(item.line, rows[i].line);
    const Json* product = nullptr;
    for (const Json& each : products)
      if (each["name"] == rows[i].product) product = &each;
    ASSERT_NE(product, nullptr);
    const Json listed = {{"path", rows[i].path}, {"reason", rows[i].reason}};
    EXPECT_NE(std::find((*product)["leftOut"].begin(), (*product)["leftOut"].end(), listed),
              (*product)["leftOut"].end());
  }
  // A product not packed: its data folder as read, nothing packed, and one entry that says why.
  EXPECT_EQ(products[1]["dataFolder"], dir.Path("Quorix/Data"));
  EXPECT_EQ(products[2]["dataFolder"], "");
  for (size_t i : {1, 2}) {
    EXPECT_EQ(products[i]["volumes"], Json::array());
    EXPECT_EQ(products[i]["files"], Json::array());
  }
  EXPECT_EQ(products[0]["files"].size(), 1u) << "only a.txt is packed";
  EXPECT_EQ(packed.manifest["totals"]["leftOut"], rows.size());

  // With nothing installed, Data.zip holds the manifest alone and the run says so.
  const Packed nothing = Collect(GetDataPlan{plan.tempFolder, {}, {}});
  EXPECT_EQ(nothing.done.nothingFound, "no product is installed for the user someone");
  EXPECT_EQ(nothing.manifest["products"], Json::array());
}

// A file whose attributes share no bit with the archive writer's default set (a backup cleared
// its archive bit) was in neither Data.zip nor the manifest: Get Data now takes every file.
TEST(GetDataLeftOut, NoFileIsPassedOverForItsAttributes) {
  constexpr uint32_t kEncrypted = 0x4000, kSparse = 0x200, kTemporary = 0x100, kOffline = 0x1000,
                     kRecallOnDataAccess = 0x400000;
  for (const uint32_t attributes : {kEncrypted, kSparse | kTemporary, kOffline, kRecallOnDataAccess}) {
    SCOPED_TRACE(attributes);
    EXPECT_FALSE(zip::AttributesQualify(attributes, zip::kDefaultSearchAttr));
    EXPECT_TRUE(zip::AttributesQualify(attributes, kGetDataAttributes));
  }
}

}  // namespace
}  // namespace tavisto::delivery
