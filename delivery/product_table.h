// The five products as the window keeps them, indexed by SiblingProduct: what the lookups know
// of each, its archive writer, and the data folder Get Data last recorded for it.
//   ProductTable products;
//   products[SiblingProduct::Voyra].archiver.SetFileName(base + "VYData.zip");
#pragma once

#include <array>
#include <string>

#include "lookups/sibling_product.h"
#include "zip/archiver.h"

namespace tavisto::delivery {

struct ProductSlot {
  explicit ProductSlot(lookups::SiblingProduct which);
  ProductSlot(const ProductSlot&) = delete;
  ProductSlot& operator=(const ProductSlot&) = delete;

  const lookups::SiblingProduct product;
  const lookups::ProductConstants& known;
  zip::TArchiver archiver;  // named after its component ("ArchivioZorvel", ...)
  std::string dataPath;     // "AppDataPath" as Get Data last read it; "" before it packed the product
};

class ProductTable {
 public:
  ProductTable();

  [[nodiscard]] ProductSlot& operator[](lookups::SiblingProduct product) { return slots_[Index(product)]; }
  [[nodiscard]] const ProductSlot& operator[](lookups::SiblingProduct product) const {
    return slots_[Index(product)];
  }
  [[nodiscard]] auto begin() { return slots_.begin(); }
  [[nodiscard]] auto end() { return slots_.end(); }

  // The recorded data folders, in product order, as the report reads them.
  [[nodiscard]] std::array<std::string, 5> DataPaths() const;

 private:
  static size_t Index(lookups::SiblingProduct product) { return static_cast<size_t>(product); }
  std::array<ProductSlot, 5> slots_;
};

}  // namespace tavisto::delivery
