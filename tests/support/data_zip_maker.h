// A Data.zip made natively the way Get Data makes it on Windows: each product's data folder
// packed by the archive writer with Get Data's settings (compression mode 1, split into volumes
// of 4097152 bytes named as the product's are, SHA-256 of every file), the volumes stored in
// Data.zip with manifest.json last, the volumes then removed. For the open tests and the bench.
//   const std::string dataZip = MakeDataZip(outFolder, {{SiblingProduct::Zorvel, tree}});
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lookups/sibling_product.h"

namespace tavisto::test {

struct ProductData {
  lookups::SiblingProduct product;
  std::string dataFolder;  // the folder packed (what Get Data reads as AppDataPath + "Data")
};

// Builds outFolder/Data.zip (outFolder exists, with a trailing separator or without) and returns
// its path. volumeSize: Get Data's, or smaller for tests that want many volumes. Error on failure.
[[nodiscard]] std::string MakeDataZip(const std::string& outFolder, const std::vector<ProductData>& products,
                                      int64_t volumeSize = 4097152);

}  // namespace tavisto::test
