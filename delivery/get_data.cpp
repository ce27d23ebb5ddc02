#include "delivery/get_data.h"

#include <map>

#include "delivery/manifest.h"
#include "delivery/scoped_event.h"
#include "delivery/update_watch.h"
#include "delivery/volume_set.h"
#include "os/disk_space.h"
#include "common/errors.h"
#include "common/path_parts.h"
#include "common/size_text.h"
#include "os/file_time.h"
#include "os/files.h"

namespace tavisto::delivery {
namespace {

using lookups::SiblingProduct;

constexpr char kRemoved[] = "The files Get Data had written are removed.";
constexpr char kManifestName[] = "manifest.json";

GetDataStopped Stopped(const std::string& why) { return GetDataStopped("Get Data was stopped: " + why + "."); }

// One run: where it writes, what it measured, and every name it created a file under.
struct Run {
  Run(const GetDataPlan& runPlan, const GetDataCheck& runCheck, Asker& runAsker, os::ProgressSink& runProgress)
      : plan(runPlan), check(runCheck), asker(runAsker), progress(runProgress) {}
  const GetDataPlan& plan;
  const GetDataCheck& check;
  Asker& asker;
  os::ProgressSink& progress;
  FileJournal* journal = nullptr;
  std::string folder;  // the run's own folder, where the volumes and Data.zip are written
  // The writers' scratch files (and the manifest's), in a folder of their own: what they make
  // and the system removes changes nothing in the run's folder.
  std::string scratch;
  std::vector<std::string> written;  // every name a file of this run was created under
  std::vector<OwnedFile> volumes;    // of the closed archives, as they were closed
  std::vector<size_t> volumeProduct;  // by volume, the manifest's index of its product
  std::vector<LeftOutItem> leftOut;
  std::string needed;  // what the archive being written needs, for a disk that fills up
  uint64_t neededBytes = 0;
  uint64_t manifestBytes = 0;  // the most the manifest can come to, for Data.zip's room
};

const DataSize& DataOf(const Run& run, const ProductSlot& slot) {
  return run.check.data[static_cast<size_t>(slot.product)];
}

// The most bytes of manifest.json that what a product's archive holds can take: every name
// escaped at its longest (six bytes a byte), the fixed keys and figures of each element.
uint64_t ManifestBytesFor(const DataSize& data, size_t leftOut, size_t volumes) {
  constexpr uint64_t kPerFile = 320, kPerVolume = 220, kPerLeftOut = 480, kPerProduct = 512;
  return kPerProduct + data.entries * kPerFile + 6 * data.nameBytes + volumes * kPerVolume + leftOut * kPerLeftOut;
}

// Packs one product's Data folder into the run's own folder, its files told to the manifest as
// they are written. Each volume is created new and journaled before the writer puts anything in
// it, and recorded as it was closed.
void PackProduct(ProductSlot& slot, Run& run, ManifestWriter& manifest) {
  zip::TArchiver& archiver = slot.archiver;
  // A run that failed part-way left its archive open; settings cannot change on an open one.
  archiver.CloseArchive();
  archiver.SetFileName(run.folder + slot.known.archiveFile);
  // The data folder is used exactly as stored: "Data" is joined without a separator.
  const std::string dataFolder = *run.plan.dataPaths[static_cast<size_t>(slot.product)] + "Data";
  archiver.SetBaseDir(dataFolder);
  archiver.SetTempDir(run.scratch);
  zip::TArcSpanningOptions& spanning = archiver.SpanningOptions();
  spanning.SetVolumeSize(zip::vsCustom);
  spanning.SetCustomVolumeSize(kProductVolumeSize);
  spanning.SetFirstVolumeSize(kProductVolumeSize);
  spanning.SetAdvancedNaming(slot.known.advancedNaming);
  archiver.SetSpanningMode(zip::smSplitting);
  archiver.SetDigests(true);

  const std::string data = std::string("the ") + slot.known.name + " data";
  run.progress.BeginStage("Packing " + data);
  run.needed = data + " comes to " + SizeText(DataOf(run, slot).bytes, SizeStyle::Exact) + " before compression";
  run.neededBytes = DataOf(run, slot).bytes;
  const size_t product = manifest.BeginProduct(slot.known.name, dataFolder);
  // The last volume takes the archive's name as the archive closes.
  run.journal->ExpectName(archiver.FileName());
  run.written.push_back(archiver.FileName());

  UpdateWatch watch(archiver, run.progress, run.asker, "packing " + data);
  // The writer replaces and deletes no file: a name taken by a file not of ours (in the run's
  // own folder, only ever an earlier try of this run) stops the run before the volume is made,
  // and each volume it makes is journaled before it holds a byte.
  archiver.SetReplaceExisting(false);
  const ScopedEvent ask(archiver.OnRequestBlankVolume, zip::TArcRequestBlankVolumeEvent(
      [&](zip::TBaseArchiver&, int32_t, std::string& name, bool& cancel) {
        if (os::FileAttributes(name) == os::kInvalidAttributes) return;
        if (run.journal->IsOurs(name) && run.journal->RemoveIfOurs(name)) return;  // an earlier try of this run
        watch.Note(name + " is not a file Tavisto wrote, and Tavisto replaces no other file");
        cancel = true;
      }));
  const ScopedEvent claim(archiver.OnVolumeCreated, zip::TArcVolumeCreatedEvent(
      [&](zip::TBaseArchiver&, int32_t, const std::string& name) {
        run.written.push_back(name);
        try {
          run.journal->RecordCreated(name);
        } catch (...) {
          watch.NoteError(std::current_exception());
          throw;
        }
      }));
  const ScopedEvent listed(archiver.OnEntryWritten, zip::TArcEntryWrittenEvent(
      [&manifest](zip::TBaseArchiver&, const zip::TArcWrittenEntry& entry) { manifest.AddEntry(entry); }));
  try {
    watch.Open();
    watch.AddFiles("*.*");
  } catch (...) {
    archiver.CloseArchive();
    throw;
  }
  // Each source the archive did not take, with its reason, in the manifest and the result alike.
  const auto leftOut = [&](const zip::LeftOutFile& file, const std::string& answer) {
    const std::string reason = LeftOutReason(file, answer);
    manifest.AddLeftOut(product, file.path, reason);
    run.leftOut.push_back({file.path, reason, file.path + " (" + reason + ")"});
  };
  for (const zip::LeftOutFile& file : archiver.LeftOut()) leftOut(file, run.asker.LeftOutAnswer(file));
  for (const zip::LeftOutFile& link : archiver.LinksNotFollowed()) leftOut(link, "");
  run.manifestBytes += ManifestBytesFor(DataOf(run, slot), archiver.LeftOut().size() + archiver.LinksNotFollowed().size(),
                                        0);
  archiver.CloseArchive();
  // The archive itself says how many volumes it has; each must be one this run created, and
  // from now on it is ours only as it is now.
  std::vector<OwnedFile> closed;
  try {
    closed = ClosedVolumes(archiver.FileName(), slot.known.advancedNaming);
  } catch (const Error& error) {
    throw Stopped(error.what());
  }
  for (const OwnedFile& volume : closed) {
    if (!run.journal->IsOurs(volume.path)) throw Stopped("the volume " + volume.path + " was replaced by another file");
    run.volumes.push_back(run.journal->RecordDone(volume.path));
    run.volumeProduct.push_back(product);
  }
  run.manifestBytes += ManifestBytesFor({}, 0, closed.size());
}

void CheckVolumes(const Run& run) {
  for (const OwnedFile& volume : run.volumes)
    if (const auto problem = VolumeProblem(volume)) throw Stopped(*problem);
}

// A volume that cannot be read is no question for the user: Data.zip without it is no Data.zip
// to send.
class VolumesMustBeRead : public Asker {
 public:
  explicit VolumesMustBeRead(UpdateWatch*& watch) : watch_(watch) {}
  zip::FailureAction AnswerFileProblem(const FileProblem& problem) override {
    watch_->Note("the volume " + problem.file + " cannot be read (" + problem.message + ")");
    return zip::FailureAction::Abort;
  }
  [[nodiscard]] std::string LeftOutAnswer(const zip::LeftOutFile&) const override { return ""; }
  bool MailLargeDataZip(int64_t) override { return false; }

