// Folder links for tests: what a customer's machine may hold (a folder that points elsewhere,
// even back to its own parent) and what Wine shows for a Linux symbolic link.
//   ASSERT_TRUE(MakeFolderLink(dir.Path("data/loop"), dir.Path("data")));
#pragma once

#include <string>

namespace tavisto::test {

// Makes link a symbolic link to the folder target (both absolute); true when the system now
// shows link as a link (the reparse-point attribute). Under Wine the link is a Linux symbolic
// link, the only kind Wine 8 makes.
[[nodiscard]] bool MakeFolderLink(const std::string& link, const std::string& target);

// Makes link a symbolic link to the file target; true when the system now shows link as a link.
// False under Wine, which shows a link to a file as the file itself.
[[nodiscard]] bool MakeFileLink(const std::string& link, const std::string& target);

// Removes such a link, never what it points to (Wine 8 cannot remove a link to a folder that
// holds something: it looks through the link). True when the link is gone.
bool RemoveFolderLink(const std::string& link);

}  // namespace tavisto::test
