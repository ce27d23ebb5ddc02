// The component's properties and lifecycle (open, update, close), the entries a scan records,
// and the events with their default answers. The commit itself is a Commit of its own.
#include "zip/archiver.h"

#include <algorithm>

#include "os/dir_listing.h"
#include "os/disk_space.h"
#include "common/errors.h"
#include "os/file_time.h"
#include "os/files.h"
#include "os/os_error.h"
#include "zip/archive_stream.h"
#include "zip/directory.h"
#include "zip/entry_pipeline.h"
#include "zip/internal/central_directory.h"
#include "zip/internal/commit.h"
#include "zip/internal/entry_feed.h"
#include "zip/internal/left_out.h"
#include "zip/parallel_deflate.h"
#include "zip/path_rules.h"
#include "zip/records.h"
#include "zip/scan.h"
#include "zip/volume_writer.h"

namespace tavisto::zip {
namespace {

// The version text: 4.04 and an empty edition.
constexpr int kVersionHundredths = 404;
// DOS dates count years from 1980; entries dated after 2099 get date and time 0.
constexpr unsigned kLastDosYear = 2099 - 1980;

constexpr uint8_t kModeForLevel[] = {0, 1, 6, 9};

TArcCompressionLevel LevelForMode(uint8_t mode) {
  if (mode == 0) return clNone;
  if (mode <= 3) return clFastest;
  if (mode <= 6) return clNormal;
  return clMax;
}

// The DOS date-time an entry gets: the file's last write in local time; for a folder, or when
// the time cannot be had, the current local time; 0 outside the years 1980 to 2099.
os::DosDateTime EntryTime(const os::DirEntry& entry, bool isFolder) {
  std::optional<os::DosDateTime> dos;
  if (!isFolder) dos = os::LocalDosDateTime(entry.lastWrite);
  if (!dos) dos = os::CurrentLocalDosDateTime();
  if ((dos->date >> 9) > kLastDosYear) return os::DosDateTime{};
  return *dos;
}

}  // namespace

class TBaseArchiver::Answers final : public VolumeWriter::Host, public CommitHost {
 public:
  explicit Answers(TBaseArchiver& archiver) : archiver_(archiver) {}
  bool RequestBlankVolume(int32_t volumeNumber, std::string& volumeFileName) override {
    return archiver_.DoRequestBlankVolume(volumeNumber, volumeFileName);
  }
  bool VolumeDiskFull(int32_t volumeNumber, const std::string& volumeFileName) override {
    return archiver_.DoDiskFull(volumeNumber, volumeFileName);
  }
  void VolumeCreated(int32_t volumeNumber, const std::string& volumeFileName) override {
    if (archiver_.OnVolumeCreated) archiver_.OnVolumeCreated(archiver_, volumeNumber, volumeFileName);
  }
  std::optional<uint64_t> FreeSpaceFor(const std::string& path) override { return archiver_.FreeSpace(path); }
  const std::string& ComponentName() const override { return archiver_.name_; }

  bool OverallProgress(double percent, ProgressPhase phase) override {
    return archiver_.DoOverallProgress(percent, Operation::Add, phase);
  }
  bool FileProgress(const std::string& fileName, double percent, Operation operation, ProgressPhase phase) override {
    return archiver_.DoFileProgress(fileName, percent, operation, phase);
  }
  FailureAction FileFailure(const std::string& fileName, Operation operation, const EArchiveError& error) override {
    return archiver_.DoProcessFileFailure(fileName, operation, error);
  }
  bool DiskFull(int32_t volumeNumber, const std::string& volumeFileName) override {
    return archiver_.DoDiskFull(volumeNumber, volumeFileName);
  }
  void EntryWritten(const TArcWrittenEntry& entry) override {
    if (archiver_.OnEntryWritten) archiver_.OnEntryWritten(archiver_, entry);
  }

