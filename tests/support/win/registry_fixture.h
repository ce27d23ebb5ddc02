// Registry values written by a test (keys, names and text in UTF-8) and put back as they were
// when the test ends: changed values get their old type and data back, new values and the keys
// the fixture created go.
//   RegistryFixture reg;
//   reg.SetString(HKEY_CURRENT_USER, "Software\\Velmo\\Zorvel\\AppPath", "AppPath", "C:\\Z\\");
// A fixture made with a view (KEY_WOW64_64KEY, KEY_WOW64_32KEY) writes that registry view of a
// 64-bit Windows, whichever the test program is.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavisto::test {

class RegistryFixture {
 public:
  explicit RegistryFixture(REGSAM view = 0) : view_(view) {}
  RegistryFixture(const RegistryFixture&) = delete;
  RegistryFixture& operator=(const RegistryFixture&) = delete;
  ~RegistryFixture();

  void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& value,
                 DWORD type = REG_SZ);
  void SetDword(HKEY root, const std::string& key, const std::string& name, uint32_t value);
  void SetBinary(HKEY root, const std::string& key, const std::string& name, const std::vector<uint8_t>& data);
  void SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
              const std::vector<uint8_t>& data);
  // Creates an empty key (and its missing parents).
  void CreateKey(HKEY root, const std::string& key);
  // Removes a value (restored at the end) or a whole key tree (restored: not supported; the
  // key must be one this fixture created or one the test may lose).
  void DeleteValue(HKEY root, const std::string& key, const std::string& name);
  void DeleteTree(HKEY root, const std::string& key);

 private:
  struct SavedValue {
    HKEY root;
    std::string key, name;
    bool existed;
    DWORD type;
    std::vector<uint8_t> data;
  };
  struct CreatedKey {
    HKEY root;
    std::string key;
  };
  void Remember(HKEY root, const std::string& key, const std::string& name);
  HKEY OpenOrCreate(HKEY root, const std::string& key);

  void Delete(HKEY root, const std::string& key);

  REGSAM view_;
  std::vector<SavedValue> saved_;
  std::vector<CreatedKey> created_;
};

}  // namespace tavisto::test
