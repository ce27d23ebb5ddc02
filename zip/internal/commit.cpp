// The commit's steps. Entries from the first changed one on are written again: new and replaced
// ones from their sources, unchanged ones copied back from the saved tail of the archive.
#include "zip/internal/commit.h"

#include <algorithm>
#include <vector>

#include "common/errors.h"
#include "os/files.h"
#include "os/os_error.h"
#include "os/sha256.h"
#include "zip/archive_stream.h"
#include "zip/directory.h"
#include "zip/internal/central_directory.h"
#include "zip/internal/entry_feed.h"
#include "zip/internal/left_out.h"
#include "zip/parallel_deflate.h"
#include "zip/path_rules.h"
#include "zip/scratch_file.h"

namespace tavisto::zip {
namespace {

// Unchanged entries and saved archive tails are copied in pieces of this size.
constexpr size_t kCopyChunk = 1000000;
constexpr uint64_t kWholeStream = UINT64_MAX;

// Copies length bytes (or up to the end, with kWholeStream) from read to write in pieces;
// read(buffer, n) returns the bytes it read (0 at the end), write(buffer, n) false when the
// bytes found no room. Returns false when write refused, and throws StreamReadError when the
// source ends early.
template <typename Read, typename Write>
bool CopyStream(Read&& read, Write&& write, uint64_t length) {
  std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(length, kCopyChunk)));
  while (length > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(length, buffer.size()));
    const size_t got = read(buffer.data(), want);
    if (got == 0) {
      if (length == kWholeStream) return true;
      throw StreamReadError();
    }
    if (!write(buffer.data(), got)) return false;
    if (length != kWholeStream) length -= got;
  }
  return true;
}

// Reads an os::File for CopyStream.
auto FileReader(os::File& file) {
  return [&file](char* data, size_t count) -> size_t {
    const auto got = file.Read(data, count);
    if (!got) throw StreamReadError();
    return *got;
  };
}

}  // namespace

// The host of one entry's data: progress events and where the chunks go.
class Commit::EntryHost final : public EntryPipeline::Host {
 public:
  EntryHost(Commit& commit, const std::string& fileName, Operation operation, uint64_t listedSize)
      : commit_(commit), fileName_(fileName), operation_(operation), listedSize_(listedSize) {}

  bool ChunkProgress(uint64_t consumed, uint64_t /*size*/) override {
    // A file that grew since it was listed counts as its listed size: progress never passes
    // the end, of the file or of the update.
    const uint64_t counted = std::min(consumed, listedSize_);
    const double filePercent = listedSize_ ? double(counted) * 100.0 / double(listedSize_) : 0.0;
    if (commit_.host_.FileProgress(fileName_, filePercent, operation_, ProgressPhase::Running)) return false;
    const double overall = commit_.totalBytes_ ? double(commit_.finishedBytes_ + counted) * 100.0 /
                                                     double(commit_.totalBytes_)
                                               : 50.0;
    return !commit_.host_.OverallProgress(overall, ProgressPhase::Running);
  }

  bool WriteChunk(const unsigned char* data, size_t count) override { return commit_.WriteChunk(data, count); }

 private:
  Commit& commit_;
  const std::string& fileName_;
  Operation operation_;
  uint64_t listedSize_;
};

Commit::Commit(TArcDirManager& manager, VolumeWriter& writer, EntryPipeline& pipeline, CommitHost& host,
               LeftOutList& leftOut, CommitSettings settings)
    : manager_(manager),
      writer_(writer),
      pipeline_(pipeline),
      host_(host),
      leftOut_(leftOut),
      settings_(std::move(settings)) {}

Commit::~Commit() = default;

int32_t Commit::FirstChangedPosition() const {
  const TArcDirArray& current = manager_.current;
  const TArcDirArray& rollback = manager_.rollback;
  const int32_t common = std::min(current.Count(), rollback.Count());
  for (int32_t i = 0; i < common; ++i) {
    const TDirItem& item = current.Item(i);
    if (item.modified || item.storedName != rollback.Item(i).storedName) return i;
  }
  return common;
}

void Commit::Stop(UpdateOutcome why) {
  // The first reason is the one the caller hears: a cancel that follows a refused write is
  // part of the full disk.
  if (!Stopped()) outcome_ = why;
}

