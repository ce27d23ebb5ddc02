// The archive component: one object per archive file, configured through its properties and
// driven by OpenArchive, AddFiles, GetArchiveSize and CloseArchive. Files found by AddFiles are
// recorded in the in-memory directory and written when the update is committed: new and replaced
// entries compressed, the others copied, then the central directory; a commit that fails
// part-way puts the archive back as it was.
//   TArchiver archive("ArchivioTotale");
//   archive.SetFileName(temp + "Data.zip");
//   archive.SetBaseDir(base);
//   archive.OpenArchive(kCreateMode);
//   archive.AddFiles("*.z*", kDefaultSearchAttr);
//   archive.CloseArchive();
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "zip/archive_error.h"
#include "zip/archive_types.h"
#include "zip/records.h"
#include "zip/spanning.h"
#include "zip/wildcard.h"

namespace tavisto::os {
struct DirEntry;
}

namespace tavisto::zip {

class ArchiveStream;
class EntryPipeline;
class LeftOutList;
class ParallelDeflate;
class VolumeWriter;
struct TArcDirManager;
struct TDirItem;

class TBaseArchiver {
 public:
  explicit TBaseArchiver(std::string name);
  TBaseArchiver(const TBaseArchiver&) = delete;
  TBaseArchiver& operator=(const TBaseArchiver&) = delete;
  virtual ~TBaseArchiver();

  // The component's name, the prefix of its error messages.
  [[nodiscard]] const std::string& Name() const { return name_; }

  [[nodiscard]] const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value) { fileName_ = value; }
  [[nodiscard]] const std::string& BaseDir() const { return baseDir_; }
  void SetBaseDir(const std::string& value) { baseDir_ = value; }
  // Folder for scratch files; empty: the system's temporary folder.
  [[nodiscard]] const std::string& TempDir() const { return tempDir_; }
  void SetTempDir(const std::string& value) { tempDir_ = value; }

  [[nodiscard]] TArcCompressionLevel CompressionLevel() const { return compressionLevel_; }
  // Also sets CompressionMode: clNone 0, clFastest 1, clNormal 6, clMax 9.
  void SetCompressionLevel(TArcCompressionLevel value);
  [[nodiscard]] uint8_t CompressionMode() const { return compressionMode_; }
  // 0 (stored) to 9; above 9 raises error 5. Also sets CompressionLevel.
  void SetCompressionMode(uint8_t value);
  [[nodiscard]] std::string CurrentVersion() const;
  void SetCurrentVersion(const std::string&) {}  // read-only; assignments are ignored

  [[nodiscard]] const std::string& Password() const { return password_; }
  virtual void SetPassword(const std::string& value) = 0;

  [[nodiscard]] TArcSpanningMode SpanningMode() const { return spanningMode_; }
  // Refused while the archive is open ("Cannot set spanning mode on open archive").
  void SetSpanningMode(TArcSpanningMode value);
  [[nodiscard]] TArcSpanningOptions& SpanningOptions() { return spanningOptions_; }
  void SetSpanningOptions(const TArcSpanningOptions& value) { spanningOptions_ = value; }

  [[nodiscard]] TArcOptions& Options() { return options_; }
  void SetOptions(const TArcOptions& value) { options_ = value; }

  [[nodiscard]] std::vector<std::string>& FileMasks() { return fileMasks_; }
  [[nodiscard]] std::vector<std::string>& ExclusionMasks() { return exclusionMasks_; }
  // Files matching one of these are stored without compression.
  [[nodiscard]] std::vector<std::string>& NoCompressionMasks() { return noCompressionMasks_; }

  // In-memory archives are not part of this component: True is refused.
  [[nodiscard]] bool InMemory() const { return false; }
  void SetInMemory(bool value);
  [[nodiscard]] bool ExtractCorruptedFiles() const { return extractCorruptedFiles_; }
  void SetExtractCorruptedFiles(bool value) { extractCorruptedFiles_ = value; }

  // The ZIP compression method new entries get: 8 (deflate) or 0 (stored).
  [[nodiscard]] uint16_t MethodWord() const { return methodWord_; }

  // The file name of volume index (0-based) of a split archive at path; -1, the last volume,
  // is path itself. ".Z01", ".Z02" ... or, with AdvancedNaming, "_001", "_002" ... before the
  // extension.
  [[nodiscard]] std::string GetVolumeFileName(const std::string& path, int32_t index) const {
    return VolumeFileName(path, index, spanningOptions_.AdvancedNaming());
  }

  // Whether the archive's files may replace files already there (the default). Without it, the
  // writer never writes over nor deletes a file it did not create: a file in the way of the
  // archive, of a volume or of the last volume's final name is error 19, naming it.
  [[nodiscard]] bool ReplaceExisting() const { return replaceExisting_; }
  void SetReplaceExisting(bool value) { replaceExisting_ = value; }

