// Registry reads through the RegXxxA functions.
#include "os/registry.h"

#include <windows.h>

#include "os/errors.h"

namespace tavisto::os {
namespace {

HKEY H(intptr_t handle) { return reinterpret_cast<HKEY>(handle); }

HKEY RootHandle(RegRoot root) {
  return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// Largest key and value names the registry allows, with room for the NUL.
constexpr DWORD kMaxKeyName = 256;
constexpr DWORD kMaxValueName = 16384;

}  // namespace

RegDataKind KindOfType(uint32_t rawType) {
  switch (rawType) {
    case kRegSz: return RegDataKind::String;
    case kRegExpandSz: return RegDataKind::ExpandString;
    case kRegDword: return RegDataKind::Integer;
    case kRegBinary: return RegDataKind::Binary;
    default: return RegDataKind::Unknown;
  }
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : handle_(other.handle_) { other.handle_ = 0; }

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    if (handle_) RegCloseKey(H(handle_));
    handle_ = other.handle_;
    other.handle_ = 0;
  }
  return *this;
}

RegistryKey::~RegistryKey() {
  if (handle_) RegCloseKey(H(handle_));
}

std::optional<RegistryKey> RegistryKey::Open(RegRoot root, const std::string& path, uint32_t access,
                                             RegView view) {
  const std::string relative = !path.empty() && path[0] == '\\' ? path.substr(1) : path;
  if (view == RegView::Native64) access |= KEY_WOW64_64KEY;
  HKEY key = nullptr;
  if (RegOpenKeyExA(RootHandle(root), relative.c_str(), 0, access, &key) != ERROR_SUCCESS)
    return std::nullopt;
  return RegistryKey(reinterpret_cast<intptr_t>(key));
}

std::vector<std::string> RegistryKey::SubKeyNames() const {
  std::vector<std::string> names;
  char name[kMaxKeyName];
  for (DWORD index = 0;; ++index) {
    DWORD length = kMaxKeyName;
    const LONG result = RegEnumKeyExA(H(handle_), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

std::vector<std::string> RegistryKey::ValueNames() const {
  std::vector<std::string> names;
  std::string name(kMaxValueName, '\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = kMaxValueName;
    const LONG result = RegEnumValueA(H(handle_), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

std::optional<RegValueInfo> RegistryKey::ValueInfo(const std::string& name) const {
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(H(handle_), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return RegValueInfo{type, size};
}

std::string RegistryKey::ReadString(const std::string& name) const {
  const auto info = ValueInfo(name);
  if (!info || info->size == 0) return std::string();
  std::string data(info->size, '\0');
  DWORD type = 0, size = info->size;
  if (RegQueryValueExA(H(handle_), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    throw RegistryError::GetDataFailed(name);
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw RegistryError::InvalidType(name);
  data.resize(size);
  const auto nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  return data;
}

int32_t RegistryKey::ReadInteger(const std::string& name) const {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExA(H(handle_), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS)
    throw RegistryError::GetDataFailed(name);
  if (type != REG_DWORD) throw RegistryError::InvalidType(name);
  return static_cast<int32_t>(value);
}

std::vector<uint8_t> RegistryKey::ReadBytes(const std::string& name, uint32_t maxSize) const {
  std::vector<uint8_t> data(maxSize);
  DWORD type = 0, size = maxSize;
  if (RegQueryValueExA(H(handle_), name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
    throw RegistryError::GetDataFailed(name);
  data.resize(size);
  return data;
}

std::vector<uint8_t> RegistryKey::ReadBinary(const std::string& name, uint32_t maxSize) const {
  std::vector<uint8_t> data(maxSize);
  DWORD type = 0, size = maxSize;
  if (RegQueryValueExA(H(handle_), name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
    throw RegistryError::GetDataFailed(name);
  if (type != REG_BINARY) throw RegistryError::InvalidType(name);
  data.resize(size);
  return data;
}

}  // namespace tavisto::os
