// The commit of an update, in its steps: save the archive's tail when entries will move, write
// the changed entries (compressed here or by the workers) and copy the unchanged ones back, write
// the central directory; or, when the update stops, put the archive back as it was.
#include <algorithm>
#include <optional>

#include "os/files.h"
#include "zip/archive_stream.h"
#include "zip/archiver.h"
#include "zip/commit_state.h"
#include "zip/directory.h"
#include "zip/path_rules.h"

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

// An entry's source compressed on the calling thread, chunk by chunk, as it is written.
class InlineFeed final : public EntryFeed {
 public:
  InlineFeed(EntryPipeline& pipeline, DeflateJob job) : pipeline_(pipeline), job_(std::move(job)) {}
  std::optional<uint64_t> Open() override {
    file_ = os::File::Open(job_.path, os::Access::Read, job_.share, os::Disposition::OpenExisting);
    if (!file_) return std::nullopt;
    return static_cast<uint64_t>(file_->Size().value_or(0));
  }
  EntryResult Drain(uint64_t size, EntryPipeline::Host& host) override {
    return pipeline_.CompressEntryData(*file_, size, job_.compressionMode, job_.method, host);
  }

 private:
  EntryPipeline& pipeline_;
  DeflateJob job_;
  std::optional<os::File> file_;
};

// An entry's source compressed ahead by a worker; its chunks are handed on here, in order.
class PooledFeed final : public EntryFeed {
 public:
  PooledFeed(ParallelDeflate& pool, size_t job) : pool_(pool), job_(job) {}
  std::optional<uint64_t> Open() override {
    const ParallelDeflate::Opening opening = pool_.WaitOpen(job_);
    if (!opening.opened) return std::nullopt;
    return opening.size;
  }
  EntryResult Drain(uint64_t, EntryPipeline::Host& host) override {
    for (;;) {
      ParallelDeflate::Piece piece = pool_.Next(job_);
      if (piece.hasBytes &&
          (!host.ChunkProgress(piece.consumedBefore, 0) || !host.WriteChunk(piece.bytes.data(), piece.bytes.size()))) {
        // A cancel or a full disk ends the update: nothing more need be read.
        pool_.Stop();
        EntryResult stopped;
        stopped.cancelled = true;
        stopped.consumed = piece.consumedBefore;
        return stopped;
      }
      if (piece.last) {
        if (piece.error) std::rethrow_exception(piece.error);
        return piece.result;
      }
    }
  }

