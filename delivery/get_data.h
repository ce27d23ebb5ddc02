// "Get Data": each detected product's Data folder packed into its own split archive, exactly
// those volumes stored in Data.zip with manifest.json (what was packed, with checksums, and what
// was left out and why) as its last entry, all in a folder of the run's own in the program's
// folder in the temporary folder, and the volumes removed again. One run at a time for each
// user; every file a run writes is created new and journaled, so nothing of anyone else's is
// ever replaced or removed, and a run that was killed is cleaned up after by the next window.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "delivery/asker.h"
#include "delivery/data_room.h"
#include "delivery/own_files.h"
#include "delivery/product_table.h"
#include "lookups/sibling_product.h"
#include "os/instance_lock.h"
#include "os/progress.h"
#include "zip/archiver.h"

namespace tavisto::delivery {

// The program's volume size: 4097152 bytes (0x3E8480), not 4 MiB.
inline constexpr int64_t kProductVolumeSize = 4097152;

// What Get Data looks up before it packs anything: the folders it works in and, for each
// product it packs, the data folder it read (nothing for a product it leaves out).
struct GetDataPlan {
  std::string tempFolder;  // ends in a backslash
  std::array<std::optional<std::string>, 5> dataPaths;  // by SiblingProduct
};

// What a finished Get Data made.
struct CollectedData {
  OwnedFile dataZip;                      // the Data.zip it built, as it was built
  std::string folder;                     // the folder of ours that holds it
  std::vector<zip::LeftOutFile> leftOut;  // data files the products' archives left out
};

// Held while a run works: one run at a time for each user, whichever window started it.
// Nothing when another window's run holds it.
[[nodiscard]] std::optional<os::InstanceLock> TakeGetDataLock();
// What is said when another window's run holds the lock.
inline constexpr char kGetDataRunsElsewhere[] =
    "Get Data is already running in another Tavisto window. Let it finish, then run Get Data here again.";

// The lookups of a run, made before anything is written.
[[nodiscard]] GetDataPlan PlanGetData();

// How Get Data ends when it finishes: "Finished", or what it had to leave out.
[[nodiscard]] std::string EndMessage(const std::vector<zip::LeftOutFile>& leftOut);

// What Get Data finds before it writes anything, and what it does then: what killed runs of
// ours left behind is removed (only files their journals prove ours), the data is measured,
// and the run is refused (an Error saying why) when the temporary folder is missing or its
// drive plainly has too little room.
struct GetDataCheck {
  std::array<DataSize, 5> data{};  // by SiblingProduct, for the products packed
};
[[nodiscard]] GetDataCheck CheckGetData(const GetDataPlan& plan);

// What the manifest says of the machine and the program (the times it takes itself).
struct RunFacts {
  std::string toolVersion;  // the program's file version
  std::string computer;
  std::string user;  // UTF-8
};

// Packs the products of the plan with their archivers in the table, in product order, into a
// new folder of the run's own, builds Data.zip there with dataZip (the volumes, then
// manifest.json), and deletes the volume files this run wrote. Every file the run creates is
// recorded in journal before it holds anything, and as it was left once it is whole. The files
// the writers cannot process are put to asker. Each stage is shown through progress, which may
// stop the run (os::Cancelled). A run that does not finish, stopped or failed, removes every file
// it wrote (its manifest among them) and raises, saying whether they are gone; an earlier
// Data.zip and files it did not write stay as they were. A volume that vanished, changed or
// could not be read is such a failure, and names the volume; so is a disk that filled up.
[[nodiscard]] CollectedData CollectData(const GetDataPlan& plan, const GetDataCheck& check, ProductTable& products,
                                        zip::TArchiver& dataZip, FileJournal& journal, Asker& asker,
                                        os::ProgressSink& progress, const RunFacts& facts);

// Whether Get Data packs the product: Quorix when it has a data folder, the others when installed.
[[nodiscard]] bool IsPacked(lookups::SiblingProduct product);

}  // namespace tavisto::delivery
