// DOS date-times through the same calls Windows programs use, so the UTC offset rules match.
#include "os/file_time.h"

#include <windows.h>

namespace tavisto::os {
namespace {

FILETIME ToFiletime(FileTime time) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(time.ticks) & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(time.ticks) >> 32);
  return ft;
}

}  // namespace

std::optional<DosDateTime> LocalDosDateTime(FileTime time) {
  const FILETIME utc = ToFiletime(time);
  FILETIME local;
  WORD date = 0, dosTime = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &dosTime))
    return std::nullopt;
  return DosDateTime{date, dosTime};
}

std::optional<FileTime> FileTimeFromLocalDos(DosDateTime dos) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(dos.date, dos.time, &local) || !LocalFileTimeToFileTime(&local, &utc))
    return std::nullopt;
  return FileTime{static_cast<int64_t>((uint64_t(utc.dwHighDateTime) << 32) | utc.dwLowDateTime)};
}

DosDateTime CurrentLocalDosDateTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME local;
  WORD date = 0, time = 0;
  if (SystemTimeToFileTime(&now, &local)) FileTimeToDosDateTime(&local, &date, &time);
  return DosDateTime{date, time};
}

FileTime CurrentFileTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return FileTime{static_cast<int64_t>((uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime)};
}

int32_t CurrentUtcOffsetMinutes() {
  const FileTime now = CurrentFileTime();
  const FILETIME utc = ToFiletime(now);
  FILETIME local;
  if (!FileTimeToLocalFileTime(&utc, &local)) return 0;
  const int64_t localTicks = static_cast<int64_t>((uint64_t(local.dwHighDateTime) << 32) | local.dwLowDateTime);
  constexpr int64_t kTicksPerMinute = 600000000;
  // Rounded to the minute: the two readings are of one instant, their difference whole minutes.
  const int64_t difference = localTicks - now.ticks;
  return static_cast<int32_t>((difference + (difference >= 0 ? 1 : -1) * kTicksPerMinute / 2) / kTicksPerMinute);
}

}  // namespace tavisto::os
