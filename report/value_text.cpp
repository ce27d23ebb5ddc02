// Value texts of the registry dump.
#include "report/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tavisto::report {
namespace {

constexpr int64_t kMsPerDay = 86400000;
// Day numbers relative to 30 December 1899 of 1 January 0001 and 31 December 9999.
constexpr int64_t kFirstDay = -693593;
constexpr int64_t kLastDay = 2958465;

// Howard Hinnant's civil-from-days, for days since 1970-01-01.
void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// 30 December 1899 counted from 1 January 1970.
constexpr int64_t kEpoch1899 = -25569;

}  // namespace

std::string DateTimeText(const os::CalendarTime& time, const LocaleFormats& formats) {
  const auto date = formats.ShortDate(time);
  if (!date) return std::string();
  const bool midnight = time.hour == 0 && time.minute == 0 && time.second == 0 && time.millisecond == 0;
  return midnight ? *date : *date + " " + formats.LongTime(time);
}

std::optional<os::CalendarTime> CalendarFromDays(double days) {
  if (!std::isfinite(days)) return std::nullopt;
  if (days < static_cast<double>(kFirstDay) || days >= static_cast<double>(kLastDay + 1)) return std::nullopt;
  int64_t day = static_cast<int64_t>(std::trunc(days));
  int64_t ms = std::llround(std::fabs(days - static_cast<double>(day)) * kMsPerDay);
  if (ms >= kMsPerDay) {
    // Rounded up to the next midnight: for a negative value that is the day before.
    ms = 0;
    day += days < 0 ? -1 : 1;
  }
  if (day < kFirstDay || day > kLastDay) return std::nullopt;
  os::CalendarTime time;
  CivilFromDays(day + kEpoch1899, time.year, time.month, time.day);
  time.hour = static_cast<int>(ms / 3600000);
  time.minute = static_cast<int>(ms / 60000 % 60);
  time.second = static_cast<int>(ms / 1000 % 60);
  time.millisecond = static_cast<int>(ms % 1000);
  return time;
}

std::string FloatText(double value, const std::string& decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  // 15 significant digits, rounded by the C library: "d.dddddddddddddde+XX".
  char scientific[40];
  std::snprintf(scientific, sizeof scientific, "%.14e", std::fabs(value));
  std::string digits;
  const char* p = scientific;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  // Built by appending only: prepending to a temporary trips GCC 12's -Wrestrict at -O3.
  std::string text = value < 0 ? "-" : "";
  if (exponent < -5 || exponent >= 15) {
    text += digits[0];
    if (digits.size() > 1) text.append(decimalSeparator).append(digits, 1);
    text.append("E").append(std::to_string(exponent));
  } else if (exponent < 0) {
    text.append("0").append(decimalSeparator).append(static_cast<size_t>(-exponent - 1), '0').append(digits);
  } else {
    const size_t integerDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
      text.append(digits).append(integerDigits - digits.size(), '0');
    } else {
      text.append(digits, 0, integerDigits).append(decimalSeparator).append(digits, integerDigits);
    }
  }
  return text;
}

std::string HexBytes(const std::vector<uint8_t>& data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(data.size() * 3);
  for (const uint8_t byte : data) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
    text += ' ';
  }
  return text;
}

std::optional<int64_t> LittleEndianInteger(const std::vector<uint8_t>& data) {
  if (data.empty() || data.size() > 8) return std::nullopt;
  uint64_t bits = 0;
  for (size_t i = 0; i < data.size(); ++i) bits |= uint64_t{data[i]} << (8 * i);
  const unsigned width = static_cast<unsigned>(data.size()) * 8;
  if (width < 64 && (bits >> (width - 1)) & 1) bits |= ~uint64_t{0} << width;  // sign-extend
  return static_cast<int64_t>(bits);
}

std::optional<double> DoubleOf(const std::vector<uint8_t>& data) {
  if (data.size() != 8) return std::nullopt;
  uint64_t bits = 0;
  for (size_t i = 0; i < 8; ++i) bits |= uint64_t{data[i]} << (8 * i);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::vector<std::string> BinaryValueLines(const std::string& prefix, const std::vector<uint8_t>* data,
                                          const LocaleFormats& formats) {
  std::string dateTime, integer, bytes, floating;
  if (data) {
    if (const auto number = DoubleOf(*data)) {
      if (const auto time = CalendarFromDays(*number)) dateTime = DateTimeText(*time, formats);
      floating = FloatText(*number, formats.DecimalSeparator());
    }
    if (const auto whole = LittleEndianInteger(*data)) integer = std::to_string(*whole);
    bytes = HexBytes(*data);
  }
  return {prefix + "(as DateTime) = " + dateTime, prefix + " (as Integer) = " + integer,
          prefix + " (as binary) = " + bytes, prefix + " (as Float) = " + floating};
}

}  // namespace tavisto::report
