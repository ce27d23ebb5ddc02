// The manifest as received: Get Data's own shape read whole, anything else refused whole.
#include "intake/received_manifest.h"

#include <gtest/gtest.h>

namespace tavisto::intake {
namespace {

// A manifest of Get Data's shape, with a product that was not packed; `file` replaces its one
// file element and `totals` its totals.
std::string Manifest(const std::string& file, const std::string& totals = R"("files": 1, "bytes": 5, "leftOut": 1)") {
  return R"({ "manifest": 1, "tool": { "name": "Tavisto", "version": "1.6.4.0" },
    "run": { "started": "2026-12-09T07:15:46Z", "finished": "2026-12-09T07:16:02Z", "utcOffsetMinutes": 60,
             "computer": "PC", "user": "u" },
    "products": [ { "name": "Zorvel", "dataFolder": "C:\\Z\\Data",
        "volumes": [ { "name": "ZorvelData.zip", "bytes": 99, "sha256": ")" + std::string(64, 'a') + R"(" } ],
        "files": [ )" + file + R"( ], "leftOut": [] },
      { "name": "Voyra", "dataFolder": "", "volumes": [], "files": [],
        "leftOut": [ { "path": "C:\\V\\Data", "reason": "the data folder is missing" } ] } ],
    "totals": { )" + totals + " } }";
}

const std::string kFile = R"({ "name": "logs/CS.log", "bytes": 5, "modified": "2026-12-09T03:25:17Z",
    "crc32": "0a1b2c3d", "sha256": ")" + std::string(64, 'f') + "\" }";

TEST(ReceivedManifest, GetDataShapeIsReadWithAProductThatWasNotPacked) {
  const ReceivedManifest manifest = ReadManifest(Manifest(kFile));
  ASSERT_EQ(manifest.products.size(), 2u);
  const ReceivedFile& file = manifest.products[0].files.at(0);
  EXPECT_EQ(file.name, "logs/CS.log");
  EXPECT_EQ(file.crc32, 0x0a1b2c3du);
  EXPECT_EQ(file.sha256[31], 0xff);
  EXPECT_EQ(file.modified, ParseIsoUtc("2026-12-09T03:25:17Z"));
  EXPECT_EQ(manifest.products[1].leftOut.at(0).reason, "the data folder is missing");
  EXPECT_TRUE(manifest.products[1].volumes.empty());
  // 1970-01-01 is 11,644,473,600 seconds after 1601-01-01, the file time's epoch.
  EXPECT_EQ(ParseIsoUtc("1970-01-01T00:00:00Z")->ticks, 116444736000000000LL);
}

TEST(ReceivedManifest, AnythingElseIsRefusedWhole) {
  const std::pair<std::string, const char*> cases[] = {
      {"{ not json", "parse error"},
      {Manifest(kFile).replace(Manifest(kFile).find("\"manifest\": 1"), 13, "\"manifest\": 2"), "not one Tavisto knows"},
      {Manifest(R"({ "name": "a", "bytes": "5", "modified": "2026-12-09T03:25:17Z", "crc32": "0a1b2c3d", "sha256": ")" +
                std::string(64, 'f') + "\" }"), "bytes is not a count"},
      {Manifest(R"({ "name": "a", "bytes": 5, "modified": "yesterday", "crc32": "0a1b2c3d", "sha256": ")" +
                std::string(64, 'f') + "\" }"), "not a UTC time"},
      {Manifest(R"({ "name": "a", "bytes": 5, "modified": "2026-12-09T03:25:17Z", "crc32": "0A1B2C3", "sha256": ")" +
                std::string(64, 'f') + "\" }"), "hexadecimal"},
      {Manifest(kFile, R"("files": 2, "bytes": 5, "leftOut": 1)"), "totals do not match"},
      {Manifest(kFile + "," + kFile, R"("files": 2, "bytes": 10, "leftOut": 1)"), "listed before"},
      {"[1, 2]", "not an object"},
  };
  for (const auto& [text, phrase] : cases) {
    try {
      (void)ReadManifest(text);
      ADD_FAILURE() << "read: " << text;
    } catch (const ManifestError& error) {
      EXPECT_EQ(std::string(error.what()).rfind("manifest.json cannot be read: ", 0), 0u);
      EXPECT_NE(std::string(error.what()).find(phrase), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace tavisto::intake
