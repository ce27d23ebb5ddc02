#include "delivery/desktop_target.h"

#include "os/errors.h"
#include "os/files.h"

namespace tavisto::delivery {
namespace {

constexpr int kMostCopies = 10000;

std::string NameOf(const std::string& path) {
  const auto separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// "Data.zip" as "Data (n).zip": the number goes before the extension.
std::string Numbered(const std::string& path, int number) {
  const size_t nameStart = path.size() - NameOf(path).size();
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) dot = path.size();
  return path.substr(0, dot) + " (" + std::to_string(number) + ")" + path.substr(dot);
}

}  // namespace

std::string FreeTarget(const std::string& wanted, const std::optional<OwnedFile>& savedBefore) {
  for (int number = 1; number <= kMostCopies; ++number) {
    const std::string path = number == 1 ? wanted : Numbered(wanted, number);
    if (os::FileAttributes(path) == os::kInvalidAttributes) return path;
    if (savedBefore && savedBefore->path == path && savedBefore->Unchanged()) return path;
  }
  throw FileCreateError(wanted);
}

std::string SavedMessage(const std::string& wanted, const std::string& target) {
  if (NameOf(wanted) == NameOf(target)) return "File saved on your desktop.";
  return "File saved on your desktop as " + NameOf(target) + ".";
}

}  // namespace tavisto::delivery
