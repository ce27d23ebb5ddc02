// The maker's five sibling products, in their fixed order, with the constants that name them
// in the registry, in file names, in "Get Data"'s archives and in the report.
//   for (SiblingProduct product : kAllProducts) Describe(product).csLogHeading;
#pragma once

#include <array>
#include <string>

namespace tavisto::lookups {

enum class SiblingProduct { Zorvel, Quorix, Pylvex, Voyra, MultiQrx };

inline constexpr std::array<SiblingProduct, 5> kAllProducts = {
    SiblingProduct::Zorvel, SiblingProduct::Quorix, SiblingProduct::Pylvex, SiblingProduct::Voyra,
    SiblingProduct::MultiQrx};

struct ProductConstants {
  const char* name;              // as the customer knows it
  const char* registryKey;       // under HKEY_CURRENT_USER
  const char* shortForm;         // in file names
  const char* archiveComponent;  // the main window's archive writer for it
  const char* archiveFile;       // the per-product archive "Get Data" writes
  const char* csLogHeading;      // the heading of its CS.log section in the report
  // Its archive's volumes are named "_001" ... before the extension ("VYData_001.zip"), not
  // ".Z01" ...
  bool advancedNaming;
};

[[nodiscard]] const ProductConstants& Describe(SiblingProduct product);

// The value names a product key holds.
inline constexpr char kAppPathValue[] = "AppPath";
inline constexpr char kAppDataPathValue[] = "AppDataPath";
inline constexpr char kAppCommonDataPathValue[] = "AppCommonDataPath";

// The folder above a program folder, with its trailing backslash: one trailing backslash is
// dropped, then characters go from the end until a backslash ends the text. "" when no
// backslash is left (a name without one, a drive root such as C:\).
[[nodiscard]] std::string ParentFolderOf(const std::string& programFolder);

}  // namespace tavisto::lookups
