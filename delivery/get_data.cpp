#include "delivery/get_data.h"

#include "delivery/add_files.h"
#include "delivery/archive_questions.h"
#include "delivery/data_room.h"
#include "delivery/scoped_event.h"
#include "delivery/volume_set.h"
#include "lookups/known_folders.h"
#include "lookups/sibling_products.h"
#include "os/disk_space.h"
#include "os/errors.h"
#include "os/files.h"

namespace tavisto::delivery {
namespace {

using lookups::SiblingProduct;

constexpr char kLockName[] = "Tavisto Get Data";
constexpr char kRemoved[] = "The files Get Data had written are removed";

Error Stopped(const std::string& why) { return Error("Get Data was stopped: " + why + ". " + kRemoved); }

Error NameTaken(const std::string& path) {
  return Error("Get Data cannot write " + path +
               ": a file of that name is already there, and Get Data replaces no file it did not write. Move or "
               "rename that file, then run Get Data again");
}

// One run: where it writes, what it measured, and every name it created a file under.
struct Run {
  Run(const GetDataPlan& runPlan, const GetDataCheck& runCheck, os::ProgressSink& runProgress)
      : plan(runPlan), check(runCheck), progress(runProgress) {}
  const GetDataPlan& plan;
  const GetDataCheck& check;
  os::ProgressSink& progress;
  std::string volumeFolder;
  FileJournal* journal = nullptr;
  std::string folder;                // the run's own folder
  std::vector<std::string> written;  // every name a file of this run was created under
  std::vector<OwnedFile> volumes;    // of the closed archives, as they were closed
  std::vector<zip::LeftOutFile> leftOut;
  std::string needed;  // what the archive being written needs, for a disk that fills up
};

bool Packs(const Run& run, const ProductSlot& slot) {
  return run.plan.dataPaths[static_cast<size_t>(slot.product)].has_value();
}

const DataSize& DataOf(const Run& run, const ProductSlot& slot) {
  return run.check.data[static_cast<size_t>(slot.product)];
}

// Where the volumes go: the base folder, else (no product gives one) the temporary folder,
// in a folder of the run's own there.
std::string VolumeFolder(const GetDataPlan& plan) { return plan.baseFolder.empty() ? plan.tempFolder : plan.baseFolder; }

// Packs one product's Data folder. Each volume is created new and journaled before the writer
// puts anything in it; a name that a file not of ours took meanwhile stops the run.
void PackProduct(ProductSlot& slot, Run& run) {
  zip::TArchiver& archiver = slot.archiver;
  // A run that failed part-way left its archive open; settings cannot change on an open one.
  archiver.CloseArchive();
  archiver.SetFileName(run.volumeFolder + slot.known.archiveFile);
  // The data folder is used exactly as stored: "Data" is joined without a separator.
  archiver.SetBaseDir(*run.plan.dataPaths[static_cast<size_t>(slot.product)] + "Data");
  archiver.SetTempDir(run.folder);  // scratch files in our own folder
  zip::TArcSpanningOptions& spanning = archiver.SpanningOptions();
  spanning.SetVolumeSize(zip::vsCustom);
  spanning.SetCustomVolumeSize(kProductVolumeSize);
  spanning.SetFirstVolumeSize(kProductVolumeSize);
  const bool advanced = slot.product == SiblingProduct::Voyra;
  spanning.SetAdvancedNaming(advanced);
  archiver.SetSpanningMode(zip::smSplitting);
  InstallArchiveQuestions(archiver);

  const std::string data = std::string(" the ") + slot.known.name + " data";
  run.progress.BeginStage("Packing" + data);
  run.needed = std::string("the ") + slot.known.name + " data comes to " + SizeText(DataOf(run, slot).bytes) +
               " before compression";
  run.journal->ExpectName(archiver.FileName());
  run.written.push_back(archiver.FileName());
  std::string taken, full;
  std::exception_ptr failure;
  // The writer replaces and deletes no file: a name taken by a file not of ours stops the run
  // before the volume is made, and each volume it makes is journaled before it holds a byte.
  archiver.SetReplaceExisting(false);
  const ScopedEvent ask(archiver.OnRequestBlankVolume, zip::TArcRequestBlankVolumeEvent(
      [&](zip::TBaseArchiver&, int32_t, std::string& name, bool& cancel) {
        if (os::FileAttributes(name) == os::kInvalidAttributes) return;
        if (run.journal->IsOurs(name) && os::RemoveFile(name)) return;  // an earlier try of this run
        taken = name;
        cancel = true;
      }));
  const ScopedEvent claim(archiver.OnVolumeCreated, zip::TArcVolumeCreatedEvent(
      [&](zip::TBaseArchiver&, int32_t, const std::string& name) {
        run.written.push_back(name);
        try {
          run.journal->RecordCreated(name);
        } catch (...) {
          failure = std::current_exception();
          throw;
        }
      }));
  try {
    {
      // The first volume is made as the archive opens: a drive without room refuses it then.
      const ScopedEvent diskFull(archiver.OnDiskFull, zip::TArcDiskFullEvent(
          [&full](zip::TBaseArchiver&, int32_t, const std::string& name, bool& cancel) {
            full = name;
            cancel = true;
          }));
      archiver.OpenArchive(zip::kCreateMode);
    }
    AddFilesWatched(archiver, "*.*", "packing" + data, run.progress);
  } catch (...) {
    archiver.CloseArchive();
    if (failure) std::rethrow_exception(failure);
    if (!taken.empty()) throw NameTaken(taken);
    if (!full.empty()) throw DiskFullError(full);
    throw;
  }
  run.leftOut.insert(run.leftOut.end(), archiver.LeftOut().begin(), archiver.LeftOut().end());
  archiver.CloseArchive();
  // The archive itself says how many volumes it has; each must be one this run created.
  try {
    for (OwnedFile& volume : ClosedVolumes(archiver.FileName(), advanced)) {
      if (!run.journal->IsOurs(volume.path)) throw Error("the volume " + volume.path + " was replaced by another file");
      run.volumes.push_back(std::move(volume));
    }
  } catch (const Error& error) {
    throw Stopped(error.what());
  }
}

void CheckVolumes(const Run& run) {
  for (const OwnedFile& volume : run.volumes)
    if (const auto problem = VolumeProblem(volume)) throw Stopped(*problem);
}

// Data.zip takes exactly the volumes this run wrote, named one by one (never found by a
// sweep, which would also take the customer's own archives and stale volumes of an earlier
// run), stored at its top level. They are deflated already: stored entries cost no second
// deflate and lose almost nothing in size. Each volume is checked as it was closed before
// Data.zip takes it and after, so that Data.zip holds every volume, whole.
std::string BuildDataZip(zip::TArchiver& dataZip, Run& run) {
  CheckVolumes(run);
  const std::string path = run.folder + "Data.zip";
  std::vector<uint64_t> sizes;
  std::vector<std::string> names;
  for (const OwnedFile& volume : run.volumes) {
    sizes.push_back(static_cast<uint64_t>(volume.state.size));
    names.push_back(volume.path.substr(run.volumeFolder.size()));
  }
  const uint64_t bytes = StoredArchiveBytes(sizes, names);
  run.needed = "Data.zip needs " + SizeText(bytes);
  if (const auto refusal = RoomShortfall({{"Data.zip", run.folder, bytes}}, os::FreeDiskSpace))
    throw Error(*refusal + " " + kRemoved);

  run.progress.BeginStage("Building Data.zip");
  if (!run.journal->CreateNew(path)) throw NameTaken(path);
  run.written.push_back(path);
  dataZip.CloseArchive();
  dataZip.SetFileName(path);
  dataZip.SetBaseDir(run.volumeFolder);
  dataZip.SetTempDir(run.folder);
  dataZip.SetCompressionLevel(zip::clNone);
  // A volume that cannot be read is no question for the user: Data.zip without it is no
  // Data.zip to send.
  std::string unread;
  const ScopedEvent failed(dataZip.OnProcessFileFailure, zip::TArcProcessFileFailureEvent(
      [&unread](zip::TBaseArchiver&, const std::string& name, zip::Operation, int32_t, int32_t,
                const std::string& message, zip::FailureAction& action) {
        if (unread.empty()) unread = "the volume " + name + " cannot be read (" + message + ")";
        action = zip::FailureAction::Abort;
      }));
  dataZip.OpenArchive(zip::kCreateMode);
  // Each absolute file name is a mask of its own that names that one file.
  std::vector<std::string> masks;
  for (const OwnedFile& volume : run.volumes) masks.push_back(volume.path);
  dataZip.FileMasks() = masks;
  try {
    if (!masks.empty()) AddFilesWatched(dataZip, "", "building Data.zip", run.progress);
  } catch (...) {
    dataZip.FileMasks().clear();
    if (!unread.empty()) throw Stopped(unread);
    throw;
  }
  dataZip.FileMasks().clear();
  if (!dataZip.LeftOut().empty()) {
    const zip::LeftOutFile& missing = dataZip.LeftOut().front();
    throw Stopped(missing.path + " could not be packed into Data.zip (" + missing.reason + ")");
  }
  const int32_t entries = dataZip.EntryCount();
  dataZip.CloseArchive();
  CheckVolumes(run);
  if (entries != static_cast<int32_t>(run.volumes.size()))
    throw Stopped("Data.zip took " + std::to_string(entries) + " of the " + std::to_string(run.volumes.size()) +
                  " volumes");
  return path;
}

// The message for a disk that filled up, once the run's files are gone again: the place, its
// free space now, and what the archive needed.
Error DiskFullMessage(const DiskFullError& error, const Run& run) {
  const std::string& file = error.File();
  const auto slash = file.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? file : file.substr(0, slash + 1);
  const auto free = os::FreeDiskSpace(folder);
  return Error(std::string(error.what()) + ": " + folder + " has " + (free ? SizeText(*free) : "little") +
               " free, and " + run.needed + ". " + kRemoved);
}

}  // namespace

GetDataCheck CheckGetData(const GetDataPlan& plan) {
  if (plan.tempFolder.empty()) throw Error("Get Data cannot tell where the temporary folder is");
  GetDataCheck check;
  // Nobody else runs Get Data now: whatever journals no window holds are those of killed runs.
  check.adoptFolder = SweepAbandonedJournals(OwnFolder(plan.tempFolder));
  const std::string volumeFolder = VolumeFolder(plan);
  DataSize all;
  for (SiblingProduct product : lookups::kAllProducts) {
    const auto& dataPath = plan.dataPaths[static_cast<size_t>(product)];
    if (!dataPath) continue;
    DataSize& data = check.data[static_cast<size_t>(product)];
    data = MeasureData(*dataPath + "Data");
    all += data;
    // Without a base folder the volumes go to a new folder of ours: no name there is taken.
    if (plan.baseFolder.empty()) continue;
    const std::string archive = volumeFolder + lookups::Describe(product).archiveFile;
    const bool advanced = product == SiblingProduct::Voyra;
    if (os::FileAttributes(archive) != os::kInvalidAttributes) throw NameTaken(archive);
    const int32_t mostVolumes = MostVolumes(data, kProductVolumeSize);
    for (int32_t index = 0; index < mostVolumes; ++index) {
      const std::string volume = zip::VolumeFileName(archive, index, advanced);
      if (os::FileAttributes(volume) != os::kInvalidAttributes) throw NameTaken(volume);
    }
  }
  // The volumes, then Data.zip beside them, which holds them all.
  const uint64_t least = LeastArchiveBytes(all);
  std::vector<RoomNeed> needs;
  if (plan.baseFolder.empty() || OnOneDrive(volumeFolder, plan.tempFolder)) {
    needs.push_back({"the data's archives and Data.zip", plan.tempFolder, 2 * least});
  } else {
    needs.push_back({"the data's archives", volumeFolder, least});
    needs.push_back({"Data.zip", plan.tempFolder, least});
  }
  if (const auto refusal = RoomShortfall(needs, os::FreeDiskSpace))
    throw Error(*refusal + " Get Data has written nothing");
  return check;
}

std::optional<os::InstanceLock> TakeGetDataLock() { return os::InstanceLock::TryTake(kLockName); }

bool IsPacked(SiblingProduct product) {
  return product == SiblingProduct::Quorix ? lookups::HasProductData(product) : lookups::IsProductInstalled(product);
}

GetDataPlan PlanGetData() {
  GetDataPlan plan;
  plan.tempFolder = lookups::GetTempFolder();
  plan.desktopFolder = lookups::GetSpecialFolderPath(lookups::kCsidlDesktop);
  plan.baseFolder = lookups::GetProductsBaseFolder();
  for (SiblingProduct product : lookups::kAllProducts)
    if (IsPacked(product))
      plan.dataPaths[static_cast<size_t>(product)] = lookups::ReadProductValue(product, lookups::kAppDataPathValue);
  return plan;
}

std::string EndMessage(const std::vector<zip::LeftOutFile>& leftOut) {
  if (leftOut.empty()) return "Finished";
  constexpr size_t kNamed = 5;
  std::string text = "Finished, but " + std::to_string(leftOut.size()) +
                     (leftOut.size() == 1 ? " file was" : " files were") + " left out of Data.zip:";
  for (size_t i = 0; i < leftOut.size() && i < kNamed; ++i)
    text += "\r\n" + leftOut[i].path;
  if (leftOut.size() > kNamed) text += "\r\nand " + std::to_string(leftOut.size() - kNamed) + " more.";
  return text;
}

CollectedData CollectData(const GetDataPlan& plan, const GetDataCheck& check, ProductTable& products,
                          zip::TArchiver& dataZip, FileJournal& journal, os::ProgressSink& progress) {
  Run run(plan, check, progress);
  run.journal = &journal;
  if (check.adoptFolder) journal.AdoptFolder();
  run.folder = journal.CreateFolder(OwnFolder(plan.tempFolder) + "Get Data ");
  // Without a base folder (no product, or MultiQrx alone) the archives would land in whatever
  // folder the program was started from: the run's own folder holds them instead.
  run.volumeFolder = plan.baseFolder.empty() ? run.folder : plan.baseFolder;
  CollectedData result;
  try {
    for (ProductSlot& slot : products) {
      if (!Packs(run, slot)) continue;
      progress.ThrowIfStopped();
      PackProduct(slot, run);
    }
    progress.ThrowIfStopped();
    result.dataZip.path = BuildDataZip(dataZip, run);
  } catch (...) {
    for (ProductSlot& slot : products) slot.archiver.CloseArchive();
    dataZip.CloseArchive();
    for (const std::string& file : run.written) (void)run.journal->RemoveIfOurs(file);
    run.journal->RemoveFolderIfOurs(run.folder);
    try {
      throw;
    } catch (const DiskFullError& error) {
      throw DiskFullMessage(error, run);
    }
  }
  for (const OwnedFile& volume : run.volumes) (void)run.journal->RemoveIfOurs(volume.path);
  const auto state = os::StateOf(result.dataZip.path);
  if (!state) throw Stopped("Data.zip is no longer there");
  result.dataZip.state = *state;
  result.folder = run.folder;
  result.leftOut = std::move(run.leftOut);
  return result;
}

}  // namespace tavisto::delivery
