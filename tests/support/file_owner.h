// Files of another user, for tests of what the program must not trust: a journal put in its
// folder by someone else.
//   if (!GiveToAnotherUser(path)) ...   // this machine cannot make one here: say so
#pragma once

#include <string>

namespace tavisto::test {

// Makes another user (not the one the test runs as) the owner of the file; true when the
// system now says so. Needs the right to give files away (root; Wine allows it).
[[nodiscard]] bool GiveToAnotherUser(const std::string& path);

}  // namespace tavisto::test
