// The component's lifecycle (open, update, commit, close) and the per-entry work of a commit.
#include "zip/archiver.h"

#include <algorithm>

#include "os/codepage.h"
#include "os/dialogs.h"
#include "os/disk_space.h"
#include "os/errors.h"
#include "os/file_time.h"
#include "os/files.h"
#include "os/temp_file.h"
#include "zip/path_rules.h"
#include "zip/records.h"
#include "zip/scan.h"

namespace tavisto::zip {
namespace {

constexpr int32_t kErrorBadCompressionMode = 5;
constexpr int32_t kErrorEntryNotInRollback = 7;
constexpr int32_t kErrorBlankFileNameOnUpdate = 9;
constexpr int32_t kErrorBlankFileName = 10;
constexpr int32_t kErrorArchiveMissing = 12;
constexpr int32_t kErrorNotOpen = 13;
constexpr int32_t kErrorCustomStreamSplit = 30;
constexpr int32_t kErrorReadOnlyArchive = 32;
constexpr int32_t kErrorCannotOpenSource = 33;
constexpr int32_t kErrorSizeMismatch = 34;
constexpr int32_t kErrorDataNeedsZip64 = 41;
constexpr int32_t kErrorSourceNeedsZip64 = 43;
constexpr int32_t kErrorVolumeCancelled = 45;
constexpr int32_t kErrorCannotPlace = 46;
constexpr int32_t kErrorSplitHasEntries = 52;
constexpr int32_t kErrorPathTooLong = 61;
constexpr int32_t kErrorSecondSplitUpdate = 62;

// Paths of this length or more need the "\\?\" form on Windows.
constexpr size_t kMaxPath = 260;
// Unchanged entries and saved archive tails are copied in pieces of this size.
constexpr size_t kCopyChunk = 1000000;
// The version text: 4.04 and an empty edition.
constexpr int kVersionHundredths = 404;
// DOS dates count years from 1980; entries dated after 2099 get date and time 0.
constexpr unsigned kLastDosYear = 2099 - 1980;

constexpr uint8_t kModeForLevel[] = {0, 1, 6, 9};

unsigned ShareFor(TArcFileShareMode mode) {
  switch (mode) {
    case smShareCompat:
    case smShareExclusive: return os::kShareNone;
    case smShareDenyWrite: return os::kShareRead;
    case smShareDenyRead: return os::kShareWrite;
    case smShareDenyNone: return os::kShareAll;
  }
  return os::kShareAll;
}

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

// A scratch file that is closed and deleted whatever happens.
struct ScratchFile {
  std::string path;
  os::File file;
  ScratchFile() = default;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile() {
    file.Close();
    if (!path.empty()) (void)os::RemoveFile(path);
  }
};

}  // namespace

// The host of one entry's data: progress events and where the chunks go.
class TBaseArchiver::EntryHost final : public EntryPipeline::Host {
 public:
  EntryHost(TBaseArchiver& archiver, const std::string& fileName, Operation operation, uint64_t listedSize)
      : archiver_(archiver), fileName_(fileName), operation_(operation), listedSize_(listedSize) {}

  bool ChunkProgress(uint64_t consumed, uint64_t /*size*/) override {
    const double filePercent = listedSize_ ? double(consumed) * 100.0 / double(listedSize_) : 0.0;
    if (archiver_.DoFileProgress(fileName_, filePercent, operation_, ProgressPhase::Running)) return false;
    const double overall = archiver_.totalBytes_
                               ? double(archiver_.finishedBytes_ + consumed) * 100.0 / double(archiver_.totalBytes_)
                               : 50.0;
    return !archiver_.DoOverallProgress(overall, Operation::Add, ProgressPhase::Running);
  }

  bool WriteChunk(const unsigned char* data, size_t count) override { return archiver_.WriteChunk(data, count); }

