// The commit of one update: saves the archive's tail when entries will move, writes the changed
// entries (compressed on the calling thread or by workers) and copies the unchanged ones back,
// then the central directory; when the update stops or fails, it puts the archive back as it
// was. It knows its archive only through CommitHost (the component's events) and the settings
// it is given.
//   Commit commit(manager, writer, pipeline, host, leftOut, settings);
//   commit.Run(std::move(workersStartedByTheScan));   // commit.Outcome(): Committed, or why not
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "os/files.h"
#include "zip/archive_error.h"
#include "zip/archive_types.h"
#include "zip/entry_pipeline.h"
#include "zip/records.h"
#include "zip/volume_writer.h"

namespace tavisto::zip {

class EntryFeed;
class LeftOutList;
class ParallelDeflate;
struct TArcDirManager;
struct TDirItem;

// What a commit asks its archive: the component's events, each with its default answer.
class CommitHost {
 public:
  // True cancels the update.
  virtual bool OverallProgress(double percent, ProgressPhase phase) = 0;
  virtual bool FileProgress(const std::string& fileName, double percent, Operation operation,
                            ProgressPhase phase) = 0;
  // What to do about a file that failed.
  virtual FailureAction FileFailure(const std::string& fileName, Operation operation, const EArchiveError& error) = 0;
  // True gives the write up (the disk stays full).
  virtual bool DiskFull(int32_t volumeNumber, const std::string& volumeFileName) = 0;
  // An entry was written from its source; an error raised here ends the update (rolled back).
  virtual void EntryWritten(const TArcWrittenEntry& entry) = 0;

 protected:
  ~CommitHost() = default;
};

// The archive's settings a commit follows.
struct CommitSettings {
  std::string componentName;  // prefixes the errors raised
  std::string fileName;       // the archive's FileName, as OnDiskFull names it
  TArcOptions options;
  std::string scratchFolder;  // where the saved tail and the workers' spilled chunks go
  unsigned threads = 1;       // 1: each entry is compressed on the calling thread as it is written
  bool digests = false;       // each file's SHA-256 is computed as its data is read
};

class Commit {
 public:
  Commit(TArcDirManager& manager, VolumeWriter& writer, EntryPipeline& pipeline, CommitHost& host,
         LeftOutList& leftOut, CommitSettings settings);
  Commit(const Commit&) = delete;
  Commit& operator=(const Commit&) = delete;
  ~Commit();

  // Writes the update. When it stops (Outcome() says why) the archive holds what it held before;
  // any other failure puts the archive back too, and propagates. ahead: workers the scan started
  // on the files it found, taken over when their files are exactly this commit's.
  void Run(std::unique_ptr<ParallelDeflate> ahead);
  // Committed, or why the update stopped.
  [[nodiscard]] UpdateOutcome Outcome() const { return outcome_; }

 private:
  class EntryHost;
  enum class EntryStep { Written, Failed, Stopped };
  enum class DataStep { Written, Stopped, NeedsZip64Sizes };

  [[nodiscard]] int32_t FirstChangedPosition() const;
  void SaveTail();
  void StartWorkers(std::unique_ptr<ParallelDeflate> ahead);
  void WriteChangedEntries(std::unique_ptr<ParallelDeflate> ahead);
  void RollBack();
  // feed is null for a folder.
  EntryStep WriteEntry(int32_t index, EntryFeed* feed, FailureAction& action);
  // The entry's records and data from its opened source, written again with the Zip64 sizes
  // when its data turns out to need them; start: where the entry began.
  DataStep WriteSource(TDirItem& item, EntryFeed* feed, ArchivePosition start, const std::string& eventName,
                       Operation operation);
  DataStep WriteEntryRecords(TDirItem& item, EntryFeed* feed, uint64_t size, bool zip64Sizes,
                             const std::string& eventName, Operation operation);
  // False when the disk was full and the host chose to stop.
  bool WriteChunk(const unsigned char* data, size_t count);
  // Refuses (a coded EArchiveError) an entry whose name, comment or extra field its records
  // cannot hold.
  void CheckRecordFields(const TDirItem& item, const std::string& name) const;
  // The entry of that name as it was before the update (error 7 when there is none).
  [[nodiscard]] const TDirItem& RollbackItem(const std::string& storedName) const;
  void CopyUnchanged(TDirItem& item, const TDirItem& old);
  // Ends the update early (it rolls back); the first reason given is kept.
  void Stop(UpdateOutcome why);
  [[nodiscard]] bool Stopped() const { return outcome_ != UpdateOutcome::Committed; }

  TArcDirManager& manager_;
  VolumeWriter& writer_;
  EntryPipeline& pipeline_;
  CommitHost& host_;
  LeftOutList& leftOut_;
  const CommitSettings settings_;

  UpdateOutcome outcome_ = UpdateOutcome::Committed;
  int32_t first_ = 0;                // the first entry that changes
  ArchivePosition rewrite_{0, 0};    // where the archive is written again from
  os::File saved_;                   // the archive's tail from there (a scratch file), when entries move
  bool touched_ = false;             // the archive has been cut back: a rollback must restore it
  DirectoryEnd previousEnd_;
  int64_t previousDirectoryOffset_ = 0;
  std::unique_ptr<ParallelDeflate> pool_;
  size_t nextJob_ = 0;               // the pool's job for the next changed file
  std::string lastFailure_;          // message of the latest file failure asked about
  int32_t lastFailureCode_ = 0;      // and its code
  uint32_t lastFailureSystem_ = 0;   // and the system's code behind it
  std::optional<os::Sha256Digest> lastDigest_;  // of the entry just written
  // Progress totals.
  uint64_t totalBytes_ = 0;
  uint64_t finishedBytes_ = 0;
};

}  // namespace tavisto::zip
