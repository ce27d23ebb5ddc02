// The part of Get Data that asks the registry and the system's named objects: which products it
// packs and where their data is, and the lock that lets one run work at a time.
#include "delivery/get_data.h"

#include "lookups/known_folders.h"
#include "lookups/sibling_products.h"

namespace tavisto::delivery {
namespace {

using lookups::SiblingProduct;

constexpr char kLockName[] = "Tavisto Get Data";
constexpr char kWindowMarkName[] = "Tavisto Get Data in a window";

ProductLeftOut Unreadable(SiblingProduct product, const std::string& valueName, const std::string& problem) {
  return ProductLeftOut{"", RegistryValuePlace(product, valueName), problem, problem};
}

}  // namespace

GetDataPlan PlanGetData() {
  GetDataPlan plan;
  plan.tempFolder = lookups::GetTempFolder();
  for (SiblingProduct product : lookups::kAllProducts) {
    const size_t index = static_cast<size_t>(product);
    // Quorix is packed when it has a data folder, the others when they are installed.
    if (product != SiblingProduct::Quorix) {
      const lookups::ProductFolder program = lookups::ReadProductFolder(product, lookups::kAppPathValue);
      if (!program.Readable()) {
        plan.unreadable[index] = Unreadable(product, lookups::kAppPathValue, program.problem);
        continue;
      }
      if (program.path.empty()) continue;
    }
    const lookups::ProductFolder data = lookups::ReadProductFolder(product, lookups::kAppDataPathValue);
    if (!data.Readable()) {
      plan.unreadable[index] = Unreadable(product, lookups::kAppDataPathValue, data.problem);
      continue;
    }
    if (product == SiblingProduct::Quorix && data.path.empty()) continue;
    plan.dataPaths[index] = data.path;
  }
  return plan;
}

std::optional<GetDataLock> TakeGetDataLock(bool window) {
  // The mark first: whoever finds the lock held then also finds the mark of a window that holds it.
  std::optional<os::InstanceLock> mark;
  if (window) mark = os::InstanceLock::TryTake(kWindowMarkName);
  auto lock = os::InstanceLock::TryTake(kLockName);
  if (!lock) return std::nullopt;
  return GetDataLock{std::move(*lock), std::move(mark)};
}

std::string GetDataRunsElsewhereText() {
  // Free while no window runs Get Data; taken and given back at once.
  return os::InstanceLock::TryTake(kWindowMarkName) ? kGetDataRunsUnattended : kGetDataRunsInWindow;
}

}  // namespace tavisto::delivery
