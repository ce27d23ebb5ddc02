// A GUI program, as tavisto.exe is, that says what it was given: each argument in brackets on
// its output, whether its lines go anywhere on its error output, and a fixed exit code.
#include <windows.h>

#include <string>

#include "os/command_line.h"
#include "os/console.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  tavisto::os::Console console;
  for (const std::string& argument : tavisto::os::ProgramArguments()) console.WriteLine("[" + argument + "]");
  console.WriteErrorLine(console.Shown() ? "shown" : "not shown");
  return 7;
}
