// One owner for every kind of OS handle: a traits class says what "no handle" is and how to
// release one, so every handle kind is closed exactly once, on every path.
//   struct FindTraits { using Type = HANDLE; static Type Invalid(); static void Close(Type); };
//   ScopedHandle<FindTraits> find(FindFirstFileW(...));
#pragma once

#include <utility>

namespace tavisto::os {

template <typename Traits>
class ScopedHandle {
 public:
  using Type = typename Traits::Type;

  ScopedHandle() noexcept : handle_(Traits::Invalid()) {}
  explicit ScopedHandle(Type handle) noexcept : handle_(handle) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~ScopedHandle() { Reset(); }

  [[nodiscard]] bool IsValid() const noexcept { return handle_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return IsValid(); }
  [[nodiscard]] Type Get() const noexcept { return handle_; }

  Type Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
  void Reset(Type handle = Traits::Invalid()) noexcept {
    if (IsValid()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Type handle_;
};

}  // namespace tavisto::os
