// "Get Data": each detected product's Data folder packed into its own split archive in the
// products' base folder, exactly those volumes stored in Data.zip in the temporary folder, and
// the volumes removed again.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "delivery/product_table.h"
#include "lookups/sibling_product.h"
#include "os/progress.h"
#include "zip/archiver.h"

namespace tavisto::delivery {

// The program's volume size: 4097152 bytes (0x3E8480), not 4 MiB.
inline constexpr int64_t kProductVolumeSize = 4097152;

// What Get Data looks up before it packs anything: the folders it works in and, for each
// product it packs, the data folder it read (nothing for a product it leaves out).
struct GetDataPlan {
  std::string tempFolder;     // ends in a backslash
  std::string desktopFolder;  // no trailing backslash
  std::string baseFolder;     // ends in a backslash, or "" when no product gives one
  std::array<std::optional<std::string>, 5> dataPaths;  // by SiblingProduct
};

// What a finished Get Data found.
struct CollectedData {
  std::string dataZip;                      // the Data.zip it built
  std::vector<zip::LeftOutFile> leftOut;    // data files the products' archives left out
};

// The lookups of a run, made before anything is written.
[[nodiscard]] GetDataPlan PlanGetData();

// The Data.zip a run builds in the temporary folder (ending in a backslash).
[[nodiscard]] std::string DataZipPath(const std::string& tempFolder);

// How Get Data ends when it finishes: "Finished", or what it had to leave out.
[[nodiscard]] std::string EndMessage(const std::vector<zip::LeftOutFile>& leftOut);

// Packs the products of the plan with their archivers in the table, in product order, builds
// Data.zip with dataZip, and deletes the volume files this run wrote (never other archives
// that happen to lie in the base folder). Without a base folder (no product, or MultiQrx alone)
// the volumes go to a folder of our own in the temporary folder, removed afterwards; with no
// product Data.zip is empty. Each stage is shown through progress, which may stop the run
// (os::Cancelled). A run that does not finish, stopped or failed, removes every file it wrote,
// its Data.zip included, and raises; files it did not write stay as they were. A Data.zip that
// could not take every volume is such a failure.
[[nodiscard]] CollectedData CollectData(const GetDataPlan& plan, ProductTable& products, zip::TArchiver& dataZip,
                                        os::ProgressSink& progress);

// Whether Get Data packs the product: Quorix when it has a data folder, the others when installed.
[[nodiscard]] bool IsPacked(lookups::SiblingProduct product);

}  // namespace tavisto::delivery
