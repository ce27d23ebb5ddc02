#include "common/path_parts.h"

namespace tavisto {

std::string NameOf(std::string_view path) {
  const auto separator = path.find_last_of("\\/:");
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string FolderPrefixOf(std::string_view path) {
  return std::string(path.substr(0, path.size() - NameOf(path).size()));
}

std::string FolderOf(std::string_view path) {
  const auto separator = path.find_last_of("\\/");
  const bool hasDrive = path.size() >= 2 && path[1] == ':';
  if (separator == std::string_view::npos) return std::string(hasDrive ? path.substr(0, 2) : std::string_view());
  const bool isRoot = separator == 0 || (separator == 2 && hasDrive);
  return std::string(path.substr(0, isRoot ? separator + 1 : separator));
}

std::string PathIn(std::string_view folder, std::string_view name) {
  if (!folder.empty() && IsPathSeparator(folder.back())) folder.remove_suffix(1);
  std::string path(folder);
  path += '\\';
  path += name;
  return path;
}

}  // namespace tavisto
