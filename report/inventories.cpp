// The file list and the CS.log copy, on the OS layer's listings and files.
#include "report/inventories.h"

#include "os/dir_listing.h"
#include "os/files.h"
#include "report/file_mask.h"
#include "report/report_texts.h"
#include "report/section_lines.h"
#include "report/text_lines.h"

namespace tavisto::report {
namespace {

void ScanFolder(const std::string& folder, const FileMask& mask, LineSink& out) {
  std::string base = folder;
  if (!base.empty() && base.back() == '\\') base.pop_back();
  base += '\\';
  os::DirListing listing(base + "*.*");
  for (os::DirEntry entry; listing.Next(entry);) {
    // A search for normal, hidden and folder entries never returns system entries (nor
    // volume labels), so nothing below a system folder is seen either.
    if (entry.attributes & (os::kAttrSystem | os::kAttrVolumeLabel)) continue;
    if (entry.attributes & os::kAttrDirectory) {
      // A folder that is a link is not entered: it may lead back up the tree, and what it
      // points to is listed where it really is.
      if (entry.attributes & os::kAttrReparsePoint) continue;
      if (entry.name != "." && entry.name != "..") ScanFolder(base + entry.name, mask, out);
    } else if (Passes(mask, entry.name)) {
      out.Add(base + entry.name);
    }
  }
}

}  // namespace

void ListFiles(const std::string& folder, const std::string& mask, LineSink& out) {
  ScanFolder(folder, NormaliseMask(mask), out);
}

void CopyCsLog(const std::string& folder, LineSink& out) {
  if (folder.empty()) return;
  const std::string path = folder + kCsLogFile;
  if (!os::FileExists(path)) return;
  if (const auto failure = ReadTextLines(path, [&](const std::string& line) { out.Add(line); }))
    out.Add(UnreadableFileLine(path, *failure));
}

std::string UnreadableFileLine(const std::string& path, uint32_t errorCode) {
  return FailureLine(path + " could not be read", errorCode);
}

}  // namespace tavisto::report
