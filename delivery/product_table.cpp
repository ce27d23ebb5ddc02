#include "delivery/product_table.h"

namespace tavisto::delivery {

using lookups::SiblingProduct;

ProductSlot::ProductSlot(SiblingProduct which)
    : product(which), known(lookups::Describe(which)), archiver(known.archiveComponent) {}

ProductTable::ProductTable()
    : slots_{{ProductSlot(SiblingProduct::Zorvel), ProductSlot(SiblingProduct::Quorix),
              ProductSlot(SiblingProduct::Pylvex), ProductSlot(SiblingProduct::Voyra),
              ProductSlot(SiblingProduct::MultiQrx)}} {}

std::array<std::string, 5> ProductTable::DataPaths() const {
  std::array<std::string, 5> paths;
  for (size_t i = 0; i < paths.size(); ++i) paths[i] = slots_[i].dataPath;
  return paths;
}

}  // namespace tavisto::delivery
