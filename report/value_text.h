// How the registry dump writes values: numbers, dates, bytes, and the four lines of a binary
// value. Locale-dependent parts come through LocaleFormats, so the rules are tested with
// fixed formats on every platform and with the user's formats on Windows.
//   std::vector<std::string> lines = BinaryValueLines("      Stamp", &data, UserLocaleFormats());
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "os/locale_format.h"

namespace tavisto::report {

class LocaleFormats {
 public:
  virtual ~LocaleFormats() = default;
  // The short date; nothing when the system cannot write that date.
  [[nodiscard]] virtual std::optional<std::string> ShortDate(const os::CalendarTime& time) const = 0;
  [[nodiscard]] virtual std::string LongTime(const os::CalendarTime& time) const = 0;
  [[nodiscard]] virtual std::string DecimalSeparator() const = 0;
};

// The date in the short format, a blank and the time in the long format; the time is left out
// when it is exactly midnight. "" when the date cannot be written.
[[nodiscard]] std::string DateTimeText(const os::CalendarTime& time, const LocaleFormats& formats);

// A date-time held as days since 30 December 1899, the fraction being the time of day (for a
// negative value the fraction counts forward from the start of its day); nothing outside the
// years 1 to 9999 or for a value that is no number.
[[nodiscard]] std::optional<os::CalendarTime> CalendarFromDays(double days);

// A double with up to 15 significant digits and no trailing zeros, the given decimal
// separator, and exponent form ("1.5E-7", "1E20") below 0.00001 or beyond 15 integer digits.
[[nodiscard]] std::string FloatText(double value, const std::string& decimalSeparator);

// Every byte as two upper-case hexadecimal digits followed by a blank.
[[nodiscard]] std::string HexBytes(const std::vector<uint8_t>& data);

// 1 to 8 bytes as a little-endian two's-complement number of that width; nothing otherwise.
[[nodiscard]] std::optional<int64_t> LittleEndianInteger(const std::vector<uint8_t>& data);

// The little-endian IEEE double of exactly 8 bytes; nothing for another size.
[[nodiscard]] std::optional<double> DoubleOf(const std::vector<uint8_t>& data);

// The four lines of a binary value. prefix is the indentation and the value's name; data is
// the value as read (nullptr when it was not read: empty, or 64 bytes and more). The date-time
// and float lines need exactly 8 bytes, the integer line 1 to 8; where they have no data
// their text after " = " stays empty.
[[nodiscard]] std::vector<std::string> BinaryValueLines(const std::string& prefix, const std::vector<uint8_t>* data,
                                                        const LocaleFormats& formats);

// Binary values of this size and above are not read.
inline constexpr uint32_t kLargestBinaryRead = 63;

}  // namespace tavisto::report
