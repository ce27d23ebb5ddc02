// A fresh temporary folder made the process's current directory for one test (the outside
// tools are looked for there and write "tmp.txt" there); the old one comes back afterwards.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/temp_dir.h"

namespace tavisto::test {

class WorkingFolder {
 public:
  WorkingFolder() {
    char saved[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, saved);
    saved_ = saved;
    SetCurrentDirectoryA(dir_.Root().c_str());
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;
  ~WorkingFolder() { SetCurrentDirectoryA(saved_.c_str()); }

  [[nodiscard]] std::string Path(const std::string& relative) const { return dir_.Path(relative); }

  // Copies a built program into the folder under the given name.
  [[nodiscard]] bool Install(const std::string& program, const std::string& as) const {
    return CopyFileA(program.c_str(), Path(as).c_str(), FALSE) != 0;
  }

 private:
  TempDir dir_;
  std::string saved_;
};

}  // namespace tavisto::test