 private:
  ParallelDeflate& pool_;
  size_t job_;
};

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
  if (!Stopped()) outcome_ = why;
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
  outcome_ = UpdateOutcome::Committed;
  CommitState state;
  state.first = FirstChangedPosition();
  state.previousEnd = manager_->end;
  state.previousDirectoryOffset = manager_->directoryOffset;
  TArcDirArray& directory = manager_->current;
  totalBytes_ = 0;
  finishedBytes_ = 0;
  for (int32_t i = 0; i < directory.Count(); ++i)
    if (directory.Item(i).modified) totalBytes_ += directory.Item(i).ListedSize();

  try {
    SaveTail(state);
    if (DoOverallProgress(0, Operation::Add, ProgressPhase::Begin)) Stop(UpdateOutcome::Cancelled);
    state.touched = true;
    writer_->CutBackTo(state.rewrite);
    WriteChangedEntries(state);
    // What the buffer still holds is entry data: a full disk here is handled like one met
    // while writing it.
    while (!Stopped() && !writer_->Current().FlushBuffer())
      if (DoDiskFull(0, fileName_)) Stop(UpdateOutcome::DiskFull);
    ahead_.reset();  // taken over by the commit, or (cancelled at its start) not needed
    if (Stopped()) {
      RollBack(state);
      SortLeftOut();
      return;
    }
    WriteCentralDirectory();
    if (!writer_->Current().FlushBuffer()) throw StreamWriteError();
  } catch (...) {
    state.pool.reset();
    ahead_.reset();
    try {
      RollBack(state);
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

void TBaseArchiver::SaveTail(CommitState& state) {
  const TArcDirArray& rollback = manager_->rollback;
  if (state.first >= rollback.Count()) {
    // Nothing moves: the update appends after the entries (or starts an empty archive).
    state.rewrite.offset = rollback.Count() == 0 ? manager_->stubSize : state.previousDirectoryOffset;
    return;
  }
  // Entries from here on may move: keep the archive's tail to copy the unchanged ones back.
  state.rewrite.offset = static_cast<int64_t>(rollback.Item(state.first).central.localHeaderOffset);
  const std::string folder = ScratchFolder();
  switch (state.saved.Make(folder)) {
    case ScratchFile::Made::NotCreated: throw FileCreateError(JoinPath(folder, "FC"));
    case ScratchFile::Made::NotOpened: throw FileOpenError(state.saved.path);
    case ScratchFile::Made::Open: break;
  }
  ArchiveStream& archive = writer_->Current();
  archive.Seek(state.rewrite.offset);
  os::File& saved = state.saved.file;
  CopyStream([&archive](char* data, size_t count) { return archive.Read(data, count); },
             [&saved](const char* data, size_t count) {
               const auto put = saved.Write(data, count);
               if (!put || *put != count) throw StreamWriteError();
               return true;
             },
             kWholeStream);
}

// A stored file has nothing to compress: the writing thread reads it as it writes it, which
// costs no more than a worker's read and keeps its bytes out of the memory budget and the
// scratch file (Data.zip's volumes, read ahead by workers, went through both).
bool TBaseArchiver::ForWorkers(const TDirItem& item) {
  return item.modified && !item.IsFolder() && item.central.method != kMethodStored;
}

DeflateJob TBaseArchiver::JobFor(const TDirItem& item) const {
  return DeflateJob{item.source, ShareFor(options_.ShareMode), item.compressionMode, item.central.method,
                    item.ListedSize()};
}

std::string TBaseArchiver::ScratchFolder() const { return tempDir_.empty() ? os::SystemTempFolder() : tempDir_; }

void TBaseArchiver::StartWorkers(CommitState& state) {
  std::unique_ptr<ParallelDeflate> ahead = std::move(ahead_);
  if (deflateThreads_ == 1) return;  // one thread: each entry is compressed as it is written
  std::vector<DeflateJob> jobs;
  const TArcDirArray& directory = manager_->current;
  for (int32_t i = state.first; i < directory.Count(); ++i) {
    const TDirItem& item = directory.Item(i);
    if (ForWorkers(item)) jobs.push_back(JobFor(item));
  }
  if (jobs.empty()) return;
  // The workers the scan started already have these files in hand.
  if (ahead && ahead->HasJobs(jobs)) {
    ahead->Close();
    state.pool = std::move(ahead);
    return;
  }
  ahead.reset();
  state.pool = std::make_unique<ParallelDeflate>(std::move(jobs), deflateThreads_, ScratchFolder());
}

void TBaseArchiver::WriteChangedEntries(CommitState& state) {
  TArcDirArray& directory = manager_->current;
  if (!Stopped()) StartWorkers(state);
  int32_t removed = 0;  // entries skipped and removed so far: the entry's place in the scan is i + removed
  for (int32_t i = state.first; i < directory.Count() && !Stopped();) {
    TDirItem& item = directory.Item(i);
    if (!item.modified) {
      CopyUnchanged(item, RollbackItem(item.storedName), state);
      ++i;
      continue;
    }
    // The first try takes what a worker compressed ahead; a retry reads the file again here.
    std::optional<size_t> job;
    if (state.pool && ForWorkers(item)) job = state.nextJob++;
    FailureAction action = FailureAction::Abort;
    EntryStep step = EntryStep::Failed;
    for (bool first = true;; first = false) {
      std::unique_ptr<EntryFeed> feed;
      if (!item.IsFolder()) {
        if (job && first) {
          feed = std::make_unique<PooledFeed>(*state.pool, *job);
        } else {
          feed = std::make_unique<InlineFeed>(*pipeline_, JobFor(item));
        }
      }
      step = WriteEntry(i, feed.get(), action);
      if (job && first) state.pool->Leave(*job);
      if (step != EntryStep::Failed || action != FailureAction::Retry) break;
    }
    if (step == EntryStep::Written) {
      ++i;
      continue;
    }
    if (step == EntryStep::Stopped) break;
    if (action == FailureAction::Abort) {
      Stop(UpdateOutcome::Aborted);
      break;
    }
    // Skipped: the host left the file out; a new entry leaves the directory, a replaced one
    // keeps its old data.
    NoteLeftOut(directory.Item(i).source, lastFailure_, 2 * int64_t(i + removed));
    if (directory.Item(i).action == EntryAction::New) {
      ++removed;
      directory.Delete(i);
      continue;
    }
    const TDirItem& old = RollbackItem(directory.Item(i).storedName);
    directory.CopyItem(i, old);
    CopyUnchanged(directory.Item(i), old, state);
    ++i;
  }
  state.pool.reset();
}

void TBaseArchiver::RollBack(CommitState& state) {
  RestoreDirectory();
  manager_->end = state.previousEnd;
  manager_->directoryOffset = state.previousDirectoryOffset;
  if (!state.touched) return;
  writer_->CutBackTo(state.rewrite);
  if (state.saved.file.IsOpen()) {
    if (!state.saved.file.Seek(0)) throw StreamReadError();
    ArchiveStream& archive = writer_->Current();
    CopyStream(FileReader(state.saved.file),
               [&archive](const char* data, size_t count) {
                 archive.WriteAll(data, count);
                 return true;
               },
               kWholeStream);
  } else {
    WriteCentralDirectory();
  }
  if (!writer_->Current().FlushBuffer()) throw StreamWriteError();
}

const TDirItem& TBaseArchiver::RollbackItem(const std::string& storedName) {
  const int32_t index = manager_->rollback.IndexOf(storedName);
  if (index < 0) throw EArchiveError(kErrorEntryNotInRollback, name_);
  return manager_->rollback.Item(index);
}

void TBaseArchiver::CopyUnchanged(TDirItem& item, const TDirItem& old, CommitState& state) {
  os::File& saved = state.saved.file;
  if (!saved.IsOpen()) throw EArchiveError(kErrorEntryNotInRollback, name_);
  // The entry as it lies in the saved tail: its local header (whose name and extra lengths say
  // how long it is) and its data.
  const int64_t from = int64_t(old.central.localHeaderOffset) - state.rewrite.offset;
  unsigned char header[kLocalHeaderSize];
  if (!saved.Seek(from)) throw StreamReadError();
  const auto got = saved.Read(header, sizeof header);
  if (!got || *got != sizeof header) throw StreamReadError();
  const uint64_t nameLength = header[26] | (header[27] << 8);
  const uint64_t extraLength = header[28] | (header[29] << 8);
  if (!saved.Seek(from)) throw StreamReadError();

  const ArchivePosition here = writer_->Here();
  const bool copied = CopyStream(FileReader(saved),
                                 [this](const char* data, size_t count) {
                                   return WriteChunk(reinterpret_cast<const unsigned char*>(data), count);
                                 },
                                 kLocalHeaderSize + nameLength + extraLength + old.central.compressedSize);
  if (!copied) return;
  item.central.localHeaderOffset = static_cast<uint64_t>(here.offset);
  item.central.diskNumberStart = static_cast<uint32_t>(here.volume);
}

TBaseArchiver::EntryStep TBaseArchiver::WriteEntry(int32_t index, EntryFeed* feed, FailureAction& action) {
  TDirItem& item = manager_->current.Item(index);
  const Operation operation = item.action == EntryAction::Replace ? Operation::Replace : Operation::Add;
  const std::string eventName = operation == Operation::Replace ? item.storedName : item.source;
  if (DoFileProgress(eventName, 0, operation, ProgressPhase::Begin)) {
    Stop(UpdateOutcome::Cancelled);
    return EntryStep::Stopped;
  }
  const ArchivePosition start = writer_->Here();
  const uint16_t method = item.central.method;
  std::unique_ptr<EntryFeed> again;
  try {
    uint64_t size = 0;
    if (feed) {
      const auto opened = feed->Open();
      if (!opened) throw EArchiveError(kErrorCannotOpenSource, name_, {item.source});
      size = *opened;
    }
    // A source of 4 GiB or more is known to need the Zip64 sizes before its header is written.
    bool zip64Sizes = size >= kMax32;
    for (;;) {
      const DataStep data = WriteEntryRecords(item, feed, size, zip64Sizes, eventName, operation);
      if (data == DataStep::Stopped) return EntryStep::Stopped;
      if (data == DataStep::Written) break;
      // Deflated past 4 GiB although the source was smaller: its header has no room for the
      // sizes, so the entry is written again with the Zip64 field.
      writer_->CutBackTo(start);
      finishedBytes_ -= item.ListedSize();
      item.central.method = method;
      zip64Sizes = true;
      again = std::make_unique<InlineFeed>(*pipeline_, JobFor(item));
      feed = again.get();
      const auto reopened = feed->Open();
      if (!reopened) throw EArchiveError(kErrorCannotOpenSource, name_, {item.source});
      size = *reopened;
    }
  } catch (const EArchiveError& error) {
    // Nothing of a failed entry stays behind: a retry or the next entry starts where it began.
    item.central.method = method;
    writer_->CutBackTo(start);
    lastFailure_ = error.what();
    action = DoProcessFileFailure(eventName, operation, error);
    return EntryStep::Failed;
  }
  DoFileProgress(eventName, 100, operation, ProgressPhase::End);
  return EntryStep::Written;
}

TBaseArchiver::DataStep TBaseArchiver::WriteEntryRecords(TDirItem& item, EntryFeed* feed, uint64_t size,
                                                         bool zip64Sizes, const std::string& eventName,
                                                         Operation operation) {
  item.central.crc = item.IsFolder() ? 0 : kCrcPlaceholder;
  item.central.compressedSize = 0;
  item.central.uncompressedSize = size;
  const uint16_t plainVersion = options_.OEMFileNames ? kVersionOemNames : kVersionAnsiNames;
  const bool zip64 = zip64Sizes || writer_->Here().offset >= int64_t(kMax32);
  item.central.versionNeeded = zip64 ? kVersionZip64 : plainVersion;
  const std::string name = EncodedName(item);
  const std::string header = LocalRecord(item.central, name, zip64Sizes);
  // A local header is never cut: in a split archive it starts the next volume when the room
  // left is too small.
  ArchivePosition headerAt = writer_->Here();
  if (writer_->IsSplit()) {
    const auto placed = writer_->PlaceWhole(header);
    if (!placed) throw EArchiveError(kErrorCannotPlace, name_);
    headerAt = *placed;
  } else if (!WriteChunk(reinterpret_cast<const unsigned char*>(header.data()), header.size())) {
    return DataStep::Stopped;
  }
  item.central.localHeaderOffset = static_cast<uint64_t>(headerAt.offset);
  item.central.diskNumberStart = static_cast<uint32_t>(headerAt.volume);
  item.central.versionMadeBy = item.central.versionNeeded;
  if (!feed) return DataStep::Written;

  EntryHost host(*this, eventName, operation, item.ListedSize());
  const EntryResult result = feed->Drain(size, host);
  finishedBytes_ += item.ListedSize();
  if (result.cancelled) {
    // A refused write has already said why; otherwise a progress handler cancelled.
    Stop(UpdateOutcome::Cancelled);
    return DataStep::Stopped;
  }
  if (!result.complete)
    throw EArchiveError(kErrorSizeMismatch, name_,
                        {static_cast<int64_t>(result.sourceSize), static_cast<int64_t>(result.consumed)});
  if (!zip64Sizes && (result.produced >= kMax32 || result.sourceSize >= kMax32)) return DataStep::NeedsZip64Sizes;
  item.central.crc = result.crc;
  item.central.compressedSize = result.produced;
  item.central.uncompressedSize = result.sourceSize;
  item.central.method = result.method;
  writer_->Patch(headerAt, LocalRecord(item.central, name, zip64Sizes));
  return DataStep::Written;
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

void TBaseArchiver::WriteCentralDirectory() {
  TArcDirArray& directory = manager_->current;
  writer_->CutHere();
  // Where the first central record really lies: when it does not fit the room left in the
  // volume (or the entries' data ended right at its limit), that is the start of the next
  // volume, not the end of this one.
  ArchivePosition start = writer_->Here();
  uint64_t directorySize = 0;
  std::string extras;
  for (int32_t i = 0; i < directory.Count(); ++i) {
    TDirItem& item = directory.Item(i);
    const std::string name = EncodedName(item);
    extras.clear();
    for (const ExtraField& extra : item.extras) {
      AppendLe16(extras, extra.id);
      AppendLe16(extras, static_cast<uint16_t>(extra.data.size()));
      extras += extra.data;
    }
    item.central.commentLength = static_cast<uint16_t>(std::min<size_t>(item.comment.size(), kMax16));
    const std::string record = CentralRecord(item.central, name, extras);
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

}  // namespace tavisto::zip
