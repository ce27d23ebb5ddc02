// Makes the Data.zip Get Data would make of data folders, natively (tests/support/data_zip_maker):
// for bench/open_bench.py and for trying tavisto-open by hand.
//   make_data_zip OUT_FOLDER Zorvel=TREE [Quorix=TREE ...]
#include <cstdio>
#include <exception>
#include <string>

#include "tests/support/data_zip_maker.h"

int main(int argc, char** argv) {
  using namespace tavisto;
  if (argc < 3) {
    std::fprintf(stderr, "Usage: make_data_zip OUT_FOLDER PRODUCT=DATA_FOLDER ...\n");
    return 2;
  }
  std::vector<test::ProductData> products;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto equals = arg.find('=');
    bool known = false;
    for (const lookups::SiblingProduct product : lookups::kAllProducts) {
      if (equals != std::string::npos && arg.substr(0, equals) == lookups::Describe(product).name) {
        products.push_back({product, arg.substr(equals + 1)});
        known = true;
      }
    }
    if (!known) {
      std::fprintf(stderr, "%s: not PRODUCT=FOLDER with a product Tavisto knows\n", argv[i]);
      return 2;
    }
  }
  try {
    std::printf("%s\n", test::MakeDataZip(argv[1], products).c_str());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
