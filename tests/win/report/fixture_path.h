// The programs the build made for the tests (tests/fixtures), as a test under Wine reaches them.
#pragma once

#include <string>

namespace tavisto::test {

inline std::string Fixture(const char* name) { return std::string("Z:") + FIXTURE_DIR + "/" + name; }

}  // namespace tavisto::test
