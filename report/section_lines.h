// Lines of the report that are built from facts by plain rules: the identity block, the
// shortened Zorvel folders, the outside tools' notices and their text lines.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "report/line_sink.h"

namespace tavisto::report {

// The machine and program facts gathered when the window was created.
struct IdentityFacts {
  std::string fileVersion;
  std::string computerName;
  std::string userName;
  std::string regOwner;
  std::string regCompany;
  std::string osPlatform;
  std::string osVersion;
  std::string totalPhys;
  std::string availPhys;
};

// The seven lines of the identity block, each a label, its tabs and the value.
void WriteIdentityBlock(const IdentityFacts& facts, LineSink& out);

// A Zorvel folder value without its last five characters ("C:\Apps\Zorvel\Bin\" gives
// "C:\Apps\Zorvel"); "" for five characters or fewer.
[[nodiscard]] std::string ShortenedFolder(const std::string& value);

// ' "InstalledCodec" not present.' for a tool that is not there.
[[nodiscard]] std::string MissingToolNotice(const std::string& toolName);
// The line that stands for a tool that ran past its time limit and was stopped.
[[nodiscard]] std::string StoppedToolNotice(const std::string& toolName, uint32_t timeLimitMs);
// The line that stands for a tool that crashed (with the exception's code where it is known).
[[nodiscard]] std::string CrashedToolNotice(const std::string& toolName, uint32_t exceptionCode);
// The line that stands for a tool that was not run because something of its list's name (a
// UTF-8 path) is there already, what says what ("a file of 20 bytes", "a folder"): it would be
// read as the tool's list, and it is not ours to delete.
[[nodiscard]] std::string StaleOutputNotice(const std::string& toolName, const std::string& path,
                                            const std::string& what);

// What a tool's section says when the tool did not give a list that is whole (ASCII, so the
// same in UTF-8 and in the report): "InstalledCodec.exe ended with exit code 5 and wrote no list",
// "... ended with exit code 1: its list may be incomplete", "... ended without writing a list".
[[nodiscard]] std::string ToolExitText(const std::string& toolFile, uint32_t exitCode, bool wroteList);
// "InstalledCodec.exe left tmp.txt as a folder, not a list".
[[nodiscard]] std::string FolderListText(const std::string& toolFile);
// "InstalledCodec.exe wrote a list that is not text (2,048 bytes): it is left out".
[[nodiscard]] std::string NotTextListText(const std::string& toolFile, uint64_t bytes);
// "list cut at 16.0 MB of 200.0 MB": said of a list longer than the report takes (its last line
// there starts with "... ").
[[nodiscard]] std::string CutListText(uint64_t kept, uint64_t size);

// "<what>: <the system's reason> (error N)": FailureText in UTF-8, FailureLine in the report's
// code page.
[[nodiscard]] std::string FailureText(const std::string& what, uint32_t errorCode);
[[nodiscard]] std::string FailureLine(const std::string& what, uint32_t errorCode);

// "C:\Data\CS.log grew while it was read: the report holds its first 3,145,728 bytes" (UTF-8).
[[nodiscard]] std::string GrownFileText(const std::string& path, uint64_t bytesShown);

// The line with every NUL character taken out (the 32-bit device tool writes UTF-16).
[[nodiscard]] std::string WithoutNuls(const std::string& line);

// "Waiting for DevManView.exe (at most 60 seconds)": the progress display's time line while a
// tool runs, whose time nothing can estimate.
[[nodiscard]] std::string WaitingForToolText(const std::string& toolFile, uint32_t timeLimitMs);

// Why a step failed, in words for the user (UTF-8): the program's own errors say it themselves;
// a lack of memory, or anything unforeseen, in a plain sentence rather than the runtime's own
// name for it.
[[nodiscard]] std::string PlainCause(const std::exception& error);

// The words that end a report a failed step stopped (UTF-8): the section, the cause and that the
// report is incomplete.
[[nodiscard]] std::string IncompleteReportText(const std::string& section, const std::string& cause);

}  // namespace tavisto::report
