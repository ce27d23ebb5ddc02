// Where the sibling products are (folders as UTF-8 paths): each answer read from the registry
// when asked, nothing cached, values used exactly as stored (no backslash added, nothing
// expanded).
//   if (IsProductInstalled(SiblingProduct::Zorvel)) ReadProductValue(SiblingProduct::Zorvel, "AppPath");
#pragma once

#include <string>

#include "lookups/sibling_product.h"

namespace tavisto::lookups {

// One string value of the product's key; "" when the key cannot be opened or the value is
// missing or empty. RegistryError ("Type de données incorrect pour '%s'") for a value that is
// neither REG_SZ nor REG_EXPAND_SZ.
[[nodiscard]] std::string ReadProductValue(SiblingProduct product, const std::string& valueName);

// A product's folder value (AppPath, AppDataPath) for the jobs that go on without it when it is
// not text: the path as stored, or one line that says what is wrong with it.
struct ProductFolder {
  std::string path;     // as stored; "" when the key or the value is missing or empty, or problem is set
  // Empty when the value reads as text (or is missing); else the product, the value, its key and
  // what it is: "Zorvel: AppPath in HKEY_CURRENT_USER\Software\Velmo\Zorvel is a REG_DWORD, not
  // a folder".
  std::string problem;
  [[nodiscard]] bool Readable() const { return problem.empty(); }
};
[[nodiscard]] ProductFolder ReadProductFolder(SiblingProduct product, const std::string& valueName);

// "AppPath" is not empty: the test for an installed product.
[[nodiscard]] bool IsProductInstalled(SiblingProduct product);
// "AppDataPath" is not empty: "Get Data"'s test for Quorix.
[[nodiscard]] bool HasProductData(SiblingProduct product);

// "AppPath" of the first of Zorvel, Quorix, Pylvex, Voyra whose key opens, even when that
// value is missing; "" when none opens.
[[nodiscard]] std::string GetAnyProductAppPath();

// The folder above the first installed product's program folder (Quorix's through
// GetAnyProductAppPath, then Pylvex, Voyra, Zorvel), ending in a backslash; "" when none of
// them is installed.
[[nodiscard]] std::string GetProductsBaseFolder();

}  // namespace tavisto::lookups
