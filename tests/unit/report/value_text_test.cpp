#include "report/value_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tavisto::report {
namespace {

// Fixed formats that show every field, and refuse years before 1601 as Windows does.
class IsoFormats : public LocaleFormats {
 public:
  explicit IsoFormats(std::string decimal = ",") : decimal_(std::move(decimal)) {}
  std::optional<std::string> ShortDate(const os::CalendarTime& t) const override {
    if (t.year < 1601) return std::nullopt;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
    return std::string(text);
  }
  std::string LongTime(const os::CalendarTime& t) const override {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
  }
  std::string DecimalSeparator() const override { return decimal_; }

 private:
  std::string decimal_;
};

std::vector<uint8_t> BytesOf(double value) {
  std::vector<uint8_t> bytes(8);
  std::memcpy(bytes.data(), &value, 8);  // the test machines are little-endian, as Windows is
  return bytes;
}

TEST(FloatText, WritesUpToFifteenSignificantDigitsWithoutTrailingZeros) {
  EXPECT_EQ(FloatText(1.5, "."), "1.5");
  EXPECT_EQ(FloatText(1.5, ","), "1,5");
  EXPECT_EQ(FloatText(-2.5, "."), "-2.5");
  EXPECT_EQ(FloatText(100, "."), "100");
  EXPECT_EQ(FloatText(123.456, "."), "123.456");
  EXPECT_EQ(FloatText(0.1 + 0.2, "."), "0.3");
  EXPECT_EQ(FloatText(1.0 / 3, "."), "0.333333333333333");
  EXPECT_EQ(FloatText(2.0 / 3, "."), "0.666666666666667");
  EXPECT_EQ(FloatText(1e14, "."), "100000000000000");
  EXPECT_EQ(FloatText(0.00001, "."), "0.00001");
  EXPECT_EQ(FloatText(0.0, "."), "0");
  EXPECT_EQ(FloatText(-0.0, "."), "0");
}

TEST(FloatText, UsesExponentFormForVeryLargeAndVerySmallNumbers) {
  EXPECT_EQ(FloatText(1e15, "."), "1E15");
  EXPECT_EQ(FloatText(999999999999999.9, "."), "1E15");  // rounds up into the next decade
  EXPECT_EQ(FloatText(123456789012345678.0, ","), "1,23456789012346E17");
  EXPECT_EQ(FloatText(0.000001, "."), "1E-6");
  EXPECT_EQ(FloatText(-1.5e-7, "."), "-1.5E-7");
  EXPECT_EQ(FloatText(1e300, "."), "1E300");
  EXPECT_EQ(FloatText(std::numeric_limits<double>::quiet_NaN(), "."), "NAN");
  EXPECT_EQ(FloatText(-std::numeric_limits<double>::infinity(), "."), "-INF");
}

os::CalendarTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return os::CalendarTime{y, mo, d, h, mi, s, ms};
}

TEST(CalendarFromDays, CountsDaysFromThe30December1899) {
  EXPECT_EQ(CalendarFromDays(0), At(1899, 12, 30));
  EXPECT_EQ(CalendarFromDays(1.5), At(1899, 12, 31, 12));
  EXPECT_EQ(CalendarFromDays(36526), At(2000, 1, 1));
  EXPECT_EQ(CalendarFromDays(45000.25), At(2023, 3, 15, 6));
  EXPECT_EQ(CalendarFromDays(60.75 + 1.0 / 86400000 * 500), At(1900, 2, 28, 18, 0, 0, 500));
  // Before the epoch the whole days count back and the fraction forward within the day.
  EXPECT_EQ(CalendarFromDays(-1.25), At(1899, 12, 29, 6));
  // A fraction that rounds to a whole day is the next midnight.
  EXPECT_EQ(CalendarFromDays(0.999999999999), At(1899, 12, 31));
}

