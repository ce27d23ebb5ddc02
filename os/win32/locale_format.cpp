// The user's locale formats through GetDateFormatA, GetTimeFormatA and GetLocaleInfoA.
#include "os/locale_format.h"

#include <windows.h>

namespace tavisto::os {
namespace {

SYSTEMTIME ToSystemTime(const CalendarTime& time) {
  SYSTEMTIME system{};
  system.wYear = static_cast<WORD>(time.year);
  system.wMonth = static_cast<WORD>(time.month);
  system.wDay = static_cast<WORD>(time.day);
  system.wHour = static_cast<WORD>(time.hour);
  system.wMinute = static_cast<WORD>(time.minute);
  system.wSecond = static_cast<WORD>(time.second);
  system.wMilliseconds = static_cast<WORD>(time.millisecond);
  return system;
}

constexpr int kTextBuffer = 128;

}  // namespace

std::optional<std::string> ShortDateText(const CalendarTime& time) {
  if (time.year < 1601 || time.year > 30827) return std::nullopt;
  const SYSTEMTIME system = ToSystemTime(time);
  char text[kTextBuffer] = {};
  if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &system, nullptr, text, kTextBuffer) == 0)
    return std::nullopt;
  return std::string(text);
}

std::string LongTimeText(const CalendarTime& time) {
  const SYSTEMTIME system = ToSystemTime(time);
  char text[kTextBuffer] = {};
  // Flags 0: the locale's time format with seconds, the long one.
  if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &system, nullptr, text, kTextBuffer) == 0) return std::string();
  return std::string(text);
}

std::string DecimalSeparator() {
  char text[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text) == 0) return ".";
  return std::string(text);
}

CalendarTime LocalNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return CalendarTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace tavisto::os
