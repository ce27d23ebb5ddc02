// The application's error box: what the user sees when a handler ends by an error.
#pragma once

#include <exception>
#include <string>

namespace tavisto::app {

// The error's text with a full stop appended unless it already ends in one.
[[nodiscard]] std::string ErrorBoxText(const std::string& message);

// Shows the error box, modal to owner (an HWND; nullptr: the active window): the text above
// (UTF-8, shown as it is through the wide API), the application title as caption, the error
// icon, OK.
void ShowErrorBox(void* owner, const std::string& message);
inline void ShowErrorBox(void* owner, const std::exception& error) { ShowErrorBox(owner, error.what()); }

}  // namespace tavisto::app
