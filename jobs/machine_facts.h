// What both faces tell the jobs about the machine and the program, from the identity components:
// the report's identity block and language, and the facts the manifest names.
//   const jobs::AnalysisFacts facts = jobs::AnalysisFactsOf(systemInfo, exeInfo);
#pragma once

#include <string>

#include "delivery/get_data.h"
#include "jobs/analysis_job.h"
#include "sysinfo/exe_info.h"
#include "sysinfo/system_info.h"

namespace tavisto::jobs {

// The user's language code as the report writes it (it_IT), asked of the system each time the
// report is made, whichever face makes it.
[[nodiscard]] std::string GetWindowsLanguage();

// The identity block in the report's code page (a user name keeps "?" only for what the code
// page lacks), and the language.
[[nodiscard]] AnalysisFacts AnalysisFactsOf(const sysinfo::TSystemInfo& system, const sysinfo::TExeInfo& exe);

// The program's version, the computer and the user, in UTF-8.
[[nodiscard]] delivery::RunFacts RunFactsOf(const sysinfo::TSystemInfo& system, const sysinfo::TExeInfo& exe);

}  // namespace tavisto::jobs
