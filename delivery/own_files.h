// The files a window writes where the user did not choose to have them, all inside the
// program's own folder in the temporary folder (a folder only the user may enter), and the new
// files it writes beside a file the user named before they take its place: each one created new
// (never over a file of that name) and recorded in a journal the window holds open, unshared,
// while it lives. A record proves a file ours only for the path it was made at and
// only while the file is as we left it: the file's number while we write it, its number, size
// and last write once it is whole; a file we removed is forgotten (numbers are handed out
// again). The window removes its files itself; what a killed window left behind is removed
// later through its journal. Nothing is ever removed by a name pattern, outside our own
// folder, or through a link.
//   FileJournal journal(OwnFolder(tempFolder));
//   const std::string run = journal.CreateFolder(OwnFolder(tempFolder) + "Get Data ");
//   if (!journal.CreateNew(run + "Data.zip")) ...  // the name is taken: nothing was touched
//   ... write it ...; const OwnedFile made = journal.RecordDone(run + "Data.zip");
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "os/file_identity.h"
#include "os/files.h"

namespace tavisto::delivery {

// The program's own folder in the temporary folder (both end in a backslash): "Tavisto", or when
// another account made that first (a temporary folder every account may write, as LocalSystem's
// C:\Windows\Temp is), the first of "Tavisto 2", "Tavisto 3", ... that is this user's or free.
[[nodiscard]] std::string OwnFolder(const std::string& tempFolder);

// A file of ours as it was when we last wrote it: using it later is only right while it is
// still that file, unchanged.
struct OwnedFile {
  std::string path;
  os::FileState state;
  [[nodiscard]] bool Unchanged() const { return os::StateOf(path) == state; }
};

// What the records of a journal say of each path, in the order they were written: the latest
// record of a path is what counts.
struct JournalRecords {
  enum class Kind {
    Folder,    // a folder we made: ours while it is that folder
    Created,   // a file we made and are writing: ours while it is that file
    Expected,  // a name a file of ours may come to have in a folder of ours (a tool's list,
               // a volume renamed to its archive's name)
    Done,      // a file we wrote whole: ours while it is exactly in that state
    Beside,    // a file we made in a folder of the user's, beside a file the user named: ours
               // while it is that file and nothing in its folder has changed since
    Removed,   // we removed it: whatever is there now is not ours
  };
  struct Entry {
    Kind kind = Kind::Created;
    os::FileState state;  // the identity alone for Folder and Created
  };
  std::string folder;  // the journal's own folder: records outside it are ignored, but for Beside
                       // (and Removed) records of full paths
  std::map<std::string, Entry> latest;  // by path
  std::vector<std::string> order;       // paths in the order of their first record
  // By folder, its last write as we left it after our latest change to what it holds: a later
  // one says that someone else added, removed or renamed something in it since.
  std::map<std::string, os::FileTime> seen;

  // Applies one record; false for one that proves nothing (outside the folder, a path that
  // climbs out of it with "..").
  bool Apply(const std::string& path, Kind kind, const os::FileState& state = {});
  // Notes a folder's last write as our latest change left it; false outside the folder.
  bool Saw(const std::string& path, os::FileTime lastWrite);
};

// The records of a journal's text, its own folder given; nothing when it is no journal of ours.
// A record cut short (the last line of a killed window's journal) is ignored.
[[nodiscard]] std::optional<JournalRecords> ParseJournal(const std::string& text, const std::string& folder);

// Whether the file at path is ours by the records: the latest record of that path says so and
// the file is still in the state it names, in a folder of ours that is no link. A file written
// whole must be exactly as it was left. A file that was still being written (or a name we only
// expected) is known by its number alone, which a file made after ours was removed may have
// been given: for a window that is gone (strict), it is ours only while nothing in its folder
// has changed since that window's last record of it.
[[nodiscard]] bool ProvesOurs(const JournalRecords& records, const std::string& path, bool strict);

class FileJournal {
 public:
  // A new journal in folder (ending in a backslash): made as a private folder when missing;
  // an Error naming it when it is a link, a file or another user's. FileCreateError or an Error
  // naming the folder and the cause when no journal can be made or written.
  explicit FileJournal(const std::string& folder);
  FileJournal(const FileJournal&) = delete;
  FileJournal& operator=(const FileJournal&) = delete;
  // Sweeps; the journal itself goes too once nothing of ours is left, and the folder when
  // nothing else is in it.
  ~FileJournal();

