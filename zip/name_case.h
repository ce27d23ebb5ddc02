// Entry names compared without regard to letter case, character by character on UTF-8 text:
// two names fold to the same text only when they differ in nothing but the case of their
// letters (Latin, Greek and Cyrillic letters with a plain case pair; any other character must
// match exactly), so two different files never pass for one.
//   if (FoldCase(a) == FoldCase(b)) ...   // "Été.txt" and "éTÉ.TXT"
#pragma once

#include <string>
#include <string_view>

namespace tavisto::zip {

// The character in lower case when it has a plain case pair, else itself.
[[nodiscard]] char32_t FoldChar(char32_t c);

// The text's characters, folded. A byte that is not part of well-formed UTF-8 stands for itself
// (as U+DC00 + byte, which no well-formed text holds).
[[nodiscard]] std::u32string FoldedChars(std::string_view utf8);

// The text with every letter folded, as UTF-8 (bytes that are not UTF-8 kept as they are).
[[nodiscard]] std::string FoldCase(std::string_view utf8);

// FoldedChars(a) == FoldedChars(b), and whether FoldedChars(text) begins with
// FoldedChars(prefix), compared as they are decoded, without building either.
[[nodiscard]] bool FoldedEqual(std::string_view a, std::string_view b);
[[nodiscard]] bool FoldedStartsWith(std::string_view text, std::string_view prefix);

}  // namespace tavisto::zip
