// Where a save to the desktop goes without replacing a file of the user's: the name asked for
// while no file has it, or while the file there is the one this window saved and nobody changed
// since; else the first free "Name (2).ext", "Name (3).ext", ...
//   const std::string target = FreeTarget(desktop + "\\Data.zip", savedData);
#pragma once

#include <optional>
#include <string>

#include "delivery/own_files.h"

namespace tavisto::delivery {

[[nodiscard]] std::string FreeTarget(const std::string& wanted, const std::optional<OwnedFile>& savedBefore);

// "File saved on your desktop.", naming the file when it is not the one asked for.
[[nodiscard]] std::string SavedMessage(const std::string& wanted, const std::string& target);

}  // namespace tavisto::delivery