TEST(CalendarFromDays, KeepsToTheYears1To9999) {
  EXPECT_EQ(CalendarFromDays(-693593), At(1, 1, 1));
  EXPECT_EQ(CalendarFromDays(2958465.5), At(9999, 12, 31, 12));
  EXPECT_EQ(CalendarFromDays(-693594), std::nullopt);
  EXPECT_EQ(CalendarFromDays(2958466), std::nullopt);
  EXPECT_EQ(CalendarFromDays(1e300), std::nullopt);
  EXPECT_EQ(CalendarFromDays(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(DateTimeText, LeavesTheTimeOutAtMidnight) {
  const IsoFormats formats;
  EXPECT_EQ(DateTimeText(At(1899, 12, 31, 12), formats), "1899-12-31 12:00:00");
  EXPECT_EQ(DateTimeText(At(2024, 2, 29), formats), "2024-02-29");
  EXPECT_EQ(DateTimeText(At(2024, 2, 29, 0, 0, 0, 1), formats), "2024-02-29 00:00:00");
  EXPECT_EQ(DateTimeText(At(1500, 1, 1, 8), formats), "");  // a date the system cannot write
}

TEST(LittleEndianInteger, ReadsOneToEightBytesSigned) {
  EXPECT_EQ(LittleEndianInteger({0xFF, 0xFF, 0xFF, 0xFF}), -1);
  EXPECT_EQ(LittleEndianInteger({0x01, 0x02}), 0x0201);
  EXPECT_EQ(LittleEndianInteger({0x80}), -128);
  EXPECT_EQ(LittleEndianInteger({0, 0, 0, 0, 0, 0, 0xF8, 0x3F}), 4609434218613702656);
  EXPECT_EQ(LittleEndianInteger({}), std::nullopt);
  EXPECT_EQ(LittleEndianInteger(std::vector<uint8_t>(9, 0)), std::nullopt);
}

TEST(BinaryValueLines, ShowAnEightByteDoubleFourWays) {
  const auto data = BytesOf(1.5);
  EXPECT_EQ(BinaryValueLines("      Stamp", &data, IsoFormats(",")),
            (std::vector<std::string>{"      Stamp(as DateTime) = 1899-12-31 12:00:00",
                                      "      Stamp (as Integer) = 4609434218613702656",
                                      "      Stamp (as binary) = 00 00 00 00 00 00 F8 3F ",
                                      "      Stamp (as Float) = 1,5"}));
}

TEST(BinaryValueLines, LeaveOutWhatTheDataCannotBe) {
  const std::vector<uint8_t> four = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(BinaryValueLines("X", &four, IsoFormats()),
            (std::vector<std::string>{"X(as DateTime) = ", "X (as Integer) = -1", "X (as binary) = FF FF FF FF ",
                                      "X (as Float) = "}));
  const std::vector<uint8_t> twelve(12, 0xAB);
  EXPECT_EQ(BinaryValueLines("X", &twelve, IsoFormats())[1], "X (as Integer) = ");
  EXPECT_EQ(BinaryValueLines("X", &twelve, IsoFormats())[2], "X (as binary) = " + std::string() +
                                                                  "AB AB AB AB AB AB AB AB AB AB AB AB ");
  // Not read at all (empty, or 64 bytes and more).
  EXPECT_EQ(BinaryValueLines("X", nullptr, IsoFormats()),
            (std::vector<std::string>{"X(as DateTime) = ", "X (as Integer) = ", "X (as binary) = ",
                                      "X (as Float) = "}));
  // Eight bytes that are no date: the float line still tells what they are.
  const auto nan = BytesOf(std::numeric_limits<double>::quiet_NaN());
  const auto lines = BinaryValueLines("X", &nan, IsoFormats());
  EXPECT_EQ(lines[0], "X(as DateTime) = ");
  EXPECT_EQ(lines[3], "X (as Float) = NAN");
  // Zero is a date at midnight: the time is left out.
  const auto zero = BytesOf(0.0);
  EXPECT_EQ(BinaryValueLines("X", &zero, IsoFormats())[0], "X(as DateTime) = 1899-12-30");
}

}  // namespace
}  // namespace tavisto::report
