// One holder at a time for each user, across all of that user's processes and sessions: a
// named system object that only that user may open, released by the system when its holder
// ends, however it ends. A name another account took first is passed over for the next one, so
// that nobody else can keep the user from taking the lock.
//   auto lock = os::InstanceLock::TryTake("Tavisto Get Data");
//   if (!lock) ...  // another process of this user holds it
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "os/handle.h"

namespace tavisto::os {

struct LockHandleTraits {
  using Type = intptr_t;
  static constexpr Type Invalid() noexcept { return 0; }
  static void Close(Type handle) noexcept;  // per platform
};

class InstanceLock {
 public:
  // The lock named name for the current user when nobody holds it; nothing when another holder
  // of this user (in this process or another) has it. OSError when the system cannot tell, or
  // when other accounts hold every name the lock may take.
  [[nodiscard]] static std::optional<InstanceLock> TryTake(const std::string& name);

 private:
  using Type = LockHandleTraits::Type;
  explicit InstanceLock(Type handle) : handle_(handle) {}
  ScopedHandle<LockHandleTraits> handle_;
};

}  // namespace tavisto::os
