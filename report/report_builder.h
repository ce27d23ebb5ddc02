// The analysis report, written in one pass in its fixed order of sections: identity, plug-in
// versions, the products' CS.log files, screen, software paths, serial driver versions,
// language, registry key log, file list, international settings, codecs, devices.
//   const ReportResult found = BuildAnalysisReport(inputs, memo, progress);
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "common/errors.h"
#include "os/progress.h"
#include "report/line_sink.h"
#include "report/outside_tools.h"
#include "report/section_lines.h"

namespace tavisto::report {

struct ReportInputs {
  IdentityFacts identity;
  std::string language;  // the user's language code (it_IT), or ""
  // The data folders "Get Data" recorded, in product order (Zorvel, Quorix, Pylvex, Voyra,
  // MultiQrx); "" for a product it has not packed.
  std::array<std::string, 5> dataPaths;
  ToolRun tools;  // the tools' time limit, and the folder of the window's own they write in
};

// What the report found, beside its lines.
struct ReportResult {
  // The folders the file list scanned, in order: Zorvel's program, data and common data
  // folders (its registry values shortened), "" where a value is missing.
  std::vector<std::string> scanFolders;
  // What the report could not read although it went on, one line each (UTF-8), naming the key or
  // file and whose it is: a registry value it could not show, a product folder value that is not
  // text, a log that grew or could not be read, a tool that failed. The report has a line for
  // each where the part is missing.
  std::vector<std::string> problems;
};

// A report that a failed step ended. what() (UTF-8, for the error box) and Line() (the same
// words in the report's code page, for the memo's last line) name the section, say why in
// plain words and that the report is incomplete.
class IncompleteReport : public Error {
 public:
  IncompleteReport(const std::string& section, const std::exception& cause);
  [[nodiscard]] std::string Line() const;
};

// Appends the whole report, telling progress which section it writes, how far it has come and
// what out says it shows. What it cannot read costs a line, never the report; an unforeseen
// error of a step (a lack of memory) ends the report there with IncompleteReport: lines written
// so far stay, the closing line is the caller's to add. A stop asked through progress ends it within a moment (a
// running tool is stopped and its list dropped) with os::Cancelled.
[[nodiscard]] ReportResult BuildAnalysisReport(const ReportInputs& inputs, LineSink& out, os::ProgressSink& progress);

}  // namespace tavisto::report
