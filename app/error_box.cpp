#include "app/error_box.h"

#include "os/dialogs.h"

namespace tavisto::app {

std::string ErrorBoxText(const std::string& message) {
  if (message.empty() || message.back() == '.') return message;
  return message + ".";
}

void ShowErrorBox(void* owner, const std::string& message) {
  os::ShowDialog(owner, ErrorBoxText(message), os::DialogIcon::Error, {os::DialogAnswer::Ok});
}

}  // namespace tavisto::app