 private:
  TBaseArchiver& archiver_;
};

TBaseArchiver::TBaseArchiver(std::string name)
    : name_(std::move(name)),
      deflateThreads_(ParallelDeflate::WorkerCount()),
      leftOut_(std::make_unique<LeftOutList>()),
      answers_(std::make_unique<Answers>(*this)),
      pipeline_(std::make_unique<EntryPipeline>()) {}

void TBaseArchiver::SetDeflateThreads(unsigned count) {
  deflateThreads_ = count == 0 ? ParallelDeflate::WorkerCount() : count;
}

TBaseArchiver::~TBaseArchiver() { CloseArchive(); }

void TBaseArchiver::SetCompressionLevel(TArcCompressionLevel value) {
  compressionLevel_ = value;
  compressionMode_ = kModeForLevel[value];
  UpdateCompressionMethod();
}

void TBaseArchiver::SetCompressionMode(uint8_t value) {
  if (value > 9) throw EArchiveError(kErrorBadCompressionMode, name_);
  compressionMode_ = value;
  compressionLevel_ = LevelForMode(value);
  UpdateCompressionMethod();
}

std::string TBaseArchiver::CurrentVersion() const {
  // Written digit by digit: a locale's decimal comma must not show up in it.
  const int fraction = kVersionHundredths % 100;
  return std::to_string(kVersionHundredths / 100) + "." + char('0' + fraction / 10) +
         char('0' + fraction % 10) + " ";
}

void TBaseArchiver::SetSpanningMode(TArcSpanningMode value) {
  if (active_) throw Error("Cannot set spanning mode on open archive");
  spanningMode_ = value;
}

void TBaseArchiver::SetInMemory(bool value) {
  if (value) throw Error(name_ + ": In-memory archives are not supported");
}

int32_t TBaseArchiver::EntryCount() const { return manager_ ? manager_->current.Count() : 0; }

void TBaseArchiver::OpenArchive(uint16_t mode) {
  committedOnce_ = false;
  if (NamePart(fileName_).empty()) throw EArchiveError(kErrorBlankFileName, name_);
  if (mode != kCreateMode && !os::FileExists(fileName_) && spanningMode_ != smSpanning &&
      !os::IsRemovableDrive(fileName_))
    throw EArchiveError(kErrorArchiveMissing, name_, {fileName_});
  OpenNew(nullptr, mode);
}

void TBaseArchiver::OpenArchive(ArchiveStream& stream, uint16_t mode) {
  committedOnce_ = false;
  if (spanningMode_ != smNone) throw EArchiveError(kErrorCustomStreamSplit, name_);
  OpenNew(&stream, mode);
}

void TBaseArchiver::OpenNew(ArchiveStream* lent, uint16_t mode) {
  CloseArchive();
  if (mode != kCreateMode)
    throw Error(name_ + ": Existing archives cannot be opened; only new archives are created");
  if (spanningMode_ == smSpanning) throw Error(name_ + ": Spanning onto removable disks is not supported");
  customStream_ = lent != nullptr;
  openMode_ = mode;
  if (lent) {
    lent->Seek(0);
    lent->Truncate();
    writer_ = std::make_unique<VolumeWriter>(*lent);
  } else if (spanningMode_ == smSplitting) {
    // The first volume is created now, under its volume name.
    writer_ = std::make_unique<VolumeWriter>(*answers_, fileName_, spanningOptions_, spanningMode_, replaceExisting_);
  } else {
    writer_ = std::make_unique<VolumeWriter>(CreateArchiveFile(fileName_, replaceExisting_, name_));
  }
  manager_ = std::make_unique<TArcDirManager>();
  active_ = true;
  if (AfterOpen) AfterOpen(*this);
}

void TBaseArchiver::AddFiles(const std::string& mask, uint32_t attributes, const std::string& exclusionMask) {
  if (!active_) throw EArchiveError(kErrorNotOpen, name_);
  if (updateCount_ == 0 && manager_->current.Count() > 0 && spanningMode_ != smNone)
    throw EArchiveError(kErrorSplitHasEntries, name_);

  std::vector<std::string> masks;
  if (!mask.empty()) masks.push_back(mask);
  else masks = fileMasks_;
  ScanSettings settings;
  settings.attributes = attributes;
  if (!exclusionMask.empty()) settings.exclusions.push_back(exclusionMask);
  settings.exclusions.insert(settings.exclusions.end(), exclusionMasks_.begin(), exclusionMasks_.end());
  // The archive never takes itself, nor the volume it is writing.
  if (!customStream_ && !NamePart(fileName_).empty()) settings.exclusions.push_back(ExpandPath(fileName_));
  const std::string& volumeFile = writer_->CurrentName();
  if (!volumeFile.empty() && volumeFile != fileName_) settings.exclusions.push_back(ExpandPath(volumeFile));

  // When this call's own commit follows the scan, workers start on the files as they are found
  // (inside an update the caller opened, files may still change before it commits).
  const bool scanAhead = updateCount_ == 0 && deflateThreads_ > 1;
  BeginUpdate();
  try {
    // Scans of different archives may run at once: a scan touches nothing but its own archive.
    scanAhead_ = scanAhead;
    const std::string base = ExpandPath(baseDir_);
    scanFolders_ = MaskFolders{base, base};
    settings.folders = scanFolders_;
    Scanner scanner(
        settings,
        [this](const std::string& path, const os::DirEntry& entry, bool isFolder) {
          RecordFoundEntry(path, entry, isFolder);
        },
        [this](const std::string& folder, uint32_t error) {
          // Before the entry the scan would have recorded next (files get even places).
          leftOut_->Note(LeftOutFile{folder, os::ErrorText(error), LeftOutKind::Folder, 0, error},
                         2 * int64_t(manager_->current.Count()) - 1);
        },
        [this](const std::string& folder) {
          // After its own folder entry, when it has one.
          leftOut_->Note(LeftOutFile{folder, "a link, not followed", LeftOutKind::Link, 0, 0},
                         2 * int64_t(manager_->current.Count()) - 1);
        });
    try {
      for (const std::string& each : masks) scanner.ScanFolder(base, each, options_.Recurse);
    } catch (...) {
      scanFolders_ = MaskFolders{};
      scanAhead_ = false;
      throw;
    }
    scanFolders_ = MaskFolders{};
    scanAhead_ = false;
    EndUpdate();
  } catch (...) {
    CancelUpdate();
    throw;
  }
}

void TBaseArchiver::RecordFoundEntry(const std::string& path, const os::DirEntry& entry, bool isFolder) {
  if (!DoConfirmProcessFile(path, Operation::Add)) return;
  const int32_t index = UpdateDirItem(path, entry, isFolder);
  if (index < 0) return;
  TDirItem& item = manager_->current.Item(index);
  for (const std::string& mask : noCompressionMasks_) {
    if (NameMatchesMask(path, mask, isFolder, scanFolders_)) {
      item.compressionMode = 0;
      item.central.method = kMethodStored;
      break;
    }
  }
  if (!isFolder) {
    item.central.uncompressedSize = entry.size;
    item.listedSize = entry.size;
  }
  if (!scanAhead_ || !CompressedByWorkers(item)) return;
  if (index != manager_->current.Count() - 1) {
    // A file found again replaces its entry: the commit's files will not be the ones handed
    // out so far, so the workers stop here and the commit compresses everything itself.
    ahead_.reset();
    scanAhead_ = false;
    return;
  }
  if (!ahead_) ahead_ = std::make_unique<ParallelDeflate>(deflateThreads_, ScratchFolder());
  ahead_->Add(JobFor(item, options_.ShareMode, digests_));
}

int32_t TBaseArchiver::UpdateDirItem(const std::string& path, const os::DirEntry& entry, bool isFolder) {
  std::string stored = MakeStoredName(path, scanFolders_.baseDir, options_.StorePath);
  if (isFolder && !stored.empty() && stored.back() != '/') stored += '/';
  uint32_t attributes = entry.attributes;
  std::string comment;
  if (OnStoreFile) {
    // The host sees the name with "\" separators.
    std::replace(stored.begin(), stored.end(), '/', '\\');
    DoStoreFile(stored, attributes, comment, path);
    std::replace(stored.begin(), stored.end(), '\\', '/');
  }

  TArcDirArray& directory = manager_->current;
  int32_t index = directory.IndexOf(stored);
  if (index >= 0) {
    TDirItem& existing = directory.Item(index);
    bool replace = false;
    switch (options_.OverwriteMode) {
      case omPrompt: {
        const OverwriteAnswer answer = DoConfirmOverwrite(path, existing.storedName);
        if (answer == OverwriteAnswer::YesToAll) options_.OverwriteMode = omAlways;
        if (answer == OverwriteAnswer::NoToAll) options_.OverwriteMode = omNever;
        replace = answer == OverwriteAnswer::Yes || answer == OverwriteAnswer::YesToAll;
        break;
      }
      case omAlways: replace = true; break;
      case omNever: replace = false; break;
      case omIfNewer:
      case omIfOlder: {
        const uint32_t file = EntryTime(entry, isFolder).Packed();
        const uint32_t held = (uint32_t(existing.central.date) << 16) | existing.central.time;
        replace = options_.OverwriteMode == omIfNewer ? file > held : file < held;
        break;
      }
    }
    if (!replace) return -1;
    // An entry added earlier in this same update stays new: there is no old data to keep.
    const bool newInThisUpdate = existing.modified && existing.action == EntryAction::New;
    existing.action = newInThisUpdate ? EntryAction::New : EntryAction::Replace;
  } else {
    // Appended under its name, so the name index can take it without being rebuilt.
    TDirItem item;
    item.action = EntryAction::New;
    item.storedName = stored;
    directory.Append(std::move(item));
    index = directory.Count() - 1;
  }
  TDirItem& item = directory.Item(index);
  FillNewDirItem(item, path, entry, isFolder);
  const bool renamed = item.storedName != stored;
  item.storedName = stored;
  if (renamed) directory.NameChanged(index);
  item.central.externalAttributes = attributes;
  item.comment = comment;
  item.central.commentLength = static_cast<uint16_t>(std::min<size_t>(comment.size(), kMax16));
  item.extras.clear();
  return index;
}

void TBaseArchiver::FillNewDirItem(TDirItem& item, const std::string& path, const os::DirEntry& entry,
                                   bool isFolder) {
  const uint16_t version = options_.OEMFileNames ? kVersionOemNames : kVersionAnsiNames;
  const os::DosDateTime when = EntryTime(entry, isFolder);
  item.central = CentralFields{};
  item.central.versionMadeBy = version;
  item.central.versionNeeded = version;
  item.central.flags = password_.empty() ? 0 : kFlagEncrypted;
  item.central.method = methodWord_;
  item.central.time = when.time;
  item.central.date = when.date;
  item.central.crc = kCrcPlaceholder;
  item.modified = true;
  item.password = password_;
  item.source = path;
  item.lastWrite = entry.lastWrite;
  item.compressionMode = compressionMode_;
  if (isFolder) {
    item.central.method = kMethodStored;
    item.central.crc = 0;
    item.central.flags = kFlagFolder;
    item.compressionMode = 0;
  }
}

void TBaseArchiver::BeginUpdate() {
  if (spanningMode_ != smNone && committedOnce_) throw EArchiveError(kErrorSecondSplitUpdate);
  if (updateCount_ == 0) {
    if (!active_) {
      if (NamePart(fileName_).empty()) throw EArchiveError(kErrorBlankFileNameOnUpdate, name_);
      // Only new archives are written: an existing file is never taken over (nor emptied).
      if (os::FileExists(fileName_))
        throw Error(name_ + ": Existing archives cannot be opened; only new archives are created");
      OpenArchive(kCreateMode);
    }
    if ((openMode_ & 3) == 0 && !customStream_) throw EArchiveError(kErrorReadOnlyArchive, name_);
    TArcDirArray& directory = manager_->current;
    for (int32_t i = 0; i < directory.Count(); ++i) directory.Item(i).modified = false;
    manager_->rollback = directory;
    outcome_ = UpdateOutcome::Committed;
    leftOut_->Clear();
    leftOutFiles_.clear();
    linksNotFollowed_.clear();
  }
  ++updateCount_;
}

void TBaseArchiver::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (updateCount_ > 1) {
    --updateCount_;
    return;
  }
  committedOnce_ = true;
  CommitUpdate();
  if (spanningMode_ != smNone && openMode_ == kCreateMode) openMode_ = 0x22;  // read-write, deny write
}

