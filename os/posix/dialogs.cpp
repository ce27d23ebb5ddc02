// Without a window system nobody can answer: the question goes to stderr and the safest
// answer of the set comes back, so an unattended run never loops on Retry.
#include "os/dialogs.h"

#include <algorithm>
#include <cstdio>

namespace tavisto::os {

std::string ApplicationTitle() { return "tavisto"; }

DialogAnswer ShowDialog(void* /*owner*/, const std::string& text, DialogIcon /*icon*/,
                        std::initializer_list<DialogAnswer> buttons, const std::string& caption) {
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  for (DialogAnswer safest : {DialogAnswer::Abort, DialogAnswer::Cancel, DialogAnswer::No}) {
    if (std::find(buttons.begin(), buttons.end(), safest) != buttons.end()) return safest;
  }
  return DialogAnswer::Ok;
}

}  // namespace tavisto::os
