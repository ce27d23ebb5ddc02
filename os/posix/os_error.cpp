// POSIX errno values mapped once onto the Win32 codes that mean the same, so callers and
// messages see one numbering on every platform.
#include "os/os_error.h"

#include <cerrno>
#include <cstring>

namespace tavisto::os {
namespace {

constexpr uint32_t kErrorGenFailure = 31;

uint32_t FromErrno(int error) {
  switch (error) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return kErrorAccessDenied;
    case EBUSY:
    case ETXTBSY: return kErrorSharingViolation;
    case EEXIST: return kErrorAlreadyExists;
    case EINVAL: return kErrorInvalidParameter;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    default: return kErrorGenFailure;
  }
}

}  // namespace

uint32_t LastErrorCode() { return FromErrno(errno); }

std::string ErrorText(uint32_t code) {
  switch (code) {
    case kErrorSuccess: return "The operation completed successfully.";
    case kErrorFileNotFound: return "The system cannot find the file specified.";
    case kErrorPathNotFound: return "The system cannot find the path specified.";
    case kErrorAccessDenied: return "Access is denied.";
    case kErrorSharingViolation:
      return "The process cannot access the file because it is being used by another process.";
    case kErrorAlreadyExists: return "Cannot create a file when that file already exists.";
    case kErrorInvalidParameter: return "The parameter is incorrect.";
    case kErrorDiskFull: return "There is not enough space on the disk.";
    case kErrorFilenameTooLong: return "The filename or extension is too long.";
    default: return "Error " + std::to_string(code) + ".";
  }
}

}  // namespace tavisto::os
