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
