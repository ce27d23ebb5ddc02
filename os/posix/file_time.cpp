// DOS date-times from the C library's local time, the POSIX stand-in for the Windows calls.
#include "os/file_time.h"

#include <ctime>
#include <time.h>

namespace tavisto::os {
namespace {

constexpr int64_t kEpochDifferenceSeconds = 11644473600LL;

std::optional<DosDateTime> Pack(const std::tm& local) {
  const int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return std::nullopt;
  DosDateTime dos;
  dos.date = static_cast<uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  dos.time = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  return dos;
}

}  // namespace

std::optional<DosDateTime> LocalDosDateTime(FileTime time) {
  const std::time_t seconds = static_cast<std::time_t>(time.ticks / 10000000 - kEpochDifferenceSeconds);
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return std::nullopt;
  return Pack(local);
}

std::optional<FileTime> FileTimeFromLocalDos(DosDateTime dos) {
  std::tm local{};
  local.tm_year = ((dos.date >> 9) & 0x7F) + 1980 - 1900;
  local.tm_mon = ((dos.date >> 5) & 0x0F) - 1;
  local.tm_mday = dos.date & 0x1F;
  local.tm_hour = (dos.time >> 11) & 0x1F;
  local.tm_min = (dos.time >> 5) & 0x3F;
  local.tm_sec = (dos.time & 0x1F) * 2;
  local.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
  return FileTime{(static_cast<int64_t>(seconds) + kEpochDifferenceSeconds) * 10000000};
}

DosDateTime CurrentLocalDosDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return Pack(local).value_or(DosDateTime{});
}

FileTime CurrentFileTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return FileTime{(static_cast<int64_t>(now.tv_sec) + kEpochDifferenceSeconds) * 10000000 + now.tv_nsec / 100};
}

int32_t CurrentUtcOffsetMinutes() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return 0;
  return static_cast<int32_t>(local.tm_gmtoff / 60);
}

}  // namespace tavisto::os
