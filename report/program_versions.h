// The plug-in section's lines: every program file below a folder with its file version.
#pragma once

#include <string>

#include "report/line_sink.h"

namespace tavisto::report {

// For each file below the folder that passes the mask "*.exe" (names without an extension
// pass too), in listing order: its path, ": " and its FileVersion string ("" without one).
// Nothing when the folder does not exist.
void ListProgramVersions(const std::string& folder, LineSink& out);

}  // namespace tavisto::report
