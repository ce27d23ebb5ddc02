// Unique scratch files: the system picks a new name from a short prefix, in a given folder, and
// creates the file empty so that no one else takes the name.
//   auto path = os::CreateUniqueTempFile(os::SystemTempFolder(), "FC");
#pragma once

#include <optional>
#include <string>

namespace tavisto::os {

// Creates an empty file named prefix + a unique part (+ ".tmp" on Windows, as GetTempFileName
// names it) in folder (UTF-8, of any length, with or without its trailing separator); returns
// its path, or nothing when the folder does not exist or cannot be written (LastErrorCode()
// tells why).
[[nodiscard]] std::optional<std::string> CreateUniqueTempFile(const std::string& folder,
                                                              const std::string& prefix);

}  // namespace tavisto::os
