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

// A product Get Data would pack and does not: what the manifest lists for it, and the line both
// faces show.
struct ProductLeftOut {
  std::string dataFolder;  // the folder it would pack, as read; "" when the value could not be read
  std::string path;        // where the cause is: the data folder, or the registry value's place
  std::string reason;      // "the data folder does not exist", or what is wrong with the value
  std::string line;        // "Zorvel: the data folder C:\...\Data does not exist"
};

// What Get Data looks up in the registry before it packs anything: the folders it works in and,
// for each product it packs, the data folder it read.
struct GetDataPlan {
  std::string tempFolder;  // ends in a backslash
  // By SiblingProduct: "AppDataPath" as read for each product Get Data packs (what the report's
  // CS.log sections read); nothing for a product it does not pack or whose value is unreadable.
  std::array<std::optional<std::string>, 5> dataPaths;
  // By SiblingProduct: a product whose folder value cannot be read ("AppPath" or "AppDataPath"
  // of another type than text), left out for that reason.
  std::array<std::optional<ProductLeftOut>, 5> unreadable;
};

// Something Get Data did not pack, as the manifest lists it (path, reason) and as both faces
// show it (line).
struct LeftOutItem {
  std::string path;
  std::string reason;
  std::string line;
};

// What a finished Get Data made.
struct CollectedData {
  OwnedFile dataZip;   // the Data.zip it built, as it was built
  std::string folder;  // the folder of ours that holds it
  // Everything it did not pack, in the manifest's order: products, data files, folders that
  // could not be read, links not followed.
  std::vector<LeftOutItem> leftOut;
  // "no product is installed for the user X" when it found no product to pack; else "".
  std::string nothingFound;
};

// Held while a run works: one run at a time for each user, whichever window or command line
// started it. A window also holds a mark that tells another run the holder is a window.
struct GetDataLock {
  os::InstanceLock lock;
  std::optional<os::InstanceLock> windowMark;
};
// Nothing when another run holds the lock.
[[nodiscard]] std::optional<GetDataLock> TakeGetDataLock(bool window);
// What is said when another run holds the lock, naming what holds it: a window, or a run from
// the command line.
[[nodiscard]] std::string GetDataRunsElsewhereText();
inline constexpr char kGetDataRunsInWindow[] =
    "Get Data is already running in another Tavisto window. Let it finish, then run Get Data here again.";
inline constexpr char kGetDataRunsUnattended[] =
    "Get Data is already running in another Tavisto run. Let it finish, then run Get Data here again.";

// Where a product's registry value is, as the manifest names it: its key under
// HKEY_CURRENT_USER, then the value's name.
[[nodiscard]] std::string RegistryValuePlace(lookups::SiblingProduct product, const std::string& valueName);

// The registry's part of a run, read before anything is written. Never raises for a value of
// the wrong type: that product is left out, saying why.
[[nodiscard]] GetDataPlan PlanGetData();

// What Get Data finds before it writes anything, and what it does then: what killed runs of
// ours left behind is removed (only files their journals prove ours), the products whose data
// folder is missing are noted, the data is measured, and the run is refused (an Error saying
// why) when the temporary folder is missing or its drive plainly has too little room.
struct GetDataCheck {
  std::array<DataSize, 5> data{};  // by SiblingProduct, for the products packed
  // By SiblingProduct: the products not packed (the plan's unreadable ones, and those whose data
  // folder does not exist), and why.
  std::array<std::optional<ProductLeftOut>, 5> leftOut;
  // Whether the product is packed.
  [[nodiscard]] bool Packs(const GetDataPlan& plan, lookups::SiblingProduct product) const;
};
[[nodiscard]] GetDataCheck CheckGetData(const GetDataPlan& plan);

// What the manifest says of the machine and the program (the times it takes itself).
struct RunFacts {
  std::string toolVersion;  // the program's file version
  std::string computer;
  std::string user;  // UTF-8
};

// Packs the products the check packs with their archivers in the table, in product order, into a
// new folder of the run's own, builds Data.zip there with dataZip (the volumes, then
// manifest.json), and deletes the volume files this run wrote. Every file the run creates is
// recorded in journal before it holds anything, and as it was left once it is whole. The files
// the writers cannot process are put to asker. Each stage is shown through progress, which may
// stop the run (os::Cancelled). A run that does not finish, stopped or failed, removes every file
// it wrote (its manifest among them) and raises, saying whether they are gone; an earlier
// Data.zip and files it did not write stay as they were. A volume that vanished, changed or
// could not be read is such a failure, and names the volume; so is a disk that filled up. What it
// does not pack (a product, a file) is in the manifest and the result, with its reason.
[[nodiscard]] CollectedData CollectData(const GetDataPlan& plan, const GetDataCheck& check, ProductTable& products,
                                        zip::TArchiver& dataZip, FileJournal& journal, Asker& asker,
                                        os::ProgressSink& progress, const RunFacts& facts);

}  // namespace tavisto::delivery
