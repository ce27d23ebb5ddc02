// Modal message boxes with the application's title as caption; texts and captions are UTF-8.
//   os::ShowDialog(window, "Finished", os::DialogIcon::None, {os::DialogAnswer::Ok});
#pragma once

#include <initializer_list>
#include <string>

namespace tavisto::os {

enum class DialogAnswer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };
enum class DialogIcon { None, Error, Warning, Question, Information };

// The executable's file name without its extension: the caption of every box we show.
[[nodiscard]] std::string ApplicationTitle();

// Shows text with the given icon and buttons (in the order Windows lays them out) and waits
// for the answer. Offered sets: {Ok}, {Ok, Cancel}, {Abort, Retry, Ignore}, {Abort, Ignore},
// {Yes, No}. Where no one can answer (no window system), the safest answer of the set comes
// back: Abort, else Cancel, else No, else Ok.
// owner: the window (an HWND) the box is modal to, so that it never ends up owned by a progress
// dialog that happens to be active; nullptr for the thread's active window.
DialogAnswer ShowDialog(void* owner, const std::string& text, DialogIcon icon,
                        std::initializer_list<DialogAnswer> buttons,
                        const std::string& caption = ApplicationTitle());

}  // namespace tavisto::os
