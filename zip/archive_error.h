// The archive writer's own errors. EArchiveError carries a numeric code; a fixed table maps each
// code to one of the component's message texts, and the message names the component and the code:
//   "ArchivioTotale: Archive is not open - Native error: 00013"
//   throw EArchiveError(33, Name(), {sourcePath});
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "common/errors.h"

namespace tavisto::zip {

// The codes this writer raises (each selects its message through the table).
enum ArchiveErrorCode : int32_t {
  kErrorUnknown = 0,
  kErrorSetIndex = 1,
  kErrorCopyIndex = 2,
  kErrorAccessIndex = 3,
  kErrorDeleteIndex = 4,
  kErrorBadCompressionMode = 5,
  kErrorEntryNotInRollback = 7,
  kErrorBlankFileNameOnUpdate = 9,
  kErrorBlankFileName = 10,
  kErrorArchiveMissing = 12,
  kErrorNotOpen = 13,
  kErrorCannotCreateOutput = 19,
  kErrorCustomStreamSplit = 30,
  kErrorReadOnlyArchive = 32,
  kErrorCannotOpenSource = 33,
  kErrorSizeMismatch = 34,
  kErrorVolumeCancelled = 45,
  kErrorCannotPlace = 46,
  kErrorSplitHasEntries = 52,
  kErrorNameIndexBroken = 58,
  kErrorNameListBroken = 59,
  kErrorPathTooLong = 61,
  kErrorSecondSplitUpdate = 62,
};

// One argument of a formatted message: text for a "%s", a number for a "%d".
using MessageArgument = std::variant<std::string, int64_t>;

// The message number a code selects (0, "Unknown error", for a code outside the table).
[[nodiscard]] int32_t ArchiveMessageNumber(int32_t code);

// The message text of a number, unformatted ("" outside the table).
[[nodiscard]] std::string_view ArchiveMessageText(int32_t messageNumber);

// The full message: "<component>: " when a component name is given, the text (formatted when
// arguments are given), then " - Native error: " and the code in five digits.
[[nodiscard]] std::string ArchiveErrorMessage(int32_t code, std::string_view componentName,
                                              const std::vector<MessageArgument>& arguments);

class EArchiveError : public Error {
 public:
  // componentName is empty for errors raised without a component (the directory array's index
  // errors, a second transaction on a split archive). A cause, when given, follows the message in
  // brackets: the file concerned and what went wrong, where the fixed text does not say.
  explicit EArchiveError(int32_t code, std::string_view componentName = {},
                         const std::vector<MessageArgument>& arguments = {}, const std::string& cause = {});

  [[nodiscard]] int32_t Code() const noexcept { return code_; }
  [[nodiscard]] int32_t MessageNumber() const noexcept { return messageNumber_; }
  // The system's code behind the error (why a source could not be opened), 0 when none; the
  // message does not change with it.
  [[nodiscard]] uint32_t SystemError() const noexcept { return systemError_; }
  EArchiveError& WithSystemError(uint32_t code) noexcept {
    systemError_ = code;
    return *this;
  }

 private:
  int32_t code_;
  int32_t messageNumber_;
  uint32_t systemError_ = 0;
};

// zlib's failures, as the compression stream classes report them.
class EZlibError : public Error {
 public:
  using Error::Error;
};

// Any zlib call that returned a negative value; the text is always "error".
class ECompressionError : public EZlibError {
 public:
  ECompressionError() : EZlibError("error") {}
};

}  // namespace tavisto::zip