void Commit::Run(std::unique_ptr<ParallelDeflate> ahead) {
  first_ = FirstChangedPosition();
  previousEnd_ = manager_.end;
  previousDirectoryOffset_ = manager_.directoryOffset;
  const TArcDirArray& directory = manager_.current;
  for (int32_t i = 0; i < directory.Count(); ++i)
    if (directory.Item(i).modified) totalBytes_ += directory.Item(i).listedSize;

  try {
    SaveTail();
    if (host_.OverallProgress(0, ProgressPhase::Begin)) Stop(UpdateOutcome::Cancelled);
    touched_ = true;
    writer_.CutBackTo(rewrite_);
    // Workers are started only for an update that goes on; cancelled at its start, those the
    // scan started are not needed.
    WriteChangedEntries(Stopped() ? nullptr : std::move(ahead));
    // What the buffer still holds is entry data: a full disk here is handled like one met
    // while writing it.
    while (!Stopped() && !writer_.Current().FlushBuffer())
      if (host_.DiskFull(0, settings_.fileName)) Stop(UpdateOutcome::DiskFull);
    if (Stopped()) {
      RollBack();
      return;
    }
    WriteCentralDirectory(manager_, writer_, settings_.options.OEMFileNames, settings_.componentName);
    writer_.Current().FlushAll();
  } catch (...) {
    pool_.reset();
    ahead.reset();
    try {
      RollBack();
    } catch (...) {
      // The first failure is the one to report.
    }
    throw;
  }
  host_.OverallProgress(100, ProgressPhase::End);
  if (settings_.options.FlushBuffers && writer_.Current().IsFile()) writer_.Current().FlushToDisk();
}

void Commit::SaveTail() {
  const TArcDirArray& rollback = manager_.rollback;
  if (first_ >= rollback.Count()) {
    // Nothing moves: the update appends after the entries (or starts an empty archive).
    rewrite_.offset = rollback.Count() == 0 ? manager_.stubSize : previousDirectoryOffset_;
    return;
  }
  // Entries from here on may move: keep the archive's tail to copy the unchanged ones back.
  rewrite_.offset = static_cast<int64_t>(rollback.Item(first_).central.localHeaderOffset);
  os::OpenResult made = MakeScratchFile(settings_.scratchFolder);
  if (!made) throw ScratchFileError(settings_.scratchFolder, made.Error());
  saved_ = std::move(*made);
  ArchiveStream& archive = writer_.Current();
  archive.Seek(rewrite_.offset);
  os::File& saved = saved_;
  const std::string savedName = JoinPath(settings_.scratchFolder, "FC*.tmp");
  CopyStream([&archive](char* data, size_t count) { return archive.Read(data, count); },
             [&saved, &savedName](const char* data, size_t count) {
               const auto put = saved.Write(data, count);
               if (!put) throw StreamWriteError(savedName, os::ErrorText(os::LastErrorCode()));
               if (*put != count) throw StreamWriteError(savedName, NoRoomCause(savedName, count - *put));
               return true;
             },
             kWholeStream);
}

void Commit::StartWorkers(std::unique_ptr<ParallelDeflate> ahead) {
  if (settings_.threads == 1) return;  // one thread: each entry is compressed as it is written
  std::vector<DeflateJob> jobs;
  const TArcDirArray& directory = manager_.current;
  for (int32_t i = first_; i < directory.Count(); ++i) {
    const TDirItem& item = directory.Item(i);
    if (CompressedByWorkers(item)) jobs.push_back(JobFor(item, settings_.options.ShareMode, settings_.digests));
  }
  if (jobs.empty()) return;
  // The workers the scan started already have these files in hand.
  if (ahead && ahead->HasJobs(jobs)) {
    ahead->Close();
    pool_ = std::move(ahead);
    return;
  }
  ahead.reset();
  pool_ = std::make_unique<ParallelDeflate>(std::move(jobs), settings_.threads, settings_.scratchFolder);
}

