// A file's version resource, loaded once and queried by block path.
//   if (auto res = os::VersionResource::Load(path))
//     auto version = res->QueryString("\\StringFileInfo\\040904E4\\FileVersion");
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavisto::os {

class VersionResource {
 public:
  // Nothing when the file (UTF-8 path) is missing, unreadable or has no version resource.
  [[nodiscard]] static std::optional<VersionResource> Load(const std::string& path);

  // The first entry of \VarFileInfo\Translation: language in the low 16 bits, code page in
  // the high 16 bits; nothing when the resource has no translation table.
  [[nodiscard]] std::optional<uint32_t> FirstTranslation() const;

  // A string of the resource by its full block path, up to its NUL, as UTF-8; nothing when absent.
  [[nodiscard]] std::optional<std::string> QueryString(const std::string& blockPath) const;

  // The version information block as the system returned it, for walking its structure.
  [[nodiscard]] const std::vector<char>& Bytes() const noexcept { return data_; }

 private:
  explicit VersionResource(std::vector<char> data) : data_(std::move(data)) {}
  std::vector<char> data_;
};

}  // namespace tavisto::os
