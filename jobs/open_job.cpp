// The checks before an open and the folder beside a dropped file; the open itself is intake's.
#include "jobs/open_job.h"

#include <optional>

#include "common/path_parts.h"
#include "os/files.h"
#include "os/os_error.h"
#include "os/same_file.h"

namespace tavisto::jobs {
namespace {

// "Data (opened 999)" is far past what anyone keeps beside one file; past it, something is wrong.
constexpr unsigned kMostBesideFolders = 999;

intake::OpenOutcome NotOpened(int exitCode, std::string why) {
  intake::OpenOutcome outcome;
  outcome.exitCode = exitCode;
  outcome.summary = std::move(why);
  return outcome;
}

// Nothing opened, said as the open says it.
intake::OpenOutcome NothingOpened(std::string why, report::LineSink& lines) {
  lines.Add("Nothing was opened: " + why);
  return NotOpened(intake::kExitNothingOpened, std::move(why));
}

// Why dataZip cannot be read as a Data.zip at all, before a folder is made for it: a folder
// would otherwise be refused as a file the system does not let us read.
std::optional<std::string> NotAFile(const std::string& dataZip) {
  const uint32_t attributes = os::FileAttributes(dataZip);
  if (attributes == os::kInvalidAttributes)
    return dataZip + " cannot be opened (" + os::ErrorText(os::LastErrorCode()) + ")";
  if (attributes & os::kAttrDirectory) return dataZip + " is a folder, not a Data.zip";
  return std::nullopt;
}

}  // namespace

intake::OpenOutcome OpenReceived(const intake::OpenRequest& request, report::LineSink& lines,
                                 os::ProgressSink& progress) {
  // Found before the open would call it "a file, not a folder": the user named one file twice.
  if (os::SameFile(request.dataZip, request.folder))
    return NotOpened(intake::kExitUsage, "The folder to open into, " + request.folder + ", is the Data.zip itself (" +
                                             request.dataZip + "): name a new or empty folder.");
  if (const auto why = NotAFile(request.dataZip)) return NothingOpened(*why, lines);
  return intake::OpenDataZip(request, lines, progress);
}

std::string BesideFolderName(const std::string& fileName, unsigned number) {
  std::string stem = fileName;
  const size_t dot = stem.rfind('.');
  if (dot != std::string::npos && dot > 0) stem.erase(dot);
  return stem + (number <= 1 ? " (opened)" : " (opened " + std::to_string(number) + ")");
}

BesideOutcome OpenBeside(const std::string& dataZip, report::LineSink& lines, os::ProgressSink& progress) {
  BesideOutcome done;
  // Explorer gives a full path; a console may give a relative one, and the message names the
  // folder where it really is.
  const std::string full = os::ResolvePath(dataZip).full;
  done.dataZip = full.empty() ? dataZip : full;
  if (const auto why = NotAFile(done.dataZip)) {
    done.opened = NothingOpened(*why, lines);
    return done;
  }
  // Made here, new: a folder of the same name that is already there may hold anyone's files.
  const std::string beside = FolderPrefixOf(done.dataZip);
  const std::string name = NameOf(done.dataZip);
  for (unsigned number = 1; number <= kMostBesideFolders; ++number) {
    const std::string folder = beside + BesideFolderName(name, number);
    if (os::MakeDirectory(folder)) {
      done.folder = folder;
      break;
    }
    const uint32_t error = os::LastErrorCode();
    if (error != os::kErrorAlreadyExists && error != os::kErrorFileExists) {
      done.opened = NothingOpened("no folder can be made beside " + done.dataZip + ": " + folder + " (" +
                                      os::ErrorText(error) + ")",
                                  lines);
      return done;
    }
  }
  if (done.folder.empty()) {
    done.opened = NothingOpened("no folder can be made beside " + done.dataZip + ": " + BesideFolderName(name, 1) +
                                    " to " + BesideFolderName(name, kMostBesideFolders) + " are all taken",
                                lines);
    return done;
  }
  done.opened = intake::OpenDataZip({done.dataZip, done.folder}, lines, progress);
  if (done.opened.exitCode == intake::kExitNothingOpened) {
    // The open has removed what it wrote: the folder is as empty as it was made, and goes too.
    (void)os::RemoveFolder(done.folder);
    done.folder.clear();
  }
  return done;
}

}  // namespace tavisto::jobs
