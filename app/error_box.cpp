#include "app/error_box.h"

#include "os/dialogs.h"

namespace tavisto::app {

std::string ErrorBoxText(const std::string& message) {
  if (message.empty() || message.back() == '.') return message;
  return message + ".";
}

void ShowErrorBox(const std::exception& error) {
  os::ShowDialog(ErrorBoxText(error.what()), os::DialogIcon::Error, {os::DialogAnswer::Ok});
}

}  // namespace tavisto::app
