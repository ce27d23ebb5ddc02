// System error codes in the Windows numbering on every platform: the Win32 code as it is, or
// a POSIX errno mapped once to the Win32 code that means the same.
#pragma once

#include <cstdint>
#include <string>

#include "common/errors.h"

namespace tavisto::os {

// Win32 codes the program looks at by name.
inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorLockViolation = 33;
inline constexpr uint32_t kErrorHandleDiskFull = 39;
inline constexpr uint32_t kErrorFileExists = 80;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorDiskFull = 112;
inline constexpr uint32_t kErrorAlreadyExists = 183;
inline constexpr uint32_t kErrorFilenameTooLong = 206;

// The error code of the calling thread's last failed OS call.
[[nodiscard]] uint32_t LastErrorCode();

// The system's one-line text for an error code (UTF-8, no trailing line break).
[[nodiscard]] std::string ErrorText(uint32_t code);

// That text as the cause in a sentence of ours: without its full stop; "error N" when the
// system has none.
[[nodiscard]] inline std::string ErrorCause(uint32_t code) {
  std::string text = ErrorText(code);
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  return text.empty() ? "error " + std::to_string(code) : text;
}

}  // namespace tavisto::os

namespace tavisto {

// A failed platform call reported with its system error code and the system's text for it.
class OSError : public Error {
 public:
  explicit OSError(uint32_t code)
      : Error("Erreur syst\xC3\xA8" "me. Code: " + std::to_string(code) + ".\r\n" + os::ErrorText(code)),
        code_(code) {}
  [[nodiscard]] uint32_t Code() const noexcept { return code_; }

 private:
  uint32_t code_;
};

}  // namespace tavisto
