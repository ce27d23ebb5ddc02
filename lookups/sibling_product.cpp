// The product table and the base folder rule: plain data and text, built on every platform.
#include "lookups/sibling_product.h"

namespace tavisto::lookups {
namespace {

constexpr ProductConstants kProducts[] = {
    {"Zorvel", "Software\\Velmo\\Zorvel\\AppPath", "Zorvel", "ArchivioZorvel", "ZorvelData.zip",
     "--------------------Zorvel CS.log---------------", false},
    {"Quorix", "Software\\Velmo\\Quorix\\AppPath", "Qrx", "ArchivioQrx", "QrxData.zip",
     "--------------------QRX CS.log---------------", false},
    {"Pylvex", "Software\\Velmo\\Pylvex\\AppPath", "PY", "ArchivioPY", "PYData.zip",
     "--------------------PY CS.log---------------", false},
    {"Voyra", "Software\\Velmo\\Voyra\\AppPath", "VY", "ArchivioVY", "VYData.zip",
     "--------------------VY CS.log---------------", true},
    {"MultiQrx", "Software\\Velmo\\MultiQrx\\AppPath", "MQ", "ArchivioMQ", "MQData.zip",
     "--------------------MQ CS.log---------------", false},
};

}  // namespace

const ProductConstants& Describe(SiblingProduct product) { return kProducts[static_cast<int>(product)]; }

std::string ParentFolderOf(const std::string& programFolder) {
  std::string folder = programFolder;
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  while (!folder.empty() && folder.back() != '\\') folder.pop_back();
  return folder;
}

}  // namespace tavisto::lookups
