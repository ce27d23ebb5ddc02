#include "delivery/add_files.h"

#include <utility>

#include "os/errors.h"

namespace tavisto::delivery {

void AddFilesReportingFullDisk(zip::TBaseArchiver& archiver, const std::string& mask) {
  std::string full;
  zip::TArcDiskFullEvent previous = std::exchange(
      archiver.OnDiskFull, [&full](zip::TBaseArchiver&, int32_t, const std::string& fileName, bool& cancel) {
        full = fileName;
        cancel = true;  // what the component does without a handler
      });
  try {
    archiver.AddFiles(mask, zip::kDefaultSearchAttr, "");
  } catch (...) {
    archiver.OnDiskFull = std::move(previous);
    throw;
  }
  archiver.OnDiskFull = std::move(previous);
  if (!full.empty()) throw Error("There is not enough space on the disk to write " + full);
}

}  // namespace tavisto::delivery
