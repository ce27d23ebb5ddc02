// Names that screen readers read for controls whose own text would not do: the memo holds the
// whole report, and a value label means nothing without its caption.
//   SetAccessibleName(memo, [] { return std::wstring(L"Analysis report"); });
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tavisto::app {

// The control answers Active Accessibility (WM_GETOBJECT) with the system's own object for it,
// so role, state, value and actions stay the system's, but with `name` as its name: asked each
// time a client reads it, so it follows the texts it is made of.
void SetAccessibleName(HWND control, std::function<std::wstring()> name);

}  // namespace tavisto::app
