// A file of the writer's own in a temporary folder (a saved archive tail, chunks waiting for the
// writing thread): opened by this process alone, closed and deleted whatever happens.
#pragma once

#include <string>

#include "os/files.h"

namespace tavisto::zip {

struct ScratchFile {
  enum class Made { Open, NotCreated, NotOpened };

  std::string path;
  os::File file;

  ScratchFile() = default;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile();

  // Creates a new "FC" file in the folder and opens it for reading and writing; says which step
  // failed (path is set once the file exists, so it is deleted all the same).
  Made Make(const std::string& folder);
};

}  // namespace tavisto::zip
