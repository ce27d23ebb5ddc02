// A file the user named, written whole before it takes the place of what is there: the bytes go
// into a new file of ours beside it, which replaces it in one step on Commit. Until then, and
// whatever goes wrong, the user's file is as it was, and a new file not committed is removed
// through its handle (only the file this made, whatever has its name by then). With a journal,
// the new file is recorded there before it holds anything, so that one a killed run left is
// removed by a later run that can prove it ours.
//   ReplacingFile out = ReplacingFile::Open("C:\\Support\\Report.txt", &journal);
//   ... write into out.File() ...
//   out.CheckReplaceable();   // before the first of several commits
//   out.Commit();
#pragma once

#include <string>
#include <utility>

#include "delivery/own_files.h"
#include "os/files.h"

namespace tavisto::delivery {

class ReplacingFile {
 public:
  // Opens the new file, named "path.tavisto-new" (or "-2", "-3", ... when that name is taken,
  // by a file that is then left alone). FileCreateError naming path when path cannot be
  // written: its folder does not exist, it names a folder or a read-only file, or no file can be
  // made in its folder (the cause then follows). An Error from journal when it cannot record.
  [[nodiscard]] static ReplacingFile Open(const std::string& path, FileJournal* journal = nullptr);

  ReplacingFile(ReplacingFile&& other) noexcept
      : path_(std::move(other.path_)),
        newPath_(std::move(other.newPath_)),
        file_(std::move(other.file_)),
        journal_(std::exchange(other.journal_, nullptr)) {}
  ReplacingFile& operator=(ReplacingFile&&) = delete;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  // Removes the new file unless it was committed.
  ~ReplacingFile();

  // The user's file, as asked for.
  [[nodiscard]] const std::string& Path() const { return path_; }
  // Where the bytes go until Commit.
  [[nodiscard]] const std::string& NewPath() const { return newPath_; }
  [[nodiscard]] os::File& File() { return file_; }
  // The user's file as a full path where it really is (a 32-bit program's System32 is
  // SysWOW64); Path() when the system cannot say. Asked before Commit.
  [[nodiscard]] std::string RealPath();

  // FileReplaceError naming path and the cause when the commit would be refused now: a
  // read-only file, or one another program holds without letting it be replaced.
  void CheckReplaceable() const;
  // Puts the new file's data on the disk, then the new file in path's place, and closes it.
  // FileReplaceError naming path and the cause when it cannot: the new file is then removed and
  // path is as it was.
  void Commit();
  // Removes the new file now, as the destructor would.
  void Discard() noexcept;

 private:
  ReplacingFile(std::string path, std::string newPath, os::File file, FileJournal* journal)
      : path_(std::move(path)), newPath_(std::move(newPath)), file_(std::move(file)), journal_(journal) {}
  std::string path_;
  std::string newPath_;
  os::File file_;
  FileJournal* journal_;
};

}  // namespace tavisto::delivery
