// The user's own date, time and decimal formats, asked of the system at every use.
#pragma once

#include "report/value_text.h"

namespace tavisto::report {

class UserLocaleFormats : public LocaleFormats {
 public:
  [[nodiscard]] std::optional<std::string> ShortDate(const os::CalendarTime& time) const override;
  [[nodiscard]] std::string LongTime(const os::CalendarTime& time) const override;
  [[nodiscard]] std::string DecimalSeparator() const override;
};

}  // namespace tavisto::report
