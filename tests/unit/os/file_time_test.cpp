#include "os/file_time.h"

#include <gtest/gtest.h>

namespace tavisto::os {
namespace {

DosDateTime Dos(int year, int month, int day, int hour, int minute, int second) {
  return DosDateTime{static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day),
                     static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2))};
}

TEST(DosDateTime, LocalRoundTripKeepsTheFieldsToTwoSeconds) {
  for (const DosDateTime dos : {Dos(2024, 2, 29, 23, 59, 58), Dos(1980, 1, 1, 0, 0, 0), Dos(2107, 12, 31, 12, 30, 10)}) {
    const auto time = FileTimeFromLocalDos(dos);
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(LocalDosDateTime(*time), dos);
  }
}

TEST(DosDateTime, DatesBefore1980HaveNoDosForm) {
  const FileTime year1970{116444736000000000LL + 86400LL * 10000000 * 2};
  EXPECT_FALSE(LocalDosDateTime(year1970).has_value());
}

TEST(DosDateTime, PackedPutsTheDateInTheHighWord) {
  EXPECT_EQ(Dos(2001, 2, 3, 4, 5, 6).Packed(), (uint32_t((21 << 9) | (2 << 5) | 3) << 16) | ((4 << 11) | (5 << 5) | 3));
  EXPECT_NE(CurrentLocalDosDateTime().date, 0);
}

}  // namespace
}  // namespace tavisto::os
