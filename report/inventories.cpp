// The file list and the text files the report copies (CS.log, the tools' lists), on the OS
// layer's listings and files.
#include "report/inventories.h"

#include "common/path_parts.h"
#include "os/dir_listing.h"
#include "os/files.h"
#include "os/text_encoding.h"
#include "report/file_mask.h"
#include "report/report_texts.h"
#include "report/section_lines.h"
#include "report/text_lines.h"

namespace tavisto::report {
namespace {

// How much of a tool's list is looked at to tell text from other data.
constexpr size_t kTextSample = 4096;

// The line that says why a text was not copied whole, if anything kept it from that; its words
// in UTF-8.
std::string CopiedText(const std::string& path, const TextRead& read, LineSink& out) {
  if (read.failure) {
    out.Add(UnreadableFileLine(path, *read.failure));
    return FailureText(path + " could not be read", *read.failure);
  }
  if (!read.grew) return {};
  const std::string text = GrownFileText(path, read.taken);
  out.Add(os::Utf8ToAnsi(text).Bytes());
  return text;
}

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

std::string CopyCsLog(const std::string& folder, LineSink& out) {
  if (folder.empty()) return {};
  const std::string path = PathIn(folder, kCsLogFile);
  if (!os::FileExists(path)) return {};
  return CopiedText(path, ReadTextLines(path, [&](const std::string& line) { out.Add(line); }), out);
}

std::string CopyToolList(const std::string& path, const std::string& toolFile, bool removeNuls, uint64_t limit,
                         LineSink& out) {
  if (auto head = os::File::Open(path, os::Access::Read, os::kShareRead | os::kShareWrite,
                                 os::Disposition::OpenExisting)) {
    std::string bytes(kTextSample, '\0');
    const auto got = head->Read(bytes.data(), bytes.size());
    if (got && !LooksLikeText(std::string_view(bytes.data(), *got))) {
      const std::string text = NotTextListText(toolFile, static_cast<uint64_t>(head->Size().value_or(0)));
      out.Add(text);
      return text;
    }
  }
  const TextRead read = ReadTextLines(path, [&](const std::string& line) {
        out.Add(removeNuls ? WithoutNuls(line) : line);
      }, limit);
  if (!read.cut) return CopiedText(path, read, out);
  const std::string text = CutListText(read.taken, read.sizeAtOpen);
  out.Add("... " + text);
  return toolFile + ": " + text;
}

std::string UnreadableFileLine(const std::string& path, uint32_t errorCode) {
  return FailureLine(path + " could not be read", errorCode);
}

}  // namespace tavisto::report
