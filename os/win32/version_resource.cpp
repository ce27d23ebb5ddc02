// Version resources through the version.dll API.
#include "os/version_resource.h"

#include <windows.h>

namespace tavisto::os {

std::optional<VersionResource> VersionResource::Load(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return std::nullopt;
  return VersionResource(std::move(data));
}

std::optional<uint32_t> VersionResource::FirstTranslation() const {
  void* value = nullptr;
  UINT length = 0;
  // VerQueryValue takes a non-const block; it only reads it.
  auto* block = const_cast<char*>(data_.data());
  if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", &value, &length) || length < 4)
    return std::nullopt;
  const auto* words = static_cast<const WORD*>(value);
  return static_cast<uint32_t>(words[0]) | (static_cast<uint32_t>(words[1]) << 16);
}

std::optional<std::string> VersionResource::QueryString(const std::string& blockPath) const {
  void* value = nullptr;
  UINT length = 0;
  auto* block = const_cast<char*>(data_.data());
  if (!VerQueryValueA(block, blockPath.c_str(), &value, &length) || !value) return std::nullopt;
  const auto* text = static_cast<const char*>(value);
  std::string result(text, length);
  const auto nul = result.find('\0');
  if (nul != std::string::npos) result.resize(nul);
  return result;
}

}  // namespace tavisto::os