void Commit::WriteChangedEntries(std::unique_ptr<ParallelDeflate> ahead) {
  TArcDirArray& directory = manager_.current;
  if (!Stopped()) StartWorkers(std::move(ahead));
  int32_t removed = 0;  // entries skipped and removed so far: the entry's place in the scan is i + removed
  for (int32_t i = first_; i < directory.Count() && !Stopped();) {
    TDirItem& item = directory.Item(i);
    if (!item.modified) {
      CopyUnchanged(item, RollbackItem(item.storedName));
      ++i;
      continue;
    }
    // The first try takes what a worker compressed ahead; a retry reads the file again here. A
    // pool that failed on its own leaves the entries after to this thread.
    if (pool_ && pool_->Failed()) pool_.reset();
    std::optional<size_t> job;
    if (pool_ && CompressedByWorkers(item)) job = nextJob_++;
    FailureAction action = FailureAction::Abort;
    EntryStep step = EntryStep::Failed;
    for (bool first = true;; first = false) {
      std::unique_ptr<EntryFeed> feed;
      if (!item.IsFolder()) {
        if (job && first) {
          feed = std::make_unique<PooledFeed>(*pool_, *job);
        } else {
          feed = std::make_unique<InlineFeed>(pipeline_, JobFor(item, settings_.options.ShareMode, settings_.digests));
        }
      }
      step = WriteEntry(i, feed.get(), action);
      if (job && first) pool_->Leave(*job);
      if (step != EntryStep::Failed || action != FailureAction::Retry) break;
    }
    if (step == EntryStep::Written) {
      ++i;
      continue;
    }
    if (step == EntryStep::Stopped) break;
    if (action == FailureAction::Abort) {
      // Abort after bytes found no room is a full disk, whatever the question said.
      Stop(lastFailureCode_ == kErrorCannotPlace ? UpdateOutcome::DiskFull : UpdateOutcome::Aborted);
      break;
    }
    // Skipped: the host left the file out; a new entry leaves the directory, a replaced one
    // keeps its old data.
    leftOut_.Note(LeftOutFile{directory.Item(i).source, lastFailure_, LeftOutKind::File, lastFailureCode_,
                              lastFailureSystem_},
                  2 * int64_t(i + removed));
    if (directory.Item(i).action == EntryAction::New) {
      ++removed;
      directory.Delete(i);
      continue;
    }
    const TDirItem& old = RollbackItem(directory.Item(i).storedName);
    directory.CopyItem(i, old);
    CopyUnchanged(directory.Item(i), old);
    ++i;
  }
  pool_.reset();
}

void Commit::RollBack() {
  manager_.current = manager_.rollback;
  manager_.end = previousEnd_;
  manager_.directoryOffset = previousDirectoryOffset_;
  if (!touched_) return;
  writer_.CutBackTo(rewrite_);
  if (saved_.IsOpen()) {
    if (!saved_.Seek(0)) throw StreamReadError();
    ArchiveStream& archive = writer_.Current();
    CopyStream(FileReader(saved_),
               [&archive](const char* data, size_t count) {
                 archive.WriteAll(data, count);
                 return true;
               },
               kWholeStream);
  } else {
    WriteCentralDirectory(manager_, writer_, settings_.options.OEMFileNames, settings_.componentName);
  }
  writer_.Current().FlushAll();
}

const TDirItem& Commit::RollbackItem(const std::string& storedName) const {
  const int32_t index = manager_.rollback.IndexOf(storedName);
  if (index < 0) throw EArchiveError(kErrorEntryNotInRollback, settings_.componentName);
  return manager_.rollback.Item(index);
}

void Commit::CopyUnchanged(TDirItem& item, const TDirItem& old) {
  os::File& saved = saved_;
  if (!saved.IsOpen()) throw EArchiveError(kErrorEntryNotInRollback, settings_.componentName);
  // The entry as it lies in the saved tail: its local header (whose name and extra lengths say
  // how long it is) and its data.
  const int64_t from = int64_t(old.central.localHeaderOffset) - rewrite_.offset;
  unsigned char header[kLocalHeaderSize];
  if (!saved.Seek(from)) throw StreamReadError();
  const auto got = saved.Read(header, sizeof header);
  if (!got || *got != sizeof header) throw StreamReadError();
  const uint64_t nameLength = header[26] | (header[27] << 8);
  const uint64_t extraLength = header[28] | (header[29] << 8);
  if (!saved.Seek(from)) throw StreamReadError();

  const ArchivePosition here = writer_.Here();
  const bool copied = CopyStream(FileReader(saved),
                                 [this](const char* data, size_t count) {
                                   return WriteChunk(reinterpret_cast<const unsigned char*>(data), count);
                                 },
                                 kLocalHeaderSize + nameLength + extraLength + old.central.compressedSize);
  if (!copied) return;
  item.central.localHeaderOffset = static_cast<uint64_t>(here.offset);
  item.central.diskNumberStart = static_cast<uint32_t>(here.volume);
}

