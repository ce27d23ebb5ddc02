// The analysis report, written in one pass in its fixed order of sections: identity, plug-in
// versions, the products' CS.log files, screen, software paths, serial driver versions,
// language, registry key log, file list, international settings, codecs, devices.
//   BuildAnalysisReport(inputs, folders, memo, progress);
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

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
  uint32_t toolTimeLimitMs = kToolTimeLimitMs;
};

// What the report records in the window for the other handlers.
struct ReportFolders {
  std::vector<std::string>& scanFolders;  // emptied, then Zorvel's three folders
  std::string& desktopFolder;
  std::string& tempFolder;
};

// Appends the whole report, telling progress which section it writes and how many are done.
// An error of a step (a registry value of the wrong type, a tool's list that cannot be read)
// ends the report there: lines written so far stay. A stop asked through progress ends it
// after the section in progress (a running tool is stopped and its list dropped) with
// os::Cancelled.
void BuildAnalysisReport(const ReportInputs& inputs, const ReportFolders& folders, LineSink& out,
                         os::ProgressSink& progress);

}  // namespace tavisto::report