  [[nodiscard]] const std::string& Folder() const { return folder_; }

  // Creates path (in a folder of ours) as a new, empty file and records it before anything is
  // written into it. False, touching nothing, when the name is taken; FileCreateError for
  // other failures; an Error naming the journal when the record cannot be written (the file
  // just made is removed again).
  [[nodiscard]] bool CreateNew(const std::string& path);
  // Records a file that was just created new at path on our behalf (the archive writer makes
  // its volumes only under free names), before anything is written into it.
  void RecordCreated(const std::string& path) { Record(JournalRecords::Kind::Created, path); }
  // Records a file just created new at path (a full path) in a folder of the user's, before
  // anything is written into it; and that it is no longer there (moved into the user's file's
  // place, or removed). What a killed run left there is removed by a later sweep only while
  // nothing in its folder has changed since: a file's number alone proves nothing.
  void RecordBeside(const std::string& path) { Record(JournalRecords::Kind::Beside, path); }
  void RecordGone(const std::string& path);
  // The file at path is written whole: from now on it is ours only in the state it has now.
  OwnedFile RecordDone(const std::string& path);
  // Creates and records a new folder named prefix and a number; returns it, ending in a
  // backslash. FileCreateError when none can be made.
  [[nodiscard]] std::string CreateFolder(const std::string& prefix);
  // A name that a file of ours may come to have in a folder of ours.
  void ExpectName(const std::string& path);

  // Whether the file at path is one this journal proves ours now.
  [[nodiscard]] bool IsOurs(const std::string& path) const { return ProvesOurs(records_, path, false); }
  // Removes the file at path when it is ours, and forgets it; true when no file of ours is
  // left there.
  bool RemoveIfOurs(const std::string& path);
  // Clears a name we expected a file of ours to get (a tool's list) of what a program we ran
  // left there instead: a file, or a folder with all it holds (a link inside goes itself, never
  // what it leads to). True when nothing is left at the name; false, touching nothing, when the
  // records do not prove the name ours (expected, in a folder of ours) or a link stands there.
  bool ClearExpectedName(const std::string& path);
  // Removes the folder when it is ours, with every file of ours in it; a folder that holds
  // anything else stays.
  void RemoveFolderIfOurs(const std::string& folder);
  // Removes every file and folder of ours that is still there; true when none is left.
  bool Sweep();

 private:
  void Append(const std::string& line);
  // Records the file or folder just made at path with its state now, and its folder as it is
  // then; what was made is removed again when the record cannot be written.
  void Record(JournalRecords::Kind kind, const std::string& path);

  std::string folder_;
  std::string path_;
  os::File file_;
  JournalRecords records_;
};

// A new folder of ours for one job (a mail's attachment, the tools' lists), removed with what of
// ours it holds when the job ends; FileCreateError when none can be made.
class JobFolder {
 public:
  JobFolder(FileJournal& journal, const std::string& prefix)
      : journal_(journal), path_(journal.CreateFolder(prefix)) {}
  JobFolder(const JobFolder&) = delete;
  JobFolder& operator=(const JobFolder&) = delete;
  ~JobFolder() { journal_.RemoveFolderIfOurs(path_); }
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  FileJournal& journal_;
  std::string path_;
};

// Sweeps what windows that never closed (killed) left behind in our own folder: every journal
// there that the current user owns and no running window holds, each removed once nothing it
// proves ours is left. Journals of other users, journals still held, links and files that are
// no journal of ours stay as they are. Never raises.
void SweepAbandonedJournals(const std::string& folder);

}  // namespace tavisto::delivery
