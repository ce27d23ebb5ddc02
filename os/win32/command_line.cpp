// The command line through CommandLineToArgvW: the wide line, so that no argument is narrowed
// to the code page on the way.
#include "os/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "os/win32/wide.h"

namespace tavisto::os {

std::vector<std::string> ProgramArguments() {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!words) return {};
  std::vector<std::string> arguments;
  // The first word is the program as it was started.
  for (int i = 1; i < count; ++i) arguments.push_back(win32::Narrow(words[i]));
  LocalFree(words);
  return arguments;
}

}  // namespace tavisto::os
