// The program without its window, as its steps: the files the command line names are checked
// before any work (one file under two spellings, a file inside a folder Get Data packs or inside
// Tavisto's own folder: refused), opened, written in full beside what is there, checked again
// that each can take its place, and put in place one after the other; every step says what it
// does through the caller's output, and the run ends with a word a script can act on. A stop
// (Ctrl+C, a console closing) ends it at the next check with nothing written.
//   const RunEnd end = RunUnattended(UnattendedRequest{report, data}, output);
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavisto::jobs {

// What the command line asks to write.
struct UnattendedRequest {
  std::optional<std::string> reportFile;
  std::optional<std::string> dataFile;
};

enum class RunEnd {
  Complete,    // everything asked for was written, and is complete
  Incomplete,  // written, but something is missing (named in the output), or only some files were
  Refused,     // what was asked cannot be done as asked: nothing was done
  Failed,      // failed: nothing was written
};

// Where a run says what it does, and how it learns that it is to stop.
class RunOutput {
 public:
  virtual ~RunOutput() = default;
  virtual void Line(std::string_view line) = 0;
  virtual void ErrorLine(std::string_view line) = 0;
  [[nodiscard]] virtual bool StopRequested() = 0;
};

// Runs what request asks: Get Data first, so that the report has the CS.log sections it records;
// without it, the report's data folders are looked up as Get Data would read them.
[[nodiscard]] RunEnd RunUnattended(const UnattendedRequest& request, RunOutput& output);

// Why the files or folders a command writes cannot be the ones asked for, before any work: one
// given twice under two spellings, or one inside a folder the run packs or cleans up (the path
// itself, or any folder above it, however spelled). Nothing when they may be written.
struct NamedTarget {
  std::string option;  // as the usage names it: "/data"
  std::string path;    // as given
};
struct GuardedFolder {
  std::string folder;
  std::string what;  // "the Zorvel data folder", "Tavisto's own folder"
  std::string why;   // "which Get Data packs"
};
[[nodiscard]] std::optional<std::string> TargetsRefusal(const std::vector<NamedTarget>& targets,
                                                        const std::vector<GuardedFolder>& guarded);

}  // namespace tavisto::jobs
