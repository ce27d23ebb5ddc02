// Folders that only their user may enter, and who owns a file: a folder of the program's own
// holds nothing that another user of the machine put there.
//   if (!os::MakePrivateFolder(folder)) ...         // os::LastErrorCode() says why
//   if (!os::OwnedByCurrentUser(journal)) continue; // another user's: not ours to read
#pragma once

#include <string>

namespace tavisto::os {

// Creates a folder that grants access to the current user alone (Windows: a protected access
// list with one entry, the user's, and the user as owner; POSIX: mode 0700). False when it
// cannot be made (it exists already, among other causes).
[[nodiscard]] bool MakePrivateFolder(const std::string& path);

// Whether the file or folder at path (not what a link there points to) is owned by the user
// this process runs as. False when the system cannot tell.
[[nodiscard]] bool OwnedByCurrentUser(const std::string& path);

}  // namespace tavisto::os
