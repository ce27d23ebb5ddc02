#include "report/user_locale.h"

namespace tavisto::report {

std::optional<std::string> UserLocaleFormats::ShortDate(const os::CalendarTime& time) const {
  return os::ShortDateText(time);
}

std::string UserLocaleFormats::LongTime(const os::CalendarTime& time) const { return os::LongTimeText(time); }

std::string UserLocaleFormats::DecimalSeparator() const { return os::DecimalSeparator(); }

}  // namespace tavisto::report
