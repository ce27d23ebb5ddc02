// The files a window writes where the user did not choose to have them: each one created new
// (never over a file of that name) and recorded, with its identity, in a journal the window
// holds open, unshared, while it lives. The window removes its files itself; what a killed
// window left behind is removed later through its journal, and only what the journal proves
// ours (the very file we created), never a file found by its name alone.
//   FileJournal journal(OwnFolder(tempFolder));
//   const std::string run = journal.CreateFolder(OwnFolder(tempFolder) + "Get Data ");
//   if (!journal.CreateNew(run + "Data.zip")) ...  // the name is taken: nothing was touched
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "os/file_identity.h"
#include "os/files.h"

namespace tavisto::delivery {

// The program's own folder in the temporary folder (both end in a backslash).
[[nodiscard]] std::string OwnFolder(const std::string& tempFolder);

// A file of ours as it was when we last wrote it: using it later is only right while it is
// still that file, unchanged.
struct OwnedFile {
  std::string path;
  os::FileState state;
  [[nodiscard]] bool Unchanged() const { return os::StateOf(path) == state; }
};

class FileJournal {
 public:
  // A new journal in folder (ending in a backslash; made when missing). FileCreateError when
  // none can be made.
  explicit FileJournal(const std::string& folder);
  FileJournal(const FileJournal&) = delete;
  FileJournal& operator=(const FileJournal&) = delete;
  // Sweeps; the journal itself goes too once nothing of ours is left, and its folder when the
  // journal made it and nothing else is in it.
  ~FileJournal();

  // Creates path as a new, empty file and records it before anything is written into it.
  // False, touching nothing, when the name is taken; FileCreateError for other failures.
  [[nodiscard]] bool CreateNew(const std::string& path);
  // Records a file that was just created new at path on our behalf (the archive writer makes
  // its volumes only under free names), before anything is written into it.
  void RecordCreated(const std::string& path) { Record(false, path); }
  // Creates and records a new folder named prefix and a number; returns it, ending in a
  // backslash. FileCreateError when none can be made.
  [[nodiscard]] std::string CreateFolder(const std::string& prefix);
  // A name a file of ours may come to have (a volume renamed to its archive's name).
  void ExpectName(const std::string& path);
  // Takes on the journal's folder as made by us (its maker was swept away), so that the folder
  // goes with this journal when nothing else is in it.
  void AdoptFolder();

  // Whether the file at path is one this journal created (whatever it holds now).
  [[nodiscard]] bool IsOurs(const std::string& path) const;
  // Removes the file at path when it is ours; true when no file of ours is left there.
  bool RemoveIfOurs(const std::string& path);
  // Removes the folder when it is ours, with the archive writer's scratch files still in it
  // (files of ours are removed first); a folder holding anything else stays.
  void RemoveFolderIfOurs(const std::string& folder);
  // Removes every file and folder of ours that is still there; true when none is left.
  bool Sweep();

  // What a journal records.
  struct Made {
    std::string path;
    os::FileIdentity identity;
  };
  struct Records {
    std::vector<Made> made;             // every file and folder we created, as created
    std::vector<std::string> files;     // every name a file of ours may have
    std::vector<std::string> folders;   // the folders we created, in order
    bool madeOwnFolder = false;         // the journal's own folder was made for it
  };

 private:
  void Append(const std::string& line);
  // Records the file or folder just made at path, with its identity.
  void Record(bool folder, const std::string& path);

  std::string folder_;
  bool madeFolder_ = false;
  std::string path_;
  os::File file_;
  Records records_;
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

// Sweeps what windows that never closed (killed) left behind: every journal in folder that no
// running window holds, each one removed once nothing it records is left. Files that are no
// journal of ours, and journals still held, stay as they are. True when a journal removed had
// made folder: the next journal there adopts it.
[[nodiscard]] bool SweepAbandonedJournals(const std::string& folder);

}  // namespace tavisto::delivery
