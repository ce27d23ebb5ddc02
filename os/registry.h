// Read-only registry access as the program needs it: keys opened (never created) for reading,
// value and sub-key names in the registry's enumeration order, and typed reads that raise
// RegistryError when a value's type does not match the read. Key and value names and string
// data are UTF-8, whatever characters they hold.
//   if (auto key = os::RegistryKey::Open(os::RegRoot::CurrentUser, "Software\\Velmo")) {
//     std::string path = key->ReadString("AppPath");
//   }
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "os/handle.h"

namespace tavisto::os {

enum class RegRoot { CurrentUser, LocalMachine };

// Every key is opened for reading (KEY_READ) and nothing more: a user who is not an administrator,
// and under UAC an administrator too, is refused any wider access to HKEY_LOCAL_MACHINE keys.
inline constexpr uint32_t kKeyRead = 0x20019;

// Which registry a 32-bit process on 64-bit Windows opens: its own view, where parts of
// HKLM\SOFTWARE are redirected to a 32-bit copy, or the 64-bit one that the system and 64-bit
// programs see (KEY_WOW64_64KEY). Ask for Native64 only under WOW64: some 32-bit Windows
// versions refuse the flag.
enum class RegView { Own, Native64 };

// Raw registry value types.
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;
inline constexpr uint32_t kRegQword = 11;

// How the program's registry layer groups the raw types.
enum class RegDataKind { String, ExpandString, Integer, Binary, Unknown };
[[nodiscard]] RegDataKind KindOfType(uint32_t rawType);

// The registry's name of a raw type, as regedit shows it ("REG_DWORD"; "value of type 42" for
// one it has no name for).
[[nodiscard]] std::string RegTypeName(uint32_t rawType);

struct RegValueInfo {
  uint32_t type = kRegNone;
  uint32_t size = 0;  // bytes of data, the terminating NUL of a string included
  [[nodiscard]] RegDataKind Kind() const { return KindOfType(type); }
};

// A value as stored, from one query, so that its type, size and data agree whatever another
// program changes meanwhile; for readers that go on when a value is not what they expect.
struct RegValueData {
  uint32_t type = kRegNone;
  uint32_t size = 0;          // bytes the value holds
  std::vector<uint8_t> data;  // all of them, when size was within the size asked for; else none
  uint32_t error = 0;         // the system's error code when the value could not be read at all
  [[nodiscard]] RegDataKind Kind() const { return KindOfType(type); }
  [[nodiscard]] bool Whole() const { return error == 0 && data.size() == size; }
};

// The text of a string value read whole (REG_SZ, REG_EXPAND_SZ unexpanded) up to its first NUL.
[[nodiscard]] std::string StringData(const RegValueData& value);

class RegistryKey {
 public:
  // Opens root\path (a leading "\" is ignored; an empty path is the root itself); nothing
  // when the key is missing or the access is refused.
  [[nodiscard]] static std::optional<RegistryKey> Open(RegRoot root, const std::string& path,
                                                       uint32_t access = kKeyRead,
                                                       RegView view = RegView::Own);

  // A sub-key of this key by its name, opened through this key's handle: the depth of a tree
  // puts no limit on the length of the path that leads to it.
  [[nodiscard]] std::optional<RegistryKey> OpenSubKey(const std::string& name,
                                                      uint32_t access = kKeyRead) const;

  [[nodiscard]] std::vector<std::string> SubKeyNames() const;
  [[nodiscard]] std::vector<std::string> ValueNames() const;
  [[nodiscard]] std::optional<RegValueInfo> ValueInfo(const std::string& name) const;

  // A string value (REG_SZ or REG_EXPAND_SZ, unexpanded) up to its first NUL; "" when the
  // value is missing or empty; RegistryError for any other type.
  [[nodiscard]] std::string ReadString(const std::string& name) const;
  // A REG_DWORD as a signed 32-bit number; RegistryError for another type, a missing value
  // or more than 4 bytes of data.
  [[nodiscard]] int32_t ReadInteger(const std::string& name) const;
  // The raw bytes of a value of up to maxSize bytes (text as the code page holds it, as the
  // 8-bit registry functions give it); RegistryError when it cannot be read or is longer.
  [[nodiscard]] std::vector<uint8_t> ReadBytes(const std::string& name, uint32_t maxSize) const;
  // A REG_BINARY value of up to maxSize bytes; RegistryError for another type (the value may
  // have changed since it was listed) or when it cannot be read.
  [[nodiscard]] std::vector<uint8_t> ReadBinary(const std::string& name, uint32_t maxSize) const;
  // Any value with its raw type and size, its data too when it has at most maxSize bytes; never
  // raises: a value that cannot be read says why in error.
  [[nodiscard]] RegValueData ReadValue(const std::string& name, uint32_t maxSize = UINT32_MAX) const;

 private:
  // An open key's HKEY, closed once by its owner.
  struct KeyTraits {
    using Type = intptr_t;
    static constexpr Type Invalid() noexcept { return 0; }
    static void Close(Type handle) noexcept;
  };
  explicit RegistryKey(intptr_t handle) noexcept : handle_(handle) {}
  ScopedHandle<KeyTraits> handle_;
};

}  // namespace tavisto::os
