// Registry keys written into the report as indented trees, and the key log of the maker's,
// ffdshow's and the serial ports' keys.
//   DumpKey(os::RegRoot::CurrentUser, "Control Panel\\International", 1, out, UserLocaleFormats(), problems);
#pragma once

#include <string>

#include "os/registry.h"
#include "report/line_sink.h"
#include "report/problems.h"
#include "report/value_text.h"

namespace tavisto::report {

// Appends the key's tree at the given depth (1 for a top-level call): each sub-key, in the
// registry's order, as 5 x depth blanks, "+ " and its name followed by its own tree; then the
// key's values, 6 x depth blanks deep. A key that cannot be opened adds nothing. A value that
// cannot be shown as its type says (a REG_DWORD that is not 4 bytes, a value that cannot be read)
// keeps its line, a note in place of its data ("(REG_DWORD of 8 bytes: not shown)"), and is
// added to problems with its key; the dump goes on.
void DumpKey(os::RegRoot root, const std::string& path, int depth, LineSink& out, const LocaleFormats& formats,
             Problems& problems);

// Appends the key log: the time now, then the dumps of HKCU Software\Velmo, HKLM and HKCU
// Software\GNU, and HKLM Hardware\DeviceMap\SerialComm under their headings.
void WriteKeyLog(LineSink& out, const LocaleFormats& formats, Problems& problems);

}  // namespace tavisto::report
