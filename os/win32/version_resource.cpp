// Version resources through the version.dll API, wide throughout: the path may hold any name,
// and the strings come back as UTF-8.
#include "os/version_resource.h"

#include <windows.h>

#include "os/win32/wide.h"

namespace tavisto::os {

std::optional<VersionResource> VersionResource::Load(const std::string& path) {
  const std::wstring wide = win32::WidePath(path);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<char> data(size);
  if (!GetFileVersionInfoW(wide.c_str(), 0, size, data.data())) return std::nullopt;
  return VersionResource(std::move(data));
}

std::optional<uint32_t> VersionResource::FirstTranslation() const {
  void* value = nullptr;
  UINT length = 0;
  // VerQueryValue takes a non-const block; it only reads it.
  auto* block = const_cast<char*>(data_.data());
  if (!VerQueryValueW(block, L"\\VarFileInfo\\Translation", &value, &length) || length < 4)
    return std::nullopt;
  const auto* words = static_cast<const WORD*>(value);
  return static_cast<uint32_t>(words[0]) | (static_cast<uint32_t>(words[1]) << 16);
}

std::optional<std::string> VersionResource::QueryString(const std::string& blockPath) const {
  void* value = nullptr;
  UINT length = 0;  // in characters
  auto* block = const_cast<char*>(data_.data());
  if (!VerQueryValueW(block, win32::Widen(blockPath).c_str(), &value, &length) || !value) return std::nullopt;
  std::wstring_view text(static_cast<const wchar_t*>(value), length);
  const auto nul = text.find(L'\0');
  if (nul != std::wstring_view::npos) text = text.substr(0, nul);
  return win32::Narrow(text);
}

}  // namespace tavisto::os
