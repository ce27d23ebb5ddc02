// Program entry: with no arguments, create the main window and run the message loop until it
// closes; with the unattended mode's switches or /open, run without a window and end with its
// exit code; with a lone file, open it beside itself and say how it went in a message box.
#include <windows.h>
#include <objbase.h>

#include <exception>

#include "app/command_line.h"
#include "app/error_box.h"
#include "app/main_window.h"
#include "app/open_received.h"
#include "app/unattended.h"
#include "os/command_line.h"
#include "os/console.h"

namespace {

// The window's thread is a COM apartment for as long as the window lives: screen readers reach
// the controls' accessible objects through it.
struct ComApartment {
  ComApartment() : started(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (started) CoUninitialize();
  }
  const bool started;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  using namespace tavisto::app;
  const CommandLine asked = ParseCommandLine(tavisto::os::ProgramArguments());
  if (asked.mode == RunMode::OpenBeside || asked.mode == RunMode::BesideRefused) {
    // Started by Explorer, which has no console: everything is said in a message box.
    const ComApartment apartment;
    return RunOpenBeside(asked);
  }
  if (asked.mode != RunMode::Window) {
    // No window and no message box: what is to be said goes to the console or the output.
    tavisto::os::Console console;
    if (asked.mode == RunMode::Usage) {
      for (const std::string& line : UsageLines()) console.WriteLine(line);
      return kExitComplete;
    }
    if (asked.mode == RunMode::Refused) {
      console.WriteErrorLine(asked.refusal);
      for (const std::string& line : UsageLines()) console.WriteErrorLine(line);
      return kExitUsage;
    }
    if (asked.mode == RunMode::Open) return RunOpen(asked, console);
    const ComApartment apartment;
    return RunUnattended(asked, console);
  }
  const ComApartment apartment;
  tavisto::app::TForm1 Form1;
  try {
    Form1.Create(showCommand);
  } catch (const std::exception& error) {
    // An error while the main window is created (an owner value of the wrong type, say)
    // is shown and ends the program.
    tavisto::app::ShowErrorBox(nullptr, error);
    return 1;
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    // The system's dialog navigation: Tab and Shift+Tab through the controls in tab order, Enter
    // and Space press the focused button, Alt+letter a button's mnemonic.
    if (IsDialogMessageA(Form1.Handle(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
