// The one place that decides what a name stored in an archive may become on disk. Windows'
// rules are plain logic here, so they hold (and are tested) on every platform: a name becomes a
// path inside the folder meant for it, or it is refused with the reason in words. What needs the
// folder (the length once joined to it, two names Windows would take for one) is checked where
// the files are written.
//   const StoredNameVerdict verdict = CheckStoredName("logs/CS.log");
//   if (!verdict.refusal.empty()) list(Printable(name) + ": " + verdict.refusal);
//   else for (const std::string& part : verdict.parts) ...   // "logs", "CS.log"
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavisto::intake {

struct StoredNameVerdict {
  std::vector<std::string> parts;  // the folders, then the file's (or folder's) own name
  bool folder = false;             // the name ended in a separator
  std::string refusal;             // why it cannot be written; "" when it can
};

[[nodiscard]] StoredNameVerdict CheckStoredName(std::string_view name);

// The name as a line of text may show it: control characters, DEL and bytes that are not UTF-8
// as \xNN, so that every line stays one line.
[[nodiscard]] std::string Printable(std::string_view name);

}  // namespace tavisto::intake