void TBaseArchiver::CancelUpdate() {
  ahead_.reset();
  if (updateCount_ <= 0) return;
  updateCount_ = 0;
  // Entries that a failed scan recorded were never written: they must not reach a central
  // directory written later (by CloseArchive, for one).
  RestoreDirectory();
}

void TBaseArchiver::RestoreDirectory() {
  if (manager_) manager_->current = manager_->rollback;
}

void TBaseArchiver::CommitUpdate() {
  updateCount_ = 0;
  CommitSettings settings{name_, fileName_, options_, ScratchFolder(), deflateThreads_, digests_};
  Commit commit(*manager_, *writer_, *pipeline_, *answers_, *leftOut_, std::move(settings));
  try {
    commit.Run(std::move(ahead_));
  } catch (...) {
    outcome_ = commit.Outcome();
    leftOutFiles_ = leftOut_->InScanOrder(false);
    linksNotFollowed_ = leftOut_->InScanOrder(true);
    throw;
  }
  outcome_ = commit.Outcome();
  leftOutFiles_ = leftOut_->InScanOrder(false);
  linksNotFollowed_ = leftOut_->InScanOrder(true);
}

std::string TBaseArchiver::ScratchFolder() const { return tempDir_.empty() ? os::SystemTempFolder() : tempDir_; }

