#include "os/library_handle.h"

#include <windows.h>

namespace tavisto::os {

void LibraryTraits::Close(Type module) { FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace tavisto::os
