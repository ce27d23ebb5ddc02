// TForm1's "Start Analysis" handler and the report methods of the window.
#include "app/main_window.h"

#include "os/errors.h"

namespace tavisto::app {

void TForm1::Btn_StartAnalisysClick(HWND /*sender*/) {
  throw Error("Start Analysis is not available in this build");
}

}  // namespace tavisto::app