  // Opens the archive named by FileName. Only kCreateMode is offered: a new, empty file (an old
  // one of that name is replaced, unless ReplaceExisting is off); nothing is written until the
  // first commit or CloseArchive.
  void OpenArchive(uint16_t mode);
  // The same onto a stream the caller owns (kept in memory, for example); it must outlive the
  // open archive. Such an archive cannot be split (error 30).
  void OpenArchive(ArchiveStream& stream, uint16_t mode);

  // Adds every file and folder under BaseDir that matches mask and attributes, in one update;
  // the archive never takes itself. Files are read when the update commits.
  void AddFiles(const std::string& mask, uint32_t attributes = kDefaultSearchAttr,
                const std::string& exclusionMask = {});

  void BeginUpdate();
  // Commits when the outermost update ends.
  void EndUpdate();
  // Drops the update after a failure; entries it recorded are forgotten.
  void CancelUpdate();

  // Size of the archive stream (for a split archive, of its current, which is its last, volume).
  [[nodiscard]] int64_t GetArchiveSize();
  // Finishes (an archive without entries becomes the 22-byte end record) and closes. Never
  // raises: an error while finishing is dropped and the object ends closed.
  void CloseArchive() noexcept;

  // How the last update ended: Committed, or rolled back because the host answered Abort to a
  // file that failed (or cancelled a volume request), a progress handler cancelled, or a write
  // found no room and the disk-full answer was to cancel. AddFiles returns normally in every
  // case; this is how the caller tells a finished update from a failed one.
  [[nodiscard]] UpdateOutcome LastUpdateOutcome() const { return outcome_; }
  // Every source the last update left out, once each, in entry order: files the host chose to
  // Ignore (the reason is the error message) and folders the scan could not read. Emptied when
  // the next update begins.
  [[nodiscard]] const std::vector<LeftOutFile>& LeftOut() const { return leftOutFiles_; }
  // The links the last update's scan saw and did not follow (kind Link, in scan order): a folder
  // link is in the archive as an empty folder entry when folders were asked for, what lies
  // behind it is not; a file link is not in the archive. Kept apart from LeftOut, which names what the host was asked about or
  // could not read. Emptied when the next update begins.
  [[nodiscard]] const std::vector<LeftOutFile>& LinksNotFollowed() const { return linksNotFollowed_; }

  // Threads that compress entries during a commit: 0 (the default) as many as the machine has
  // cores, four at the most; 1 compresses each entry on the calling thread as it is written. The
  // archive's bytes are the same either way.
  void SetDeflateThreads(unsigned count);

  // Whether each file's SHA-256 is computed while its data is read for compression, by the
  // thread that reads it (a worker, or the calling thread for stored entries and on one
  // thread), and given with OnEntryWritten. Off by default: a host that does not ask pays
  // nothing. The archive's bytes are the same either way.
  [[nodiscard]] bool Digests() const { return digests_; }
  void SetDigests(bool value) { digests_ = value; }

  [[nodiscard]] bool Active() const { return active_; }
  [[nodiscard]] int32_t EntryCount() const;

  TArcOverallProgressEvent OnOverallProgress;
  TArcFileProgressEvent OnFileProgress;
  // Kept for hosts that set it; never raised: split entries are written straight into their
  // volumes, with no temporary copy to report on.
  TArcCopyTempFileProgressEvent OnCopyTempFileProgress;
  // Asked when OverwriteMode is omPrompt; without a handler the entry is kept (No).
  TArcConfirmOverwriteEvent OnConfirmOverwrite;
  TArcConfirmProcessFileEvent OnConfirmProcessFile;
  // Asked about a file the commit could not process: Abort (the update is undone), Retry or Skip
  // (the file is left out). Without a handler the answer is Abort. The component never asks the
  // user itself: a host that wants to has its handler do it.
  TArcProcessFileFailureEvent OnProcessFileFailure;
  // While OnProcessFileFailure is asked: the system's error code behind the failure (a sharing
  // violation for a file another program holds), 0 when the failure is none of the system's.
  [[nodiscard]] uint32_t FailureSystemError() const { return failureSystemError_; }
  TArcRequestBlankVolumeEvent OnRequestBlankVolume;
  // Raised as each volume's file has been created, before anything is written into it (so a
  // host can record every file the writer makes as its own). An error it raises ends the update.
  TArcVolumeCreatedEvent OnVolumeCreated;
  TArcDiskFullEvent OnDiskFull;
  TArcStoreFileEvent OnStoreFile;
  TArcNotifyEvent AfterOpen;
  // Raised on the calling thread as each entry of a commit has been written from its source (new
  // and replaced entries, folders included; not the unchanged entries a commit copies back), in
  // archive order, with its stored name, source, sizes, CRC-32, SHA-256 when Digests is on, and
  // the source's last write. A file that failed and was tried again is raised once, for the try
  // that wrote it; a file skipped gives nothing (LeftOut names it). Raised as the entry is
  // written, not when the commit ends: an update that does not commit after all (its outcome,
  // or an error raised by AddFiles) takes back every entry it raised, and the host drops what
  // it heard of it. An error the handler raises ends the update, rolled back.
  TArcEntryWrittenEvent OnEntryWritten;

