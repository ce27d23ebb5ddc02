// The display conversions: UTF-8 text shown in the ANSI code page (Windows-1252 natively and under
// Wine's English locale), and code-page text taken back as UTF-8.
#include "os/text_encoding.h"

#include <gtest/gtest.h>

namespace tavisto::os {
namespace {

TEST(TextEncoding, CodePageTextRoundTripsThroughUtf8) {
  const AnsiText ansi("Jos\xE9 \x80 \x9C");  // é, the euro sign, oe ligature
  const std::string utf8 = AnsiToUtf8(ansi);
  EXPECT_EQ(utf8, "Jos\xC3\xA9 \xE2\x82\xAC \xC5\x93");
  EXPECT_EQ(Utf8ToAnsi(utf8), ansi);
}

TEST(TextEncoding, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  // A CJK character has no form in Windows-1252; it is shown, never dropped. A Greek capital
  // omega is not shown as the "O" it looks like, so that "\u03A9mega" never reads as "Omega".
  EXPECT_EQ(Utf8ToAnsi("a\xE4\xB8\xAD" "b").Bytes(), "a?b");
  EXPECT_EQ(Utf8ToAnsi("\xCE\xA9mega.txt").Bytes(), "?mega.txt");
  // A byte that is not UTF-8 is shown as "?", never guessed to be code-page text already.
  EXPECT_EQ(Utf8ToAnsi("caf\xE9").Bytes(), "caf?");
}

TEST(TextEncoding, RecognisesWellFormedUtf8Only) {
  EXPECT_TRUE(IsUtf8("plain ASCII"));
  EXPECT_TRUE(IsUtf8("\xCE\xA9mega \xF0\x9F\x98\x80"));  // Omega, an emoji
  EXPECT_FALSE(IsUtf8("caf\xE9"));                      // a lone Windows-1252 byte
  EXPECT_FALSE(IsUtf8("\xC0\xAF"));                     // overlong "/"
  EXPECT_FALSE(IsUtf8("\xED\xA0\x80"));                 // a surrogate
  EXPECT_FALSE(IsUtf8("\xE4\xB8"));                     // cut short
}

}  // namespace
}  // namespace tavisto::os
