#include "zip/archive_error.h"

#include <gtest/gtest.h>

namespace tavisto::zip {
namespace {

TEST(ArchiveError, MessageNamesComponentTextAndFiveDigitCode) {
  const EArchiveError mode(5, "ArchivioZorvel");
  EXPECT_STREQ(mode.what(),
               "ArchivioZorvel: Invalid compression mode. Mode must be in [0-9] range - Native error: 00005");
  EXPECT_EQ(mode.Code(), 5);
  EXPECT_EQ(mode.MessageNumber(), 2);

  const EArchiveError closed(13, "ArchivioTotale");
  EXPECT_STREQ(closed.what(), "ArchivioTotale: Archive is not open - Native error: 00013");

  // Raised without a component: no prefix.
  const EArchiveError second(62);
  EXPECT_STREQ(second.what(), "Multiple transactions are not supported for multi-volume archives - Native error: 00062");
  EXPECT_STREQ(EArchiveError(1).what(), "Index out of bounds - Native error: 00001");
}

TEST(ArchiveError, FormatsPathsAndNumbersIntoTheText) {
  EXPECT_STREQ(EArchiveError(33, "ArchivioTotale", {std::string("C:\\Base\\a.txt")}).what(),
               "ArchivioTotale: Cannot open file \"C:\\Base\\a.txt\" - Native error: 00033");
  EXPECT_STREQ(EArchiveError(34, "A", {int64_t{1048576}, int64_t{524288}}).what(),
               "A: Invalid compressed size, rfs.size = 1048576, count = 524288 - Native error: 00034");
  // 41 and 43 share their text and both name the source.
  EXPECT_STREQ(EArchiveError(43, "A", {std::string("big.bin")}).what(),
               "A: Cannot compress file 'big.bin'. Zip64 mode is not enabled - Native error: 00043");
  EXPECT_STREQ(EArchiveError(41, "A", {std::string("big.bin")}).what(),
               "A: Cannot compress file 'big.bin'. Zip64 mode is not enabled - Native error: 00041");
  // The long-path text puts the path on a line of its own, in double quotes.
  EXPECT_STREQ(EArchiveError(61, "A", {std::string("C:\\x")}).what(),
               "A: File name is too long: \r\n\"C:\\x\" - Native error: 00061");
  // Without arguments the text stays unformatted.
  EXPECT_STREQ(EArchiveError(12, "A").what(), "A: File \"%s\" not found - Native error: 00012");
}

TEST(ArchiveError, UnknownCodesAndTheCodeTable) {
  EXPECT_STREQ(EArchiveError(63).what(), "Unknown error - Native error: 00063");
  EXPECT_STREQ(EArchiveError(123456).what(), "Unknown error - Native error: 123456");
  EXPECT_EQ(EArchiveError(-1).MessageNumber(), 0);

  // A sample across the table: codes that share a text and codes that have one alone.
  const std::pair<int32_t, int32_t> pairs[] = {
      {0, 0},   {1, 1},   {7, 1},   {24, 1},  {6, 3},   {10, 5},  {29, 5},  {12, 6},  {54, 6},
      {13, 7},  {14, 7},  {23, 9},  {25, 11}, {26, 13}, {32, 16}, {33, 12}, {34, 17}, {45, 24},
      {46, 25}, {48, 27}, {57, 27}, {52, 31}, {59, 34}, {61, 36}, {62, 37}};
  for (const auto& [code, number] : pairs) EXPECT_EQ(ArchiveMessageNumber(code), number) << "code " << code;
  EXPECT_EQ(ArchiveMessageText(24), "Cannot open archive file. Opening aborted or invalid file");
  EXPECT_EQ(ArchiveMessageText(20), "Archive is open. You should close it beore performing this operation.");
}

TEST(ArchiveError, CompressionErrorSaysError) {
  const ECompressionError error;
  EXPECT_STREQ(error.what(), "error");
  EXPECT_NE(dynamic_cast<const Error*>(&error), nullptr);
}

}  // namespace
}  // namespace tavisto::zip
