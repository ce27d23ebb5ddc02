// Sets one of a component's event handlers for a scope and puts back whatever was there,
// however the scope is left: a handler that captures the caller's locals must not outlive them.
//   const ScopedEvent progress(archiver.OnFileProgress, [&](auto&...) { ... });
#pragma once

#include <utility>

namespace tavisto::delivery {

template <typename Event>
class ScopedEvent {
 public:
  ScopedEvent(Event& slot, Event handler) : slot_(slot), previous_(std::exchange(slot, std::move(handler))) {}
  ScopedEvent(const ScopedEvent&) = delete;
  ScopedEvent& operator=(const ScopedEvent&) = delete;
  ~ScopedEvent() { slot_ = std::move(previous_); }

 private:
  Event& slot_;
  Event previous_;
};

}  // namespace tavisto::delivery