 protected:
  // Sets the method word from CompressionMode.
  virtual void UpdateCompressionMethod() = 0;

  // Each raises its event; without a handler they give the default answer. The "Do" functions
  // that return bool return true to cancel.
  virtual bool DoOverallProgress(double progress, Operation operation, ProgressPhase phase);
  virtual bool DoFileProgress(const std::string& fileName, double progress, Operation operation,
                              ProgressPhase phase);
  virtual OverwriteAnswer DoConfirmOverwrite(const std::string& sourcePath, const std::string& storedName);
  // True to process the file.
  virtual bool DoConfirmProcessFile(const std::string& fileName, Operation operation);
  virtual FailureAction DoProcessFileFailure(const std::string& fileName, Operation operation,
                                             const EArchiveError& error);
  virtual bool DoRequestBlankVolume(int32_t volumeNumber, std::string& volumeFileName);
  virtual bool DoDiskFull(int32_t volumeNumber, const std::string& volumeFileName);
  virtual void DoStoreFile(std::string& fileName, uint32_t& fileAttr, std::string& comment,
                           const std::string& originalFileName);
  // Free bytes on the drive of path; nothing when unknown.
  [[nodiscard]] virtual std::optional<uint64_t> FreeSpace(const std::string& path);

  std::string password_;
  uint16_t methodWord_ = kMethodDeflated;

 private:
  // Answers the commit and the volume writer through this component's events.
  class Answers;

  // Opens a new archive: on the caller's stream when lent, else on FileName (or its volumes).
  void OpenNew(ArchiveStream* lent, uint16_t mode);
  void RecordFoundEntry(const std::string& path, const os::DirEntry& entry, bool isFolder);
  int32_t UpdateDirItem(const std::string& path, const os::DirEntry& entry, bool isFolder);
  void FillNewDirItem(TDirItem& item, const std::string& path, const os::DirEntry& entry, bool isFolder);
  void CommitUpdate();
  // Where scratch files go: TempDir, or the system's temporary folder.
  [[nodiscard]] std::string ScratchFolder() const;
  // The update's recorded entries are forgotten: the directory is as it was before it.
  void RestoreDirectory();

  std::string name_;
  std::string fileName_;
  std::string baseDir_;
  std::string tempDir_;
  TArcCompressionLevel compressionLevel_ = clFastest;
  uint8_t compressionMode_ = 1;
  TArcSpanningMode spanningMode_ = smNone;
  TArcSpanningOptions spanningOptions_;
  TArcOptions options_;
  std::vector<std::string> fileMasks_;
  std::vector<std::string> exclusionMasks_;
  std::vector<std::string> noCompressionMasks_;
  bool extractCorruptedFiles_ = false;
  bool replaceExisting_ = true;

  bool active_ = false;
  uint16_t openMode_ = 0;
  int32_t updateCount_ = 0;
  bool committedOnce_ = false;
  bool customStream_ = false;
  unsigned deflateThreads_ = 1;
  bool digests_ = false;
  uint32_t failureSystemError_ = 0;  // of the failure being asked about
  UpdateOutcome outcome_ = UpdateOutcome::Committed;
  std::unique_ptr<LeftOutList> leftOut_;  // of the update under way
  std::vector<LeftOutFile> leftOutFiles_;  // of the last update, in scan order
  std::vector<LeftOutFile> linksNotFollowed_;  // of the last update, in scan order
  std::unique_ptr<Answers> answers_;
  std::unique_ptr<VolumeWriter> writer_;
  std::unique_ptr<TArcDirManager> manager_;
  std::unique_ptr<EntryPipeline> pipeline_;  // compresses on the calling thread
  // Workers that start on the files a scan finds while it runs, when the commit follows the scan
  // at once; the commit takes them over when its files are exactly theirs.
  std::unique_ptr<ParallelDeflate> ahead_;

  // State of one scan.
  MaskFolders scanFolders_;
  bool scanAhead_ = false;  // the files found go to ahead_ as they are found
};

// The class the program uses: standard ZIP signatures, entry-level Zip64 off (sizes and offsets
// stay 32-bit; an entry that would need more is refused), deflate for compression modes 1 to 9.
class TArchiver : public TBaseArchiver {
 public:
  explicit TArchiver(std::string name);
  ~TArchiver() override;

  // Encryption is not part of this writer: a non-empty password is refused.
  void SetPassword(const std::string& value) override;
  [[nodiscard]] TArcCryptoAlgorithm EncryptionMethod() const { return encryptionMethod_; }
  void SetEncryptionMethod(TArcCryptoAlgorithm value) { encryptionMethod_ = value; }

 protected:
  void UpdateCompressionMethod() override;

 private:
  TArcCryptoAlgorithm encryptionMethod_ = caPkzipClassic;
};

}  // namespace tavisto::zip
