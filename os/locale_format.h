// Dates, times and decimal numbers the way the user's locale writes them
// (GetDateFormatA, GetTimeFormatA, LOCALE_SDECIMAL), and the current local time.
//   os::CalendarTime now = os::LocalNow();
//   std::string text = os::ShortDateText(now).value_or("") + " " + os::LongTimeText(now);
#pragma once

#include <optional>
#include <string>

namespace tavisto::os {

// A moment on the calendar, without time zone (what SYSTEMTIME holds).
struct CalendarTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// The date in the user's short date format; nothing when the system cannot write that date
// (Windows takes only years 1601 to 30827).
[[nodiscard]] std::optional<std::string> ShortDateText(const CalendarTime& time);
// The time of day in the user's long time format.
[[nodiscard]] std::string LongTimeText(const CalendarTime& time);
// The user's decimal separator.
[[nodiscard]] std::string DecimalSeparator();
// The local date and time now.
[[nodiscard]] CalendarTime LocalNow();

}  // namespace tavisto::os