int64_t TBaseArchiver::GetArchiveSize() {
  if (!active_) throw EArchiveError(kErrorNotOpen, name_);
  return writer_->Current().Size();
}

void TBaseArchiver::CloseArchive() noexcept {
  if (active_) {
    try {
      if (updateCount_ > 0) CommitUpdate();
      // A file that never got a commit still becomes a valid, empty archive.
      // Without a volume (one removed under the writer could not be opened again) there is
      // nothing left to finish.
      if (writer_ && writer_->HasCurrent() && writer_->Current().Size() == 0)
        WriteCentralDirectory(*manager_, *writer_, options_.OEMFileNames, name_);
      if (writer_ && writer_->HasCurrent()) (void)writer_->Current().FlushBuffer();
    } catch (...) {
      // Closing never fails; the file stays as far as it was written.
    }
    active_ = false;
  }
  ahead_.reset();
  writer_.reset();
  manager_.reset();
  pipeline_->Release();
  updateCount_ = 0;
  customStream_ = false;
}

bool TBaseArchiver::DoOverallProgress(double progress, Operation operation, ProgressPhase phase) {
  bool cancel = false;
  if (OnOverallProgress) OnOverallProgress(*this, progress, operation, phase, cancel);
  return cancel;
}

bool TBaseArchiver::DoFileProgress(const std::string& fileName, double progress, Operation operation,
                                   ProgressPhase phase) {
  bool cancel = false;
  if (OnFileProgress) OnFileProgress(*this, fileName, progress, operation, phase, cancel);
  return cancel;
}