 private:
  UpdateWatch*& watch_;
};

// Data.zip takes exactly the volumes this run wrote, named one by one (never found by a
// sweep, which would also take the customer's own archives and stale volumes of an earlier
// run), stored at its top level, and then the manifest, which names their checksums as
// Data.zip's own reading of them gave them. The volumes are deflated already: stored entries
// cost no second deflate and lose almost nothing in size. Each volume is checked as it was
// closed before Data.zip takes it and after, so that Data.zip holds every volume, whole.
std::string BuildDataZip(zip::TArchiver& dataZip, Run& run, ManifestWriter& manifest, const ManifestRun& facts) {
  CheckVolumes(run);
  const std::string path = run.folder + "Data.zip";
  std::vector<uint64_t> sizes;
  std::vector<std::string> names;
  for (const OwnedFile& volume : run.volumes) {
    sizes.push_back(static_cast<uint64_t>(volume.state.size));
    names.push_back(volume.path.substr(run.folder.size()));
  }
  sizes.push_back(run.manifestBytes);
  names.push_back(kManifestName);
  const uint64_t bytes = StoredArchiveBytes(sizes, names);
  run.needed = "Data.zip needs " + SizeText(bytes, SizeStyle::Exact);
  run.neededBytes = bytes;
  if (const auto refusal = RoomShortfall({{"Data.zip", run.folder, bytes}}, os::FreeDiskSpace))
    throw GetDataStopped(*refusal);

  run.progress.BeginStage("Building Data.zip");
  if (!run.journal->CreateNew(path)) throw Stopped(path + " is not a file Tavisto wrote");
  run.written.push_back(path);
  dataZip.CloseArchive();
  dataZip.SetFileName(path);
  dataZip.SetBaseDir(run.folder);
  dataZip.SetTempDir(run.scratch);
  dataZip.SetCompressionLevel(zip::clNone);
  dataZip.SetDigests(true);
  std::map<std::string, size_t> productOf;  // by stored name
  for (size_t i = 0; i < names.size() - 1; ++i) productOf[names[i]] = run.volumeProduct[i];
  const ScopedEvent listed(dataZip.OnEntryWritten, zip::TArcEntryWrittenEvent(
      [&](zip::TBaseArchiver&, const zip::TArcWrittenEntry& entry) {
        const auto product = productOf.find(entry.storedName);
        if (product != productOf.end() && entry.sha256)
          manifest.AddVolume(product->second, {entry.storedName, entry.size, *entry.sha256});
      }));
  UpdateWatch* current = nullptr;
  VolumesMustBeRead volumesMustBeRead(current);
  UpdateWatch watch(dataZip, run.progress, volumesMustBeRead, "building Data.zip");
  current = &watch;
  watch.Open();
  // Each absolute file name is a mask of its own that names that one file.
  std::vector<std::string> masks;
  for (const OwnedFile& volume : run.volumes) masks.push_back(volume.path);
  dataZip.FileMasks() = masks;
  try {
    if (!masks.empty()) watch.AddFiles("");
  } catch (...) {
    dataZip.FileMasks().clear();
    throw;
  }
  dataZip.FileMasks().clear();
  if (!dataZip.LeftOut().empty()) {
    const zip::LeftOutFile& missing = dataZip.LeftOut().front();
    throw Stopped(missing.path + " could not be packed into Data.zip (" + missing.reason + ")");
  }

  // The manifest, the last entry: written whole beside the volumes, then added.
  const std::string manifestPath = run.folder + kManifestName;
  if (!run.journal->CreateNew(manifestPath)) throw Stopped(manifestPath + " is not a file Tavisto wrote");
  run.written.push_back(manifestPath);
  ManifestRun finished = facts;
  finished.finished = os::CurrentFileTime();
  manifest.Write(finished, manifestPath);
  (void)run.journal->RecordDone(manifestPath);
  watch.AddFiles(manifestPath);
  const int32_t entries = dataZip.EntryCount();
  dataZip.CloseArchive();
  CheckVolumes(run);
  if (entries != static_cast<int32_t>(run.volumes.size()) + 1)
    throw Stopped("Data.zip took " + std::to_string(entries) + " entries for the " + std::to_string(run.volumes.size()) +
                  " volumes and the manifest");
  (void)run.journal->RemoveIfOurs(manifestPath);
  return path;
}

// The message for a disk that filled up, once the run's files are gone again: the place, its
// free space now, and what the archive needed. A drive that reports more room than was needed
// (a quota, a smaller drive mounted inside it) is only said to be full: its figure would
// contradict the message.
std::string DiskFullMessage(const DiskFullError& error, const Run& run) {
  const std::string folder = FolderPrefixOf(error.File());
  const auto free = os::FreeDiskSpace(folder);
  if (free && *free < run.neededBytes)
    return std::string(error.what()) + ": " + folder + " has " + SizeText(*free, SizeStyle::Exact) + " free, and " + run.needed + ".";
  return std::string(error.what()) + ": the disk that holds " + folder + " is full, and " + run.needed + ".";
}

// A product's data folder that is not there to pack, and why; nothing when it is a folder.
std::optional<ProductLeftOut> DataFolderMissing(SiblingProduct product, const std::string& dataPath) {
  // The value is used exactly as stored: "Data" is joined without a separator.
  const std::string folder = dataPath + "Data";
  if (os::DirectoryExists(folder)) return std::nullopt;
  const std::string name = lookups::Describe(product).name;
  if (dataPath.empty())
    return ProductLeftOut{"", RegistryValuePlace(product, lookups::kAppDataPathValue),
                          "its data folder is not set (AppDataPath is empty)",
                          name + ": its data folder is not set (AppDataPath is empty)"};
  const std::string is = os::FileExists(folder) ? "is a file, not a folder" : "does not exist";
  return ProductLeftOut{folder, folder, "the data folder " + is, name + ": the data folder " + folder + " " + is};
}

}  // namespace

GetDataCheck CheckGetData(const GetDataPlan& plan) {
  if (plan.tempFolder.empty()) throw Error("Get Data cannot tell where the temporary folder is");
  if (!os::DirectoryExists(plan.tempFolder))
    throw Error("Get Data cannot use the temporary folder " + plan.tempFolder + " (the path does not exist)");
  GetDataCheck check;
  // Nobody else runs Get Data now: whatever journals no window holds are those of killed runs.
  SweepAbandonedJournals(OwnFolder(plan.tempFolder));
  DataSize all;
  for (SiblingProduct product : lookups::kAllProducts) {
    const size_t index = static_cast<size_t>(product);
    check.leftOut[index] = plan.unreadable[index];
    if (!plan.dataPaths[index] || check.leftOut[index]) continue;
    if (auto missing = DataFolderMissing(product, *plan.dataPaths[index])) {
      check.leftOut[index] = std::move(missing);
      continue;
    }
    DataSize& data = check.data[index];
    data = MeasureData(*plan.dataPaths[index] + "Data");
    all += data;
  }
  // The volumes, then Data.zip beside them, which holds them all, in the run's own folder.
  const uint64_t least = LeastArchiveBytes(all);
  if (const auto refusal =
          RoomShortfall({{"the data's archives and Data.zip", plan.tempFolder, 2 * least}}, os::FreeDiskSpace))
    throw Error(*refusal + " Get Data has written nothing");
  return check;
}

std::string RegistryValuePlace(SiblingProduct product, const std::string& valueName) {
  return std::string("HKEY_CURRENT_USER\\") + lookups::Describe(product).registryKey + "\\" + valueName;
}

bool GetDataCheck::Packs(const GetDataPlan& plan, SiblingProduct product) const {
  const size_t index = static_cast<size_t>(product);
  return plan.dataPaths[index] && !leftOut[index];
}

CollectedData CollectData(const GetDataPlan& plan, const GetDataCheck& check, ProductTable& products,
                          zip::TArchiver& dataZip, FileJournal& journal, Asker& asker, os::ProgressSink& progress,
                          const RunFacts& facts) {
  ManifestRun runFacts{facts.toolVersion, os::CurrentFileTime(), {}, os::CurrentUtcOffsetMinutes(), facts.computer,
                       facts.user};
  Run run(plan, check, asker, progress);
  run.journal = &journal;
  run.folder = journal.CreateFolder(OwnFolder(plan.tempFolder) + "Get Data ");
  CollectedData result;
  try {
    run.scratch = journal.CreateFolder(run.folder + "Scratch ");
    ManifestWriter manifest(run.scratch);
    bool anyProduct = false;
    for (ProductSlot& slot : products) {
      if (const auto& notPacked = check.leftOut[static_cast<size_t>(slot.product)]) {
        // In the manifest all the same, with no volume and no file, and why.
        const size_t product = manifest.BeginProduct(slot.known.name, notPacked->dataFolder);
        manifest.AddLeftOut(product, notPacked->path, notPacked->reason);
        run.leftOut.push_back({notPacked->path, notPacked->reason, notPacked->line});
        anyProduct = true;
        continue;
      }
      if (!check.Packs(plan, slot.product)) continue;
      anyProduct = true;
      progress.ThrowIfStopped();
      PackProduct(slot, run, manifest);
    }
    if (!anyProduct) result.nothingFound = "no product is installed for the user " + facts.user;
    progress.ThrowIfStopped();
    result.dataZip.path = BuildDataZip(dataZip, run, manifest, runFacts);
  } catch (...) {
    for (ProductSlot& slot : products) slot.archiver.CloseArchive();
    dataZip.CloseArchive();
    std::string left;  // a file of the run that could not be removed
    for (const std::string& file : run.written)
      if (!run.journal->RemoveIfOurs(file) && left.empty()) left = file;
    run.journal->RemoveFolderIfOurs(run.folder);
    const std::string removed =
        left.empty() ? std::string(kRemoved)
                     : "Get Data could not remove " + left +
                           " yet (another program holds it); Tavisto removes it when it next starts.";
    try {
      throw;
    } catch (const DiskFullError& error) {
      throw Error(DiskFullMessage(error, run) + " " + removed);
    } catch (const GetDataStopped& error) {
      throw Error(std::string(error.what()) + " " + removed);
    }
  }
  for (const OwnedFile& volume : run.volumes) (void)run.journal->RemoveIfOurs(volume.path);
  run.journal->RemoveFolderIfOurs(run.scratch);
  if (!os::StateOf(result.dataZip.path)) throw Stopped("Data.zip is no longer there");
  result.dataZip = run.journal->RecordDone(result.dataZip.path);
  result.folder = run.folder;
  result.leftOut = std::move(run.leftOut);
  return result;
}

}  // namespace tavisto::delivery
