#include "report/program_versions.h"

#include "lookups/file_version.h"
#include "lookups/known_folders.h"
#include "os/text_encoding.h"
#include "report/inventories.h"

namespace tavisto::report {

void ListProgramVersions(const std::string& folder, LineSink& out) {
  LineList programs;
  if (lookups::FolderExists(folder)) ListFiles(folder, "*.exe", programs);
  for (const std::string& path : programs.lines)
    out.Add(os::Utf8ToAnsi(path + ": " + lookups::FileVersionIfExists(path).value_or("")).Bytes());
}

}  // namespace tavisto::report