Commit::EntryStep Commit::WriteEntry(int32_t index, EntryFeed* feed, FailureAction& action) {
  TDirItem& item = manager_.current.Item(index);
  const Operation operation = item.action == EntryAction::Replace ? Operation::Replace : Operation::Add;
  const std::string eventName = operation == Operation::Replace ? item.storedName : item.source;
  if (host_.FileProgress(eventName, 0, operation, ProgressPhase::Begin)) {
    Stop(UpdateOutcome::Cancelled);
    return EntryStep::Stopped;
  }
  const ArchivePosition start = writer_.Here();
  const uint16_t method = item.central.method;
  try {
    if (WriteSource(item, feed, start, eventName, operation) == DataStep::Stopped) return EntryStep::Stopped;
  } catch (const EArchiveError& error) {
    // Nothing of a failed entry stays behind: a retry or the next entry starts where it began.
    item.central.method = method;
    writer_.CutBackTo(start);
    lastFailure_ = error.what();
    lastFailureCode_ = error.Code();
    lastFailureSystem_ = error.SystemError();
    action = host_.FileFailure(eventName, operation, error);
    return EntryStep::Failed;
  }
  // Counted once it is written: a retry does not count the bytes of its failed tries.
  finishedBytes_ += item.listedSize;
  host_.FileProgress(eventName, 100, operation, ProgressPhase::End);
  const CentralFields& fields = item.central;
  host_.EntryWritten(TArcWrittenEntry{item.storedName, item.source, item.IsFolder(), fields.uncompressedSize,
                                      fields.compressedSize, fields.crc, fields.method,
                                      item.IsFolder() ? std::nullopt : lastDigest_, item.lastWrite});
  return EntryStep::Written;
}

Commit::DataStep Commit::WriteSource(TDirItem& item, EntryFeed* feed, ArchivePosition start,
                                     const std::string& eventName, Operation operation) {
  const uint16_t method = item.central.method;
  std::unique_ptr<EntryFeed> again;
  try {
    uint64_t size = 0;
    if (feed) {
      const FeedOpening opened = feed->Open();
      if (!opened.size)
        throw EArchiveError(kErrorCannotOpenSource, settings_.componentName, {item.source})
            .WithSystemError(opened.error);
      size = *opened.size;
    }
    // A source of 4 GiB or more is known to need the Zip64 sizes before its header is written.
    bool zip64Sizes = size >= kMax32;
    for (;;) {
      const DataStep data = WriteEntryRecords(item, feed, size, zip64Sizes, eventName, operation);
      if (data != DataStep::NeedsZip64Sizes) return data;
      // Deflated past 4 GiB although the source was smaller: its header has no room for the
      // sizes, so the entry is written again with the Zip64 field.
      writer_.CutBackTo(start);
      item.central.method = method;
      zip64Sizes = true;
      again = std::make_unique<InlineFeed>(pipeline_, JobFor(item, settings_.options.ShareMode, settings_.digests));
      feed = again.get();
      const FeedOpening reopened = feed->Open();
      if (!reopened.size)
        throw EArchiveError(kErrorCannotOpenSource, settings_.componentName, {item.source})
            .WithSystemError(reopened.error);
      size = *reopened.size;
    }
  } catch (const WorkerError& error) {
    // What stopped the worker that compressed it is this entry's failure, asked about here.
    throw EArchiveError(kErrorUnknown, settings_.componentName, {}, item.source + ": " + error.what());
  } catch (const os::DigestError& error) {
    // So is a digest the system could not compute on this thread.
    throw EArchiveError(kErrorUnknown, settings_.componentName, {}, item.source + ": " + error.what());
  }
}

