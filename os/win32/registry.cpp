// Registry reads through the RegXxxW functions: names and text cross as UTF-8.
#include "os/registry.h"

#include <windows.h>

#include "common/errors.h"
#include "os/text_encoding.h"
#include "os/win32/wide.h"

namespace tavisto::os {
namespace {

template <typename Handle>
HKEY H(const Handle& handle) {
  return reinterpret_cast<HKEY>(handle.Get());
}

HKEY RootHandle(RegRoot root) {
  return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// Largest key and value names the registry allows, in characters, with room for the NUL.
constexpr DWORD kMaxKeyName = 256;
constexpr DWORD kMaxValueName = 16384;

using win32::Narrow;
using win32::Widen;

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

std::optional<RawValue> ReadRaw(HKEY key, const std::string& name) {
  const std::wstring wideName = Widen(name);
  RawValue value;
  DWORD size = 0;
  // The value may grow between asking its size and reading it: ask again until it fits.
  for (LONG result = ERROR_MORE_DATA; result == ERROR_MORE_DATA;) {
    if (RegQueryValueExW(key, wideName.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
      return std::nullopt;
    value.data.assign(size, 0);
    result = RegQueryValueExW(key, wideName.c_str(), nullptr, &value.type, value.data.data(), &size);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

// A string value's text up to its first NUL (the stored size counts the terminator).
std::wstring TextUpToNul(const RawValue& value) {
  std::wstring_view text(reinterpret_cast<const wchar_t*>(value.data.data()), value.data.size() / sizeof(wchar_t));
  const auto nul = text.find(L'\0');
  return std::wstring(nul == std::wstring_view::npos ? text : text.substr(0, nul));
}

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

std::string RegTypeName(uint32_t rawType) {
  switch (rawType) {
    case kRegNone: return "REG_NONE";
    case kRegSz: return "REG_SZ";
    case kRegExpandSz: return "REG_EXPAND_SZ";
    case kRegBinary: return "REG_BINARY";
    case kRegDword: return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return "REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return "REG_LINK";
    case kRegMultiSz: return "REG_MULTI_SZ";
    case kRegQword: return "REG_QWORD";
    default: return "value of type " + std::to_string(rawType);
  }
}

std::string StringData(const RegValueData& value) {
  return Narrow(TextUpToNul(RawValue{value.type, value.data}));
}

void RegistryKey::KeyTraits::Close(Type handle) noexcept { RegCloseKey(reinterpret_cast<HKEY>(handle)); }

std::optional<RegistryKey> RegistryKey::Open(RegRoot root, const std::string& path, uint32_t access,
                                             RegView view) {
  const std::string relative = !path.empty() && path[0] == '\\' ? path.substr(1) : path;
  if (view == RegView::Native64) access |= KEY_WOW64_64KEY;
  HKEY key = nullptr;
  if (RegOpenKeyExW(RootHandle(root), Widen(relative).c_str(), 0, access, &key) != ERROR_SUCCESS)
    return std::nullopt;
  return RegistryKey(reinterpret_cast<intptr_t>(key));
}

std::optional<RegistryKey> RegistryKey::OpenSubKey(const std::string& name, uint32_t access) const {
  HKEY key = nullptr;
  if (RegOpenKeyExW(H(handle_), Widen(name).c_str(), 0, access, &key) != ERROR_SUCCESS) return std::nullopt;
  return RegistryKey(reinterpret_cast<intptr_t>(key));
}

std::vector<std::string> RegistryKey::SubKeyNames() const {
  std::vector<std::string> names;
  wchar_t name[kMaxKeyName];
  for (DWORD index = 0;; ++index) {
    DWORD length = kMaxKeyName;
    const LONG result = RegEnumKeyExW(H(handle_), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS at the end
    names.push_back(Narrow(std::wstring_view(name, length)));
  }
  return names;
}

std::vector<std::string> RegistryKey::ValueNames() const {
  std::vector<std::string> names;
  std::wstring name(kMaxValueName, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = kMaxValueName;
    const LONG result = RegEnumValueW(H(handle_), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS at the end
    names.push_back(Narrow(std::wstring_view(name.data(), length)));
  }
  return names;
}

std::optional<RegValueInfo> RegistryKey::ValueInfo(const std::string& name) const {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(H(handle_), Widen(name).c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return RegValueInfo{type, size};
}

std::string RegistryKey::ReadString(const std::string& name) const {
  const auto info = ValueInfo(name);
  if (!info || info->size == 0) return std::string();
  const auto value = ReadRaw(H(handle_), name);
  if (!value) throw RegistryError::GetDataFailed(name);
  if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) throw RegistryError::InvalidType(name);
  return Narrow(TextUpToNul(*value));
}

int32_t RegistryKey::ReadInteger(const std::string& name) const {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExW(H(handle_), Widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS)
    throw RegistryError::GetDataFailed(name);
  if (type != REG_DWORD) throw RegistryError::InvalidType(name);
  return static_cast<int32_t>(value);
}

std::vector<uint8_t> RegistryKey::ReadBytes(const std::string& name, uint32_t maxSize) const {
  const auto value = ReadRaw(H(handle_), name);
  if (!value) throw RegistryError::GetDataFailed(name);
  std::vector<uint8_t> data = value->data;
  if (value->type == REG_SZ || value->type == REG_EXPAND_SZ || value->type == REG_MULTI_SZ) {
    // Text is given as the 8-bit functions give it: in the code page, its NULs included.
    const std::wstring_view text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2);
    const AnsiText ansi = Utf8ToAnsi(Narrow(text));
    data.assign(ansi.Bytes().begin(), ansi.Bytes().end());
  }
  if (data.size() > maxSize) throw RegistryError::GetDataFailed(name);
  return data;
}

std::vector<uint8_t> RegistryKey::ReadBinary(const std::string& name, uint32_t maxSize) const {
  std::vector<uint8_t> data(maxSize);
  DWORD type = 0, size = maxSize;
  if (RegQueryValueExW(H(handle_), Widen(name).c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
    throw RegistryError::GetDataFailed(name);
  if (type != REG_BINARY) throw RegistryError::InvalidType(name);
  data.resize(size);
  return data;
}

RegValueData RegistryKey::ReadValue(const std::string& name, uint32_t maxSize) const {
  const std::wstring wideName = Widen(name);
  RegValueData value;
  // The value may grow between asking its size and reading it: ask again until it fits.
  for (;;) {
    DWORD type = REG_NONE, size = 0;
    LONG result = RegQueryValueExW(H(handle_), wideName.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) return {REG_NONE, 0, {}, static_cast<uint32_t>(result)};
    value.type = type;
    value.size = size;
    if (size > maxSize) return value;
    value.data.assign(size, 0);
    result = RegQueryValueExW(H(handle_), wideName.c_str(), nullptr, &type, value.data.data(), &size);
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) return {REG_NONE, 0, {}, static_cast<uint32_t>(result)};
    value.type = type;
    value.size = size;
    value.data.resize(size);
    return value;
  }
}

}  // namespace tavisto::os
