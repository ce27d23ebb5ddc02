// File times as Windows keeps them (100-nanosecond ticks since 1601-01-01 UTC) and their
// MS-DOS local form, the one ZIP headers and file copies carry.
#pragma once

#include <cstdint>
#include <optional>

namespace tavisto::os {

struct FileTime {
  int64_t ticks = 0;  // 100 ns units since 1601-01-01 00:00 UTC
  friend bool operator==(FileTime, FileTime) = default;
};

// A DOS date and time: the date word in the high 16 bits, the time word in the low 16 bits.
struct DosDateTime {
  uint16_t date = 0;
  uint16_t time = 0;
  [[nodiscard]] uint32_t Packed() const { return (uint32_t(date) << 16) | time; }
  friend bool operator==(DosDateTime, DosDateTime) = default;
};

// The local DOS date-time of a file time, with the UTC offset in force now (as Windows'
// FileTimeToLocalFileTime does); nothing when the date falls outside what DOS can hold.
[[nodiscard]] std::optional<DosDateTime> LocalDosDateTime(FileTime time);

// The file time of a local DOS date-time (the inverse, to two seconds).
[[nodiscard]] std::optional<FileTime> FileTimeFromLocalDos(DosDateTime dos);

// The current local date and time in DOS form.
[[nodiscard]] DosDateTime CurrentLocalDosDateTime();

// Now, in UTC.
[[nodiscard]] FileTime CurrentFileTime();
// How far local time is ahead of UTC now, in minutes (60 in Rome in winter, -300 in New York),
// by the same rule that turns file times into local DOS times.
[[nodiscard]] int32_t CurrentUtcOffsetMinutes();

}  // namespace tavisto::os
