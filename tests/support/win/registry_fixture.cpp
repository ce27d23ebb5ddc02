#include "tests/support/win/registry_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "os/win32/wide.h"

namespace tavisto::test {

using os::win32::Widen;

RegistryFixture::~RegistryFixture() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(it->root, Widen(it->key).c_str(), 0, KEY_ALL_ACCESS | view_, &key) != ERROR_SUCCESS) continue;
    if (it->existed)
      RegSetValueExW(key, Widen(it->name).c_str(), 0, it->type, it->data.data(), static_cast<DWORD>(it->data.size()));
    else
      RegDeleteValueW(key, Widen(it->name).c_str());
    RegCloseKey(key);
  }
  // Deepest first, so parents go after their children.
  std::sort(created_.begin(), created_.end(),
            [](const CreatedKey& a, const CreatedKey& b) { return a.key.size() > b.key.size(); });
  for (const CreatedKey& created : created_) Delete(created.root, created.key);
}

void RegistryFixture::Delete(HKEY root, const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, Widen(key).c_str(), 0, KEY_ALL_ACCESS | view_, &opened) != ERROR_SUCCESS) return;
  RegDeleteTreeW(opened, nullptr);  // what is below the key
  RegCloseKey(opened);
  RegDeleteKeyExW(root, Widen(key).c_str(), view_, 0);
}

HKEY RegistryFixture::OpenOrCreate(HKEY root, const std::string& key) {
  // Create each missing level ourselves so that we know which keys to remove afterwards.
  for (size_t i = 0; i <= key.size(); ++i) {
    if (i != key.size() && key[i] != '\\') continue;
    const std::string level = key.substr(0, i);
    HKEY probe = nullptr;
    if (RegOpenKeyExW(root, Widen(level).c_str(), 0, KEY_READ | view_, &probe) == ERROR_SUCCESS) {
      RegCloseKey(probe);
      continue;
    }
    HKEY made = nullptr;
    if (RegCreateKeyExW(root, Widen(level).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &made, nullptr) == ERROR_SUCCESS) {
      RegCloseKey(made);
      created_.push_back({root, level});
    }
  }
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, Widen(key).c_str(), 0, KEY_ALL_ACCESS | view_, &opened) != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot open or create registry key " << key;
    return nullptr;
  }
  return opened;
}

void RegistryFixture::Remember(HKEY root, const std::string& key, const std::string& name) {
  for (const SavedValue& value : saved_)
    if (value.root == root && value.key == key && value.name == name) return;
  SavedValue value{root, key, name, false, REG_NONE, {}};
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, Widen(key).c_str(), 0, KEY_READ | view_, &opened) == ERROR_SUCCESS) {
    DWORD size = 0;
    if (RegQueryValueExW(opened, Widen(name).c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
      value.data.resize(size);
      value.existed = RegQueryValueExW(opened, Widen(name).c_str(), nullptr, &value.type, value.data.data(), &size) ==
                      ERROR_SUCCESS;
    }
    RegCloseKey(opened);
  }
  saved_.push_back(std::move(value));
}

void RegistryFixture::SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
                             const std::vector<uint8_t>& data) {
  Remember(root, key, name);
  HKEY opened = OpenOrCreate(root, key);
  if (!opened) return;
  if (RegSetValueExW(opened, Widen(name).c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
    ADD_FAILURE() << "cannot set registry value " << key << "\\" << name;
  RegCloseKey(opened);
}

void RegistryFixture::SetString(HKEY root, const std::string& key, const std::string& name,
                                const std::string& value, DWORD type) {
  // Stored as the wide functions store text: UTF-16 with its NUL.
  const std::wstring wide = Widen(value) + L'\0';
  const auto* bytes = reinterpret_cast<const uint8_t*>(wide.data());
  SetRaw(root, key, name, type, std::vector<uint8_t>(bytes, bytes + wide.size() * sizeof(wchar_t)));
}

void RegistryFixture::SetDword(HKEY root, const std::string& key, const std::string& name, uint32_t value) {
  std::vector<uint8_t> data(4);
  for (int i = 0; i < 4; ++i) data[i] = static_cast<uint8_t>(value >> (8 * i));
  SetRaw(root, key, name, REG_DWORD, data);
}

void RegistryFixture::SetBinary(HKEY root, const std::string& key, const std::string& name,
                                const std::vector<uint8_t>& data) {
  SetRaw(root, key, name, REG_BINARY, data);
}

void RegistryFixture::CreateKey(HKEY root, const std::string& key) {
  if (HKEY opened = OpenOrCreate(root, key)) RegCloseKey(opened);
}

void RegistryFixture::DeleteValue(HKEY root, const std::string& key, const std::string& name) {
  Remember(root, key, name);
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, Widen(key).c_str(), 0, KEY_ALL_ACCESS | view_, &opened) != ERROR_SUCCESS) return;
  RegDeleteValueW(opened, Widen(name).c_str());
  RegCloseKey(opened);
}

void RegistryFixture::DeleteTree(HKEY root, const std::string& key) { Delete(root, key); }

}  // namespace tavisto::test
