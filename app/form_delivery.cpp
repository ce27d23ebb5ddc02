// TForm1's handlers that collect data and deliver results: Get Data, the two saves, the two mails.
#include "app/main_window.h"

#include "os/errors.h"

namespace tavisto::app {

void TForm1::Btn_GetDataClick(HWND /*sender*/) { throw Error("Get Data is not available in this build"); }

void TForm1::Btn_SaveResultClick(HWND /*sender*/) { throw Error("Save Result is not available in this build"); }

void TForm1::Btn_SaveDataClick(HWND /*sender*/) { throw Error("Save Data is not available in this build"); }

void TForm1::Btn_SendResultEmailClick(HWND /*sender*/) {
  throw Error("Send result by email is not available in this build");
}

void TForm1::Btn_SendDataEmailClick(HWND /*sender*/) {
  throw Error("Send data by email is not available in this build");
}

}  // namespace tavisto::app
