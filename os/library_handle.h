// A loaded library (a module handle), released exactly once.
//   LibraryHandle library(LoadLibraryA("MAPI32.DLL"));
#pragma once

#include "os/handle.h"

namespace tavisto::os {

struct LibraryTraits {
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static void Close(Type module);  // FreeLibrary
};
using LibraryHandle = ScopedHandle<LibraryTraits>;

}  // namespace tavisto::os
