// "Get Data": each detected product's Data folder packed into its own split archive in the
// products' base folder, exactly those volumes stored in Data.zip in the temporary folder, and
// the volumes removed again.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "lookups/sibling_product.h"
#include "os/progress.h"
#include "zip/archiver.h"

namespace tavisto::delivery {

// The program's volume size: 4097152 bytes (0x3E8480), not 4 MiB.
inline constexpr int64_t kProductVolumeSize = 4097152;

// One product's archive writer and the window field that records its data folder.
struct ProductArchive {
  lookups::SiblingProduct product;
  zip::TArchiver& archiver;
  std::string& dataPath;
};

// The window's fields Get Data sets.
struct GetDataState {
  std::string& tempFolder;
  std::string& desktopFolder;
  std::string& baseFolder;
  std::vector<std::string>& volumeFiles;
};

// How Get Data ends when it finishes: "Finished", or what it had to leave out.
[[nodiscard]] std::string EndMessage(const std::vector<zip::LeftOutFile>& leftOut);

// Packs the products in the order given, builds TempFolder + "Data.zip" with dataZip, and
// deletes the volume files this run wrote (never other archives that happen to lie in the base
// folder). Without a base folder (no product, or MultiQrx alone) the volumes go to a folder of
// our own in the temporary folder, removed afterwards; with no product Data.zip is empty.
// Each stage is shown through progress, which may stop the run (os::Cancelled). A run that
// does not finish, stopped or failed, removes every file it wrote, its Data.zip included,
// and raises; files it did not write stay as they were. A Data.zip that could not take every
// volume is such a failure. Returns the data files the products' archives left out (held by
// another program and Ignored, unreadable), once each.
[[nodiscard]] std::vector<zip::LeftOutFile> CollectData(const std::array<ProductArchive, 5>& products, zip::TArchiver& dataZip, GetDataState& state,
                 os::ProgressSink& progress);

// Whether Get Data packs the product: Quorix when it has a data folder, the others when installed.
[[nodiscard]] bool IsPacked(lookups::SiblingProduct product);

}  // namespace tavisto::delivery