 private:
  TBaseArchiver& archiver_;
  const std::string& fileName_;
  Operation operation_;
  uint64_t listedSize_;
};

TBaseArchiver::TBaseArchiver(std::string name) : name_(std::move(name)) {}

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
    writer_ = std::make_unique<VolumeWriter>(volumeHost_, fileName_, spanningOptions_, spanningMode_);
  } else {
    writer_ = std::make_unique<VolumeWriter>(FileStream::Create(fileName_));
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

  BeginUpdate();
  try {
    {
      std::lock_guard<std::recursive_mutex> lock(ScanLock());
      const std::string base = ExpandPath(baseDir_);
      scanFolders_ = MaskFolders{base, base};
      settings.folders = scanFolders_;
      Scanner scanner(settings, [this](const std::string& path, const os::DirEntry& entry, bool isFolder) {
        RecordFoundEntry(path, entry, isFolder);
      });
      try {
        for (const std::string& each : masks) scanner.ScanFolder(base, each, options_.Recurse);
      } catch (...) {
        scanFolders_ = MaskFolders{};
        throw;
      }
      scanFolders_ = MaskFolders{};
    }
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
  if (isFolder) return;
  if (entry.size >= kMax32) {
    // Flagged here; the commit refuses the entry, since this writer keeps 32-bit sizes.
    item.zip64Needed = true;
    item.central.uncompressedSize = kMax32;
    item.uncompressedSize64 = entry.size;
  } else {
    item.central.uncompressedSize = static_cast<uint32_t>(entry.size);
  }
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
  item.central.nameLength = static_cast<uint16_t>(std::min<size_t>(stored.size(), kMax16));
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
  item.compressionMode = compressionMode_;
  item.zip64Needed = false;
  item.uncompressedSize64 = 0;
  item.compressedSize64 = 0;
  item.localHeaderOffset64 = 0;
  item.diskNumber32 = 0;
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
    leftOut_.clear();
    leftOutFiles_.clear();
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
  if (updateCount_ <= 0) return;
  updateCount_ = 0;
  // Entries that a failed scan recorded were never written: they must not reach a central
  // directory written later (by CloseArchive, for one).
  RestoreDirectory();
}

void TBaseArchiver::RestoreDirectory() {
  if (manager_) manager_->current = manager_->rollback;
}

int32_t TBaseArchiver::FirstChangedPosition() {
  const TArcDirArray& current = manager_->current;
  const TArcDirArray& rollback = manager_->rollback;
  const int32_t common = std::min(current.Count(), rollback.Count());
  for (int32_t i = 0; i < common; ++i) {
    const TDirItem& item = current.Item(i);
    if (item.modified || item.storedName != rollback.Item(i).storedName) return i;
  }
  return common;
}

void TBaseArchiver::Stop(UpdateOutcome why) {
  // The first reason is the one the caller hears: a cancel that follows a refused write is
  // part of the full disk.
  if (!abort_) outcome_ = why;
  abort_ = true;
}

void TBaseArchiver::NoteLeftOut(const std::string& path, const std::string& reason, int64_t order) {
  for (const LeftOutEntry& each : leftOut_)
    if (each.file.path == path) return;
  leftOut_.push_back({LeftOutFile{path, reason}, order});
}

void TBaseArchiver::SortLeftOut() {
  std::stable_sort(leftOut_.begin(), leftOut_.end(),
                   [](const LeftOutEntry& a, const LeftOutEntry& b) { return a.order < b.order; });
  leftOutFiles_.clear();
  for (const LeftOutEntry& each : leftOut_) leftOutFiles_.push_back(each.file);
}

void TBaseArchiver::CommitUpdate() {
  updateCount_ = 0;
  abort_ = false;
  TArcDirArray& directory = manager_->current;
  TArcDirArray& rollback = manager_->rollback;
  totalBytes_ = 0;
  finishedBytes_ = 0;
  for (int32_t i = 0; i < directory.Count(); ++i)
    if (directory.Item(i).modified) totalBytes_ += directory.Item(i).ListedSize();

  const int32_t first = FirstChangedPosition();
  const DirectoryEnd previousEnd = manager_->end;
  const int64_t previousDirectoryOffset = manager_->directoryOffset;
  ArchivePosition rewrite{0, 0};
  ScratchFile saved;
  bool touched = false;

  // Puts the archive back as it was before this update.
  auto rollBack = [&]() {
    RestoreDirectory();
    manager_->end = previousEnd;
    manager_->directoryOffset = previousDirectoryOffset;
    if (!touched) return;
    writer_->CutBackTo(rewrite);
    if (saved.file.IsOpen()) {
      if (!saved.file.Seek(0)) throw StreamReadError();
      std::vector<char> buffer(kCopyChunk);
      for (;;) {
        const auto got = saved.file.Read(buffer.data(), buffer.size());
        if (!got) throw StreamReadError();
        if (*got == 0) break;
        writer_->Current().WriteAll(buffer.data(), *got);
      }
    } else {
      WriteCentralDirectory();
    }
    if (!writer_->Current().FlushBuffer()) throw StreamWriteError();
  };

  try {
    if (first < rollback.Count()) {
      // Entries from here on may move: keep the archive's tail to copy the unchanged ones back.
      rewrite.offset = rollback.Item(first).central.localHeaderOffset;
      const std::string folder = tempDir_.empty() ? os::SystemTempFolder() : tempDir_;
      auto path = os::CreateUniqueTempFile(folder, "FC");
      if (!path) throw FileCreateError(JoinPath(folder, "FC"));
      saved.path = *path;
      auto file = os::File::Open(saved.path, os::Access::ReadWrite, os::kShareNone, os::Disposition::OpenExisting);
      if (!file) throw FileOpenError(saved.path);
      saved.file = std::move(*file);
      ArchiveStream& archive = writer_->Current();
      archive.Seek(rewrite.offset);
      std::vector<char> buffer(kCopyChunk);
      for (;;) {
        const size_t got = archive.Read(buffer.data(), buffer.size());
        if (got == 0) break;
        const auto put = saved.file.Write(buffer.data(), got);
        if (!put || *put != got) throw StreamWriteError();
      }
    } else if (rollback.Count() == 0) {
      rewrite.offset = manager_->stubSize;
    } else {
      rewrite.offset = previousDirectoryOffset;  // the update only appends
    }

    if (DoOverallProgress(0, Operation::Add, ProgressPhase::Begin)) Stop(UpdateOutcome::Cancelled);
    touched = true;
    writer_->CutBackTo(rewrite);

    int32_t removed = 0;  // entries skipped and removed so far: scan order is i + removed
    for (int32_t i = first; i < directory.Count() && !abort_;) {
      TDirItem& item = directory.Item(i);
      if (!item.modified) {
        CopyUnchanged(item, RollbackItem(item.storedName), saved.file, rewrite.offset);
        ++i;
        continue;
      }
      FailureAction action = FailureAction::Abort;
      bool written = false;
      do {
        written = WriteEntry(i, action);
      } while (!written && !abort_ && action == FailureAction::Retry);
      if (written) {
        ++i;
        continue;
      }
      if (abort_ || action == FailureAction::Abort) {
        Stop(UpdateOutcome::Aborted);
        break;
      }
      // Skipped: the host left the file out; a new entry leaves the directory, a replaced one
      // keeps its old data.
      NoteLeftOut(directory.Item(i).source, lastFailure_, i + removed);
      if (directory.Item(i).action == EntryAction::New) {
        ++removed;
        directory.Delete(i);
        continue;
      }
      const TDirItem& old = RollbackItem(directory.Item(i).storedName);
      directory.CopyItem(i, old);
      CopyUnchanged(directory.Item(i), old, saved.file, rewrite.offset);
      ++i;
    }
    // What the buffer still holds is entry data: a full disk here is handled like one met
    // while writing it.
    while (!abort_ && !writer_->Current().FlushBuffer())
      if (DoDiskFull(0, fileName_)) Stop(UpdateOutcome::DiskFull);
    if (abort_) {
      rollBack();
      SortLeftOut();
      return;
    }
    WriteCentralDirectory();
    if (!writer_->Current().FlushBuffer()) throw StreamWriteError();
  } catch (...) {
    try {
      rollBack();
    } catch (...) {
      // The first failure is the one to report.
    }
    SortLeftOut();
    throw;
  }
  SortLeftOut();
  DoOverallProgress(100, Operation::Add, ProgressPhase::End);
  if (options_.FlushBuffers && writer_->Current().IsFile()) writer_->Current().FlushToDisk();
}

const TDirItem& TBaseArchiver::RollbackItem(const std::string& storedName) {
  const int32_t index = manager_->rollback.IndexOf(storedName);
  if (index < 0) throw EArchiveError(kErrorEntryNotInRollback, name_);
  return manager_->rollback.Item(index);
}

void TBaseArchiver::CopyUnchanged(TDirItem& item, const TDirItem& old, os::File& saved, int64_t rewritePoint) {
  if (!saved.IsOpen()) throw EArchiveError(kErrorEntryNotInRollback, name_);
  const int64_t from = int64_t(old.central.localHeaderOffset) - rewritePoint;
  unsigned char header[kLocalHeaderSize];
  if (!saved.Seek(from)) throw StreamReadError();
  const auto got = saved.Read(header, sizeof header);
  if (!got || *got != sizeof header) throw StreamReadError();
  const uint64_t nameLength = header[26] | (header[27] << 8);
  const uint64_t extraLength = header[28] | (header[29] << 8);
  uint64_t remaining = kLocalHeaderSize + nameLength + extraLength + old.central.compressedSize;
  if (!saved.Seek(from)) throw StreamReadError();

  const ArchivePosition here = writer_->Here();
  std::vector<unsigned char> buffer(static_cast<size_t>(std::min<uint64_t>(remaining, kCopyChunk)));
  while (remaining > 0 && !abort_) {
    const size_t part = static_cast<size_t>(std::min<uint64_t>(remaining, buffer.size()));
    const auto read = saved.Read(buffer.data(), part);
    if (!read || *read != part) throw StreamReadError();
    if (!WriteChunk(buffer.data(), part)) return;
    remaining -= part;
  }
  item.central.localHeaderOffset = static_cast<uint32_t>(here.offset);
  item.central.diskNumberStart = static_cast<uint16_t>(here.volume);
}

bool TBaseArchiver::WriteEntry(int32_t index, FailureAction& action) {
  TDirItem& item = manager_->current.Item(index);
  const Operation operation = item.action == EntryAction::Replace ? Operation::Replace : Operation::Add;
  const std::string eventName = operation == Operation::Replace ? item.storedName : item.source;
  if (DoFileProgress(eventName, 0, operation, ProgressPhase::Begin)) {
    Stop(UpdateOutcome::Cancelled);
    return false;
  }
  item.zip64Needed = false;
  const ArchivePosition start = writer_->Here();
  std::optional<os::File> source;
  try {
    uint64_t size = 0;
    if (!item.IsFolder()) {
      if (item.source.size() >= kMaxPath && item.source.find("\\\\?\\") == std::string::npos)
        throw EArchiveError(kErrorPathTooLong, name_, {item.source});
      source = os::File::Open(item.source, os::Access::Read, ShareFor(options_.ShareMode),
                              os::Disposition::OpenExisting);
      if (!source) throw EArchiveError(kErrorCannotOpenSource, name_, {item.source});
      size = static_cast<uint64_t>(source->Size().value_or(0));
      if (size >= kMax32) {
        item.zip64Needed = true;
        throw EArchiveError(kErrorSourceNeedsZip64, name_, {item.source});
      }
    }
    // Offsets are 32-bit here: an entry that would start beyond them is refused like one too
    // large, before any byte of it is written.
    if (start.offset >= int64_t(kMax32)) throw EArchiveError(kErrorSourceNeedsZip64, name_, {item.source});

    item.central.crc = item.IsFolder() ? 0 : kCrcPlaceholder;
    item.central.compressedSize = 0;
    item.central.uncompressedSize = static_cast<uint32_t>(size);
    const std::string name = EncodedName(item.storedName);
    item.central.nameLength = static_cast<uint16_t>(std::min<size_t>(name.size(), kMax16));
    std::string header;
    AppendHeader(header, HeaderKind::Local, item.central);
    header += name;
    // A local header is never cut: in a split archive it starts the next volume when the room
    // left is too small.
    ArchivePosition headerAt = writer_->Here();
    if (writer_->IsSplit()) {
      const auto placed = writer_->PlaceWhole(header);
      if (!placed) throw EArchiveError(kErrorCannotPlace, name_);
      headerAt = *placed;
    } else if (!WriteChunk(reinterpret_cast<const unsigned char*>(header.data()), header.size())) {
      return false;
    }
    item.central.localHeaderOffset = static_cast<uint32_t>(headerAt.offset);
    item.central.diskNumberStart = static_cast<uint16_t>(headerAt.volume);

    if (source) {
      WriteEntryData(item, *source, size, headerAt, operation);
      if (abort_) return false;
      source->Close();
    }
    item.central.versionMadeBy = item.central.versionNeeded;
  } catch (const EArchiveError& error) {
    source.reset();
    // Nothing of a failed entry stays behind: a retry or the next entry starts where it began.
    writer_->CutBackTo(start);
    lastFailure_ = error.what();
    action = DoProcessFileFailure(eventName, operation, error);
    return false;
  }
  DoFileProgress(eventName, 100, operation, ProgressPhase::End);
  return true;
}

void TBaseArchiver::WriteEntryData(TDirItem& item, os::File& source, uint64_t size, ArchivePosition header,
                                   Operation operation) {
  const std::string eventName = operation == Operation::Replace ? item.storedName : item.source;
  EntryHost host(*this, eventName, operation, item.ListedSize());
  const EntryResult result =
      pipeline_.CompressEntryData(source, size, item.compressionMode, item.central.method, host);
  finishedBytes_ += item.ListedSize();
  if (result.cancelled) {
    // A refused write has already said why; otherwise a progress handler cancelled.
    Stop(UpdateOutcome::Cancelled);
    return;
  }
  if (!result.complete)
    throw EArchiveError(kErrorSizeMismatch, name_,
                        {static_cast<int64_t>(result.sourceSize), static_cast<int64_t>(result.consumed)});
  if (result.produced >= kMax32 || result.sourceSize >= kMax32) {
    item.zip64Needed = true;
    throw EArchiveError(kErrorDataNeedsZip64, name_, {item.source});
  }
  // The next entry or the central directory must start below 4 GiB as well.
  if (writer_->Here().offset >= int64_t(kMax32))
    throw EArchiveError(kErrorSourceNeedsZip64, name_, {item.source});
  item.central.crc = result.crc;
  item.central.compressedSize = static_cast<uint32_t>(result.produced);
  item.central.uncompressedSize = static_cast<uint32_t>(result.sourceSize);
  item.central.method = result.method;
  std::string rewritten;
  AppendHeader(rewritten, HeaderKind::Local, item.central);
  writer_->Patch(header, rewritten);
}

bool TBaseArchiver::WriteChunk(const unsigned char* data, size_t count) {
  // Data of a split archive goes on into the next volumes; bytes that find no place at all
  // fail the entry.
  if (writer_->IsSplit()) {
    if (writer_->Place(data, count, kMayCut) != count) throw EArchiveError(kErrorCannotPlace, name_);
    return true;
  }
  for (;;) {
    const ArchivePosition before = writer_->Here();
    if (writer_->Place(data, count, kMayCut) == count) return true;
    if (DoDiskFull(0, fileName_)) {
      Stop(UpdateOutcome::DiskFull);
      return false;
    }
    writer_->Current().Seek(before.offset);
  }
}

std::string TBaseArchiver::EncodedName(const std::string& storedName) const {
  return options_.OEMFileNames ? os::ConvertToOem(storedName) : storedName;
}

void TBaseArchiver::WriteCentralDirectory() {
  TArcDirArray& directory = manager_->current;
  writer_->CutHere();
  // Where the first central record really lies: when it does not fit the room left in the
  // volume (or the entries' data ended right at its limit), that is the start of the next
  // volume, not the end of this one.
  ArchivePosition start = writer_->Here();
  uint64_t directorySize = 0;
  std::string record;
  for (int32_t i = 0; i < directory.Count(); ++i) {
    TDirItem& item = directory.Item(i);
    const std::string name = EncodedName(item.storedName);
    size_t extraLength = 0;
    for (const ExtraField& extra : item.extras) extraLength += 4 + extra.data.size();
    item.central.nameLength = static_cast<uint16_t>(std::min<size_t>(name.size(), kMax16));
    item.central.extraLength = static_cast<uint16_t>(std::min<size_t>(extraLength, kMax16));
    item.central.commentLength = static_cast<uint16_t>(std::min<size_t>(item.comment.size(), kMax16));
    record.clear();
    AppendHeader(record, HeaderKind::Central, item.central);
    record += name;
    for (const ExtraField& extra : item.extras) {
      AppendLe16(record, extra.id);
      AppendLe16(record, static_cast<uint16_t>(extra.data.size()));
      record += extra.data;
    }
    const auto placed = writer_->PlaceWhole(record);
    if (!placed) throw EArchiveError(kErrorCannotPlace, name_);
    if (i == 0) start = *placed;
    if (!item.comment.empty() &&
        writer_->Place(item.comment.data(), item.comment.size(), kMayCut) != item.comment.size())
      throw EArchiveError(kErrorCannotPlace, name_);
    directorySize += record.size() + item.comment.size();
  }
  DirectoryEnd end;
  end.entryCount = static_cast<uint64_t>(directory.Count());
  end.directorySize = directorySize;
  end.startDisk = static_cast<uint32_t>(start.volume);
  end.startOffset = static_cast<uint64_t>(start.offset);
  const ArchivePosition here = writer_->Here();
  end.thisDisk = static_cast<uint32_t>(here.volume);
  end.endRecordsOffset = static_cast<uint64_t>(here.offset);
  // The end records go into the volume the directory ended in, whatever room it has left.
  writer_->WriteDirect(EndRecords(end));
  manager_->end = end;
  manager_->directoryOffset = start.offset;
  writer_->Finish();
}

int64_t TBaseArchiver::GetArchiveSize() {
  if (!active_) throw EArchiveError(kErrorNotOpen, name_);
  return writer_->Current().Size();
}

void TBaseArchiver::CloseArchive() noexcept {
  if (active_) {
    try {
      if (updateCount_ > 0) CommitUpdate();
      // A file that never got a commit still becomes a valid, empty archive.
      if (writer_ && writer_->Current().Size() == 0) WriteCentralDirectory();
      if (writer_) (void)writer_->Current().FlushBuffer();
    } catch (...) {
      // Closing never fails; the file stays as far as it was written.
    }
    active_ = false;
  }
  writer_.reset();
  manager_.reset();
  pipeline_.Release();
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
  if (OnConfirmOverwrite) {
    OverwriteAnswer answer = OverwriteAnswer::No;
    OnConfirmOverwrite(*this, sourcePath, storedName, answer);
    return answer;
  }
  const std::string text = "Overwrite file \"" + storedName + "\" with \"" + sourcePath + "\"";
  return os::ShowDialog(text, os::DialogIcon::Question, {os::DialogAnswer::Yes, os::DialogAnswer::No}) ==
                 os::DialogAnswer::Yes
             ? OverwriteAnswer::Yes
             : OverwriteAnswer::No;
}

bool TBaseArchiver::DoConfirmProcessFile(const std::string& fileName, Operation operation) {
  bool confirm = true;
  if (OnConfirmProcessFile) OnConfirmProcessFile(*this, fileName, operation, confirm);
  return confirm;
}

FailureAction TBaseArchiver::DoProcessFileFailure(const std::string& fileName, Operation operation,
                                                  const EArchiveError& error) {
  if (OnProcessFileFailure) {
    FailureAction action = FailureAction::Abort;
    OnProcessFileFailure(*this, fileName, operation, error.Code(), error.MessageNumber(), error.what(), action);
    return action;
  }
  using os::DialogAnswer;
  if (error.Code() == kErrorVolumeCancelled) return FailureAction::Abort;
  if (error.Code() == kErrorPathTooLong) {
    const DialogAnswer answer =
        os::ShowDialog(error.what(), os::DialogIcon::Question, {DialogAnswer::Abort, DialogAnswer::Ignore});
    return answer == DialogAnswer::Ignore ? FailureAction::Skip : FailureAction::Abort;
  }
  const std::string text = std::string(error.what()) + ". File processing error, possibly disk is full";
  switch (os::ShowDialog(text, os::DialogIcon::Question,
                         {DialogAnswer::Abort, DialogAnswer::Retry, DialogAnswer::Ignore})) {
    case DialogAnswer::Retry: return FailureAction::Retry;
    case DialogAnswer::Ignore: return FailureAction::Skip;
    default: return FailureAction::Abort;
  }
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
