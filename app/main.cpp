// Program entry: create the main window and run the message loop until it closes.
#include <windows.h>

#include <exception>

#include "app/error_box.h"
#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  tavisto::app::TForm1 Form1;
  try {
    Form1.Create(showCommand);
  } catch (const std::exception& error) {
    // An error while the main window is created (an owner value of the wrong type, say)
    // is shown and ends the program.
    tavisto::app::ShowErrorBox(error);
    return 1;
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(Form1.Handle(), &message)) continue;  // Tab moves between controls
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