Commit::DataStep Commit::WriteEntryRecords(TDirItem& item, EntryFeed* feed, uint64_t size, bool zip64Sizes,
                                           const std::string& eventName, Operation operation) {
  const TArcOptions& options = settings_.options;
  item.central.crc = item.IsFolder() ? 0 : kCrcPlaceholder;
  item.central.compressedSize = 0;
  item.central.uncompressedSize = size;
  const uint16_t plainVersion = options.OEMFileNames ? kVersionOemNames : kVersionAnsiNames;
  const bool zip64 = zip64Sizes || writer_.Here().offset >= int64_t(kMax32);
  item.central.versionNeeded = zip64 ? kVersionZip64 : plainVersion;
  const std::string name = EncodedName(item, options.OEMFileNames);
  CheckRecordFields(item, name);
  const std::string header = LocalRecord(item.central, name, zip64Sizes);
  // A local header is never cut: in a split archive it starts the next volume when the room
  // left is too small.
  ArchivePosition headerAt = writer_.Here();
  if (writer_.IsSplit()) {
    const auto placed = writer_.PlaceWhole(header);
    if (!placed) throw CannotPlaceError(settings_.componentName, writer_.CurrentName(), header.size());
    headerAt = *placed;
  } else if (!WriteChunk(reinterpret_cast<const unsigned char*>(header.data()), header.size())) {
    return DataStep::Stopped;
  }
  item.central.localHeaderOffset = static_cast<uint64_t>(headerAt.offset);
  item.central.diskNumberStart = static_cast<uint32_t>(headerAt.volume);
  item.central.versionMadeBy = item.central.versionNeeded;
  lastDigest_.reset();
  if (!feed) return DataStep::Written;

  EntryHost host(*this, eventName, operation, item.listedSize);
  const EntryResult result = feed->Drain(size, host);
  lastDigest_ = result.sha256;
  if (result.cancelled) {
    // A refused write has already said why; otherwise a progress handler cancelled.
    Stop(UpdateOutcome::Cancelled);
    return DataStep::Stopped;
  }
  if (!result.complete)
    throw EArchiveError(kErrorSizeMismatch, settings_.componentName,
                        {static_cast<int64_t>(result.sourceSize), static_cast<int64_t>(result.consumed)},
                        item.source + ": the file changed while it was read");
  if (!zip64Sizes && (result.produced >= kMax32 || result.sourceSize >= kMax32)) return DataStep::NeedsZip64Sizes;
  item.central.crc = result.crc;
  item.central.compressedSize = result.produced;
  item.central.uncompressedSize = result.sourceSize;
  item.central.method = result.method;
  writer_.Patch(headerAt, LocalRecord(item.central, name, zip64Sizes));
  return DataStep::Written;
}

void Commit::CheckRecordFields(const TDirItem& item, const std::string& name) const {
  // Lengths the records hold in 16 bits: a longer value would be cut in its field while its
  // bytes are written whole, and every record after it misread.
  if (name.size() > kMax16)
    throw EArchiveError(kErrorPathTooLong, settings_.componentName, {item.source},
                        "its stored name is " + std::to_string(name.size()) + " bytes, a ZIP record holds 65535");
  // The Zip64 field this writer may add takes 32 bytes at the most.
  size_t extras = 32;
  for (const ExtraField& extra : item.extras) extras += 4 + extra.data.size();
  if (item.comment.size() > kMax16 || extras > kMax16)
    throw EArchiveError(kErrorUnknown, settings_.componentName, {},
                        item.source + ": its " + (item.comment.size() > kMax16 ? "comment" : "extra field") +
                            " is longer than the 65535 bytes a ZIP record holds");
}

bool Commit::WriteChunk(const unsigned char* data, size_t count) {
  // Data of a split archive goes on into the next volumes; bytes that find no place at all
  // fail the entry.
  if (writer_.IsSplit()) {
    const size_t placed = writer_.Place(data, count, kMayCut);
    if (placed != count) throw CannotPlaceError(settings_.componentName, writer_.CurrentName(), count - placed);
    return true;
  }
  for (;;) {
    const ArchivePosition before = writer_.Here();
    if (writer_.Place(data, count, kMayCut) == count) return true;
    if (host_.DiskFull(0, settings_.fileName)) {
      Stop(UpdateOutcome::DiskFull);
      return false;
    }
    writer_.Current().Seek(before.offset);
  }
}

}  // namespace tavisto::zip