OverwriteAnswer TBaseArchiver::DoConfirmOverwrite(const std::string& sourcePath, const std::string& storedName) {
  // Without a handler the entry stays as it is: nothing is replaced that no one agreed to.
  OverwriteAnswer answer = OverwriteAnswer::No;
  if (OnConfirmOverwrite) OnConfirmOverwrite(*this, sourcePath, storedName, answer);
  return answer;
}

bool TBaseArchiver::DoConfirmProcessFile(const std::string& fileName, Operation operation) {
  bool confirm = true;
  if (OnConfirmProcessFile) OnConfirmProcessFile(*this, fileName, operation, confirm);
  return confirm;
}

FailureAction TBaseArchiver::DoProcessFileFailure(const std::string& fileName, Operation operation,
                                                  const EArchiveError& error) {
  // Without a handler the update stops and the archive goes back to what it was: leaving the
  // file out, or trying again, is the host's decision to make.
  FailureAction action = FailureAction::Abort;
  failureSystemError_ = error.SystemError();
  if (OnProcessFileFailure)
    OnProcessFileFailure(*this, fileName, operation, error.Code(), error.MessageNumber(), error.what(), action);
  failureSystemError_ = 0;
  return action;
}

bool TBaseArchiver::DoRequestBlankVolume(int32_t volumeNumber, std::string& volumeFileName) {
  bool cancel = false;
  if (OnRequestBlankVolume) OnRequestBlankVolume(*this, volumeNumber, volumeFileName, cancel);
  return cancel;
}

bool TBaseArchiver::DoDiskFull(int32_t volumeNumber, const std::string& volumeFileName) {
  // Without a handler a full disk cancels: only removable disks could be swapped.
  bool cancel = spanningMode_ != smSpanning;
  if (OnDiskFull) {
    try {
      OnDiskFull(*this, volumeNumber, volumeFileName, cancel);
    } catch (...) {
      // A failing handler does not change the answer.
    }
  }
  return cancel;
}

void TBaseArchiver::DoStoreFile(std::string& fileName, uint32_t& fileAttr, std::string& comment,
                                const std::string& originalFileName) {
  if (OnStoreFile) OnStoreFile(*this, fileName, fileAttr, comment, originalFileName);
}

std::optional<uint64_t> TBaseArchiver::FreeSpace(const std::string& path) { return os::FreeDiskSpace(path); }

TArchiver::TArchiver(std::string name) : TBaseArchiver(std::move(name)) {
  SetCompressionLevel(clFastest);
}

TArchiver::~TArchiver() { CloseArchive(); }

void TArchiver::SetPassword(const std::string& value) {
  if (!value.empty()) throw Error(Name() + ": Encrypted archives are not supported");
  if (password_.empty()) encryptionMethod_ = caPkzipClassic;
  password_ = value;
}

void TArchiver::UpdateCompressionMethod() { methodWord_ = CompressionMode() > 0 ? kMethodDeflated : kMethodStored; }

}  // namespace tavisto::zip
