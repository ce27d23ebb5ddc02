// Conversions through MultiByteToWideChar and WideCharToMultiByte.
#include "os/win32/wide.h"

#include <windows.h>

#include <vector>

#include "os/text_encoding.h"

namespace tavisto::os::win32 {
namespace {

// Paths this long or longer need the extended form: CreateDirectoryW stops at MAX_PATH - 12.
constexpr size_t kExtendedFrom = MAX_PATH - 12;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Whether a name of the path ends in a dot or a space: the usual form of a path loses those (the
// system trims them), so such a file, named so by another system, is reached only through the
// extended form. Masks ("*.") are the system's own business.
bool HasNameTheSystemTrims(std::wstring_view path) {
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    const std::wstring_view name = path.substr(start, i - start);
    start = i + 1;
    if (name.empty() || name == L"." || name == L".." || name.find_first_of(L"*?") != std::wstring_view::npos) continue;
    if (name.back() == L'.' || name.back() == L' ') return true;
  }
  return false;
}

}  // namespace

std::wstring ToWide(unsigned codePage, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string FromWide(unsigned codePage, unsigned long flags, std::wstring_view wide, bool* usedDefault) {
  if (usedDefault) *usedDefault = false;
  if (wide.empty()) return {};
  // UTF-8 takes no default character: the system refuses the call when asked about one.
  BOOL defaulted = FALSE;
  BOOL* const asked = usedDefault ? &defaulted : nullptr;
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, asked);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length), '\0');
  if (WideCharToMultiByte(codePage, flags, wide.data(), size, text.data(), length, nullptr, asked) != length) return {};
  if (usedDefault) *usedDefault = defaulted != FALSE;
  return text;
}

std::wstring Widen(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }

std::string Narrow(std::wstring_view wide) { return FromWide(CP_UTF8, 0, wide); }

std::string WithoutExtendedPrefix(std::string path) {
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + path.substr(8);
  if (path.rfind("\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

std::wstring WidePath(std::string_view utf8Path) {
  std::wstring path = Widen(utf8Path);
  if (path.rfind(L"\\\\?\\", 0) == 0) return path;
  const bool hasDrive = path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]);
  const bool isNetwork = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
  const bool trimmed = HasNameTheSystemTrims(path);
  if (trimmed && !hasDrive && !isNetwork && !IsSeparator(path[0]) && path.find(L':') == std::wstring::npos) {
    // Relative to the current folder; made whole here, since the system would trim the names.
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(needed, L'\0');
    const DWORD length = needed ? GetCurrentDirectoryW(needed, folder.data()) : 0;
    if (length == 0 || length >= needed) return path;
    folder.resize(length);
    path = folder + (IsSeparator(folder.back()) ? L"" : L"\\") + path;
  } else if (!hasDrive && !isNetwork) {
    // A relative path is long when the folder it is relative to makes it so: the system
    // resolves it the same way here, and the extended form is built from its full form.
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0 || needed - 1 < kExtendedFrom) return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    path = std::move(full);
  } else if (path.size() < kExtendedFrom && !trimmed) {
    return path;
  }
  std::wstring prefix;
  std::wstring rest;
  if (path[1] == L':') {
    prefix = L"\\\\?\\" + path.substr(0, 2);
    rest = path.substr(2);
  } else {
    prefix = L"\\\\?\\UNC";
    rest = path.substr(1);  // keeps one separator before the server
  }
  // The extended form takes the path as it is: resolve "." and ".." and doubled separators here.
  std::vector<std::wstring> parts;
  std::wstring part;
  const auto flush = [&] {
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (wchar_t c : rest) {
    if (IsSeparator(c)) flush();
    else part += c;
  }
  flush();
  std::wstring result = prefix;
  for (const std::wstring& each : parts) result += L"\\" + each;
  if (IsSeparator(path.back())) result += L"\\";
  return result;
}

}  // namespace tavisto::os::win32
