// The product lookups on the program's registry layer.
#include "lookups/sibling_products.h"

#include "common/errors.h"
#include "os/registry.h"

namespace tavisto::lookups {
namespace {

std::optional<os::RegistryKey> OpenProductKey(SiblingProduct product) {
  return os::RegistryKey::Open(os::RegRoot::CurrentUser, Describe(product).registryKey);
}

}  // namespace

ProductFolder ReadProductFolder(SiblingProduct product, const std::string& valueName) {
  const auto key = OpenProductKey(product);
  if (!key) return {};
  const std::string where = std::string(Describe(product).name) + ": " + valueName +
                            " in HKEY_CURRENT_USER\\" + Describe(product).registryKey;
  try {
    return {key->ReadString(valueName), {}};
  } catch (const RegistryError&) {
    const auto info = key->ValueInfo(valueName);
    if (info && info->type != os::kRegSz && info->type != os::kRegExpandSz)
      return {{}, where + " is a " + os::RegTypeName(info->type) + ", not a folder"};
    return {{}, where + " cannot be read"};
  }
}

std::string ReadProductValue(SiblingProduct product, const std::string& valueName) {
  const auto key = OpenProductKey(product);
  if (!key) return std::string();
  return key->ReadString(valueName);
}

bool IsProductInstalled(SiblingProduct product) { return !ReadProductValue(product, kAppPathValue).empty(); }

bool HasProductData(SiblingProduct product) { return !ReadProductValue(product, kAppDataPathValue).empty(); }

std::string GetAnyProductAppPath() {
  for (SiblingProduct product : {SiblingProduct::Zorvel, SiblingProduct::Quorix, SiblingProduct::Pylvex,
                                 SiblingProduct::Voyra}) {
    if (const auto key = OpenProductKey(product)) return key->ReadString(kAppPathValue);
  }
  return std::string();
}

std::string GetProductsBaseFolder() {
  std::string programFolder;
  if (IsProductInstalled(SiblingProduct::Quorix)) {
    // Quorix's branch asks for any product's folder, so Zorvel's wins when its key exists.
    programFolder = GetAnyProductAppPath();
    // That key may have no "AppPath" at all; Quorix is installed, so its own folder is the
    // one to stand on rather than no base folder.
    if (programFolder.empty()) programFolder = ReadProductValue(SiblingProduct::Quorix, kAppPathValue);
  } else if (IsProductInstalled(SiblingProduct::Pylvex)) {
    programFolder = ReadProductValue(SiblingProduct::Pylvex, kAppPathValue);
  } else if (IsProductInstalled(SiblingProduct::Voyra)) {
    programFolder = ReadProductValue(SiblingProduct::Voyra, kAppPathValue);
  } else if (IsProductInstalled(SiblingProduct::Zorvel)) {
    programFolder = ReadProductValue(SiblingProduct::Zorvel, kAppPathValue);
  } else {
    return std::string();  // only MultiQrx, or nothing: no base folder
  }
  return ParentFolderOf(programFolder);
}

}  // namespace tavisto::lookups
