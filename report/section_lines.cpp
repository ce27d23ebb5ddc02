#include "report/section_lines.h"

#include <algorithm>

#include "report/report_texts.h"

namespace tavisto::report {

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

std::string MissingToolNotice(const std::string& toolName) { return " \"" + toolName + "\" not present."; }

std::string StoppedToolNotice(const std::string& toolName, uint32_t timeLimitMs) {
  return " \"" + toolName + "\" did not finish within " + std::to_string((timeLimitMs + 999) / 1000) +
         " seconds and was stopped.";
}

std::string WithoutNuls(const std::string& line) {
  std::string text = line;
  text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
  return text;
}

}  // namespace tavisto::report
