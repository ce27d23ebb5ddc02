#include "report/section_lines.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "common/errors.h"
#include "os/os_error.h"
#include "common/progress_text.h"
#include "common/size_text.h"
#include "os/text_encoding.h"
#include "report/report_texts.h"

namespace tavisto::report {
namespace {

std::string Quoted(const std::string& toolName) { return " \"" + toolName + "\""; }

std::string HexCode(uint32_t code) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(code >> shift) & 0xF];
  return text;
}

}  // namespace

void WriteIdentityBlock(const IdentityFacts& facts, LineSink& out) {
  out.Add(kVersionLabel + facts.fileVersion);
  out.Add(kComputerLabel + facts.computerName);
  out.Add(kUserLabel + facts.userName);
  out.Add(kOwnerLabel + facts.regOwner + ", " + facts.regCompany);
  out.Add(kOsLabel + facts.osPlatform + " ver. " + facts.osVersion);
  out.Add(kTotalMemoryLabel + facts.totalPhys);
  out.Add(kAvailableMemoryLabel + facts.availPhys);
}

std::string ShortenedFolder(const std::string& value) {
  constexpr size_t kCut = 5;
  return value.size() <= kCut ? std::string() : value.substr(0, value.size() - kCut);
}

std::string MissingToolNotice(const std::string& toolName) { return Quoted(toolName) + " not present."; }

std::string StoppedToolNotice(const std::string& toolName, uint32_t timeLimitMs) {
  return Quoted(toolName) + " did not finish within " + CountOf((timeLimitMs + 999) / 1000, "second") +
         " and was stopped.";
}

std::string CrashedToolNotice(const std::string& toolName, uint32_t exceptionCode) {
  return Quoted(toolName) + " crashed" +
         (exceptionCode ? " (exception " + HexCode(exceptionCode) + ")" : std::string()) +
         "; its list is left out.";
}

std::string StaleOutputNotice(const std::string& toolName, const std::string& path, const std::string& what) {
  return Quoted(toolName) + " was not run: " + os::Utf8ToAnsi(path).Bytes() + " is there already (" + what +
         "), and it is not the program's to delete.";
}

std::string ToolExitText(const std::string& toolFile, uint32_t exitCode, bool wroteList) {
  if (exitCode == 0) return toolFile + " ended without writing a list";
  return toolFile + " ended with exit code " + std::to_string(exitCode) +
         (wroteList ? ": its list may be incomplete" : " and wrote no list");
}

std::string FolderListText(const std::string& toolFile) {
  return toolFile + " left " + kToolOutputFile + " as a folder, not a list";
}

std::string NotTextListText(const std::string& toolFile, uint64_t bytes) {
  return toolFile + " wrote a list that is not text (" + SizeText(bytes, SizeStyle::Bytes) + "): it is left out";
}

std::string CutListText(uint64_t kept, uint64_t size) {
  return "list cut at " + SizeText(kept) + " of " + SizeText(size);
}

std::string FailureText(const std::string& what, uint32_t errorCode) {
  const std::string reason = os::ErrorText(errorCode);
  return what + (reason.empty() ? std::string() : ": " + reason) + " (error " + std::to_string(errorCode) + ")";
}

std::string FailureLine(const std::string& what, uint32_t errorCode) {
  return os::Utf8ToAnsi(FailureText(what, errorCode)).Bytes();
}

std::string GrownFileText(const std::string& path, uint64_t bytesShown) {
  return path + " grew while it was read: the report holds its first " + SizeText(bytesShown, SizeStyle::Bytes);
}

std::string WithoutNuls(const std::string& line) {
  std::string text = line;
  text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
  return text;
}

std::string WaitingForToolText(const std::string& toolFile, uint32_t timeLimitMs) {
  return "Waiting for " + toolFile + " (at most " + CountOf((timeLimitMs + 999) / 1000, "second") + ")";
}

std::string PlainCause(const std::exception& error) {
  // A text too long to hold is the same lack of memory as a failed allocation.
  if (dynamic_cast<const std::bad_alloc*>(&error) || dynamic_cast<const std::length_error*>(&error))
    return "there is not enough memory for it";
  if (dynamic_cast<const Error*>(&error)) return error.what();
  return "an unexpected error occurred";
}

std::string IncompleteReportText(const std::string& section, const std::string& cause) {
  std::string why = cause;
  if (!why.empty() && why.back() == '.') why.pop_back();
  return "The analysis stopped at the section \"" + section + "\": " + why + ". The report is incomplete.";
}

}  // namespace tavisto::report
