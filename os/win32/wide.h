// UTF-8 and UTF-16 at the seam to the wide Win32 API, and the extended-length form of paths.
//   HANDLE h = CreateFileW(os::win32::WidePath(path).c_str(), ...);
#pragma once

#include <string>
#include <string_view>

namespace tavisto::os::win32 {

// UTF-8 to UTF-16; a byte that is not part of well-formed UTF-8 becomes U+FFFD. Code-page text
// comes as an os::AnsiText and goes through ToWide(CP_ACP, ...).
[[nodiscard]] std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8 (an unpaired surrogate becomes U+FFFD).
[[nodiscard]] std::string Narrow(std::wstring_view wide);

// Text of a code page in UTF-16, and UTF-16 in a code page with WideCharToMultiByte's flags
// ("" when the system cannot convert it); usedDefault, when asked, says whether a character had
// no counterpart there.
[[nodiscard]] std::wstring ToWide(unsigned codePage, std::string_view text);
[[nodiscard]] std::string FromWide(unsigned codePage, unsigned long flags, std::wstring_view wide,
                                   bool* usedDefault = nullptr);

// A path as people write it: "\\?\C:\x" as "C:\x", "\\?\UNC\server\share" as "\\server\share".
[[nodiscard]] std::string WithoutExtendedPrefix(std::string path);

// A path for the wide file API: a path that is long once made absolute (close to MAX_PATH
// characters or more) gets the "\\?\" form (or "\\?\UNC\" for a network path), with "/" turned
// into "\" and "." and ".." steps resolved, since the system does not resolve them in that form.
// Shorter paths and paths already in that form are only widened.
[[nodiscard]] std::wstring WidePath(std::string_view utf8Path);

}  // namespace tavisto::os::win32
