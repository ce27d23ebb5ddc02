// What a stored name may become on disk: Windows' rules as plain logic, the same on every system.
#include "intake/stored_names.h"

#include <gtest/gtest.h>

namespace tavisto::intake {
namespace {

struct NameCase {
  const char* name;
  const char* parts;    // the parts joined with "|", or nullptr when refused
  const char* refusal;  // a phrase of the reason
};

TEST(StoredNames, ARefusedNameSaysWhyAndAWrittenOneKeepsItsParts) {
  const NameCase cases[] = {
      {"logs/CS.log", "logs|CS.log", ""},
      {"logs\\sub\\a b.txt", "logs|sub|a b.txt", ""},
      {"Sub/", "Sub", ""},
      {".hidden", ".hidden", ""},
      {"CONSOLE.txt", "CONSOLE.txt", ""},
      {"COM10", "COM10", ""},
      {"\xC3\xA9t\xC3\xA9.txt", "\xC3\xA9t\xC3\xA9.txt", ""},
      {"../evil.txt", nullptr, "climbs out"},
      {"a\\..\\..\\evil.txt", nullptr, "climbs out"},
      {"/etc/passwd", nullptr, "root of a drive"},
      {"\\Windows\\x", nullptr, "root of a drive"},
      {"\\\\server\\share\\x", nullptr, "network or device"},
      {"//?/C:/x", nullptr, "network or device"},
      {"\\\\.\\PhysicalDrive0", nullptr, "network or device"},
      {"\\??\\C:\\x", nullptr, "device path"},
      {"C:evil.txt", nullptr, "names a drive"},
      {"c:/evil.txt", nullptr, "names a drive"},
      {"file.txt:secret", nullptr, "alternate data stream"},
      {"a\x01" "b", nullptr, "control character"},
      {"what?.txt", nullptr, "does not allow"},
      {"a<b", nullptr, "does not allow"},
      {"CON", nullptr, "device name CON"},
      {"logs/aux.txt", nullptr, "device name aux"},
      {"LPT1 .log", nullptr, "device name LPT1"},
      {"com\xC2\xB9.txt", nullptr, "device name com"},
      {"CONIN$", nullptr, "device name CONIN$"},
      {"trailing./x", nullptr, "ends in a dot"},
      {"space /x", nullptr, "ends in a dot or a space"},
      {"a/./b", nullptr, "ends in a dot"},
      {"a//b", nullptr, "empty part"},
      {"", nullptr, "empty"},
      {"bad\xFF.txt", nullptr, "not valid UTF-8"},
  };
  for (const NameCase& each : cases) {
    const StoredNameVerdict verdict = CheckStoredName(each.name);
    if (each.parts) {
      EXPECT_EQ(verdict.refusal, "") << each.name;
      std::string joined;
      for (const std::string& part : verdict.parts) joined += (joined.empty() ? "" : "|") + part;
      EXPECT_EQ(joined, each.parts) << each.name;
    } else {
      EXPECT_NE(verdict.refusal.find(each.refusal), std::string::npos) << each.name << ": " << verdict.refusal;
      EXPECT_TRUE(verdict.parts.empty()) << each.name;
    }
  }
}

TEST(StoredNames, PrintableEscapesWhatWouldBreakALine) {
  EXPECT_EQ(Printable("a\r\nb\x7F\xFFz\xC3\xA9"), "a\\x0D\\x0Ab\\x7F\\xFFz\xC3\xA9");
}

}  // namespace
}  // namespace tavisto::intake
