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

}  // namespace tavisto::os
