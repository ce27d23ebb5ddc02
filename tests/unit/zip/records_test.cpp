#include "zip/records.h"

#include <gtest/gtest.h>

#include "tests/support/peer_archives.h"
#include "tests/support/zip_inspect.h"
#include "tests/unit/zip/zip_test_util.h"

namespace tavisto::zip {
namespace {

using test::ParseZip;

CentralFields SampleFields() {
  CentralFields f;
  f.versionMadeBy = 20;
  f.versionNeeded = 20;
  f.flags = 0;
  f.method = 8;
  f.time = 0x5294;
  f.date = 0x56CF;
  f.crc = 0x89ABCDEF;
  f.compressedSize = 3;
  f.uncompressedSize = 1;
  f.externalAttributes = 0x21;
  f.localHeaderOffset = 0;
  return f;
}

TEST(Records, LocalHeaderAndCentralRecordCarryTheSameFields) {
  const CentralFields fields = SampleFields();
  std::string archive = LocalRecord(fields, "a.txt", false);
  EXPECT_EQ(archive.size(), kLocalHeaderSize + 5);
  archive += std::string("\x03\x00\x00", 3);  // the 3 data bytes
  const uint64_t directoryOffset = archive.size();
  archive += CentralRecord(fields, "a.txt", "");
  EXPECT_EQ(archive.size() - directoryOffset, kCentralHeaderSize + 5);
  DirectoryEnd end;
  end.entryCount = 1;
  end.directorySize = archive.size() - directoryOffset;
  end.startOffset = directoryOffset;
  end.endRecordsOffset = archive.size();
  archive += EndRecords(end);

  const test::ZipImage zip = ParseZip(archive);
  ASSERT_TRUE(zip.problems.empty()) << zip.problems.front();
  ASSERT_EQ(zip.entries.size(), 1u);
  const auto& l = zip.entries[0].local;
  const auto& c = zip.entries[0].central;
  EXPECT_EQ(l.signature, 0x04034B50u);
  EXPECT_EQ(c.signature, 0x02014B50u);
  for (const auto& [local, central] : {std::pair{l.versionNeeded, c.versionNeeded}, {l.flags, c.flags},
                                       {l.method, c.method}, {l.time, c.time}, {l.date, c.date},
                                       {l.nameLength, c.nameLength}}) {
    EXPECT_EQ(local, central);
  }
  EXPECT_EQ(c.versionMadeBy, 20);
  EXPECT_EQ(c.method, 8);
  EXPECT_EQ(c.time, 0x5294);
  EXPECT_EQ(c.date, 0x56CF);
  EXPECT_EQ(l.crc, 0x89ABCDEFu);
  EXPECT_EQ(c.crc, 0x89ABCDEFu);
  EXPECT_EQ(c.compressedSize, 3u);
  EXPECT_EQ(c.uncompressedSize, 1u);
  EXPECT_EQ(c.externalAttributes, 0x21u);
  EXPECT_EQ(c.name, "a.txt");
  EXPECT_EQ(zip.end.totalEntries, 1);
  EXPECT_EQ(zip.end.directoryOffset, directoryOffset);
}

// Values past 32 bits: all ones in their fields and the values in the Zip64 extra field, in the
// order uncompressed size, compressed size, offset, disk; the local header carries both sizes.
TEST(Records, ValuesPast32BitsGoIntoTheZip64Field) {
  CentralFields fields = SampleFields();
  fields.uncompressedSize = 0x100000000ULL;
  fields.compressedSize = 0xFFFFFFFFULL;  // all ones is itself a value that needs the field
  fields.localHeaderOffset = 0x123456789ULL;
  const std::string local = LocalRecord(fields, "a.txt", true);
  ASSERT_EQ(local.size(), kLocalHeaderSize + 5 + kZip64LocalExtraSize);
  const std::string central = CentralRecord(fields, "a.txt", std::string("\x0A\x00\x00\x00", 4));
  ASSERT_EQ(central.size(), kCentralHeaderSize + 5 + 4 + 24 + 4);
  EXPECT_TRUE(CentralNeedsZip64(fields));

  // Laid out as an archive whose central directory the reader can find: the entry's offset
  // points past the archive, so only the records are compared.
  std::string zip64Field;
  AppendLe16(zip64Field, 1);
  AppendLe16(zip64Field, 24);
  AppendLe64(zip64Field, 0x100000000ULL);
  AppendLe64(zip64Field, 0xFFFFFFFFULL);
  AppendLe64(zip64Field, 0x123456789ULL);
  EXPECT_EQ(central.substr(kCentralHeaderSize + 5, 28), zip64Field);
  EXPECT_EQ(central.substr(kCentralHeaderSize + 5 + 28), std::string("\x0A\x00\x00\x00", 4)) << "other extras after";
  std::string localField;
  AppendLe16(localField, 1);
  AppendLe16(localField, 16);
  AppendLe64(localField, 0x100000000ULL);
  AppendLe64(localField, 0xFFFFFFFFULL);
  EXPECT_EQ(local.substr(kLocalHeaderSize + 5), localField);
  const test::ZipImage header = ParseZip(central + EndRecords(DirectoryEnd{1, central.size(), 0, 0, 0, central.size()}));
  ASSERT_EQ(header.entries.size(), 1u);
  const auto& c = header.entries[0].central;
  EXPECT_EQ(c.compressedSize, 0xFFFFFFFFu);
  EXPECT_EQ(c.uncompressedSize, 0xFFFFFFFFu);
  EXPECT_EQ(c.localHeaderOffset, 0xFFFFFFFFu);
  EXPECT_EQ(c.uncompressed, 0x100000000ULL);
  EXPECT_EQ(c.compressed, 0xFFFFFFFFULL);
  EXPECT_EQ(c.headerOffset, 0x123456789ULL);

  // Below 32 bits nothing changes: no field, the values in place.
  EXPECT_FALSE(CentralNeedsZip64(SampleFields()));
  EXPECT_EQ(CentralRecord(SampleFields(), "a.txt", "").size(), kCentralHeaderSize + 5);
}

TEST(Records, EmptyArchiveIsTheBareEndRecord) {
  const std::string bytes = EndRecords(DirectoryEnd{});
  EXPECT_EQ(bytes, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

TEST(Records, TheEndRecordReadsBackAsItWasWritten) {
  DirectoryEnd end;
  end.entryCount = 7;
  end.directorySize = 0x1234;
  end.startDisk = 2;
  end.startOffset = 0x56789A;
  end.thisDisk = 3;
  const auto read = ReadEndRecord(EndRecords(end));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->thisDisk, 3);
  EXPECT_EQ(read->startDisk, 2);
  EXPECT_EQ(read->entriesHere, 7);
  EXPECT_EQ(read->entries, 7);
  EXPECT_EQ(read->directorySize, 0x1234u);
  EXPECT_EQ(read->directoryOffset, 0x56789Au);
  EXPECT_FALSE(ReadEndRecord(std::string(kEndRecordSize, '\0')).has_value());
  EXPECT_FALSE(ReadEndRecord(EndRecords(end).substr(0, kEndRecordSize - 1)).has_value());
}

TEST(Records, Zip64EndRecordAndLocatorFrom65535Entries) {
  DirectoryEnd end;
  end.entryCount = 65534;
  end.directorySize = 0x123456;
  end.startOffset = 0x789A;
  end.endRecordsOffset = 0x789A + 0x123456;
  EXPECT_EQ(EndRecords(end).size(), kEndRecordSize);

  end.entryCount = 65535;
  const std::string records = EndRecords(end);
  ASSERT_EQ(records.size(), kZip64EndRecordSize + kZip64LocatorSize + kEndRecordSize);
  // Placed where the writer says they begin, the reader finds all three records. (It then
  // misses the 65535 central records this image does not hold.)
  const std::string image = std::string(end.endRecordsOffset, '\0') + records;
  const test::ZipImage zip = ParseZip(image);
  ASSERT_TRUE(zip.zip64Locator.has_value());
  ASSERT_TRUE(zip.zip64End.has_value());
  EXPECT_EQ(zip.zip64Locator->zip64EndOffset, end.endRecordsOffset);
  EXPECT_EQ(zip.zip64Locator->totalDisks, 1u);
  EXPECT_EQ(zip.zip64End->recordSize, 44u);
  EXPECT_EQ(zip.zip64End->versionMadeBy, 45);
  EXPECT_EQ(zip.zip64End->versionNeeded, 45);
  EXPECT_EQ(zip.zip64End->totalEntries, 65535u);
  EXPECT_EQ(zip.zip64End->entriesOnThisDisk, 65535u);
  EXPECT_EQ(zip.zip64End->directorySize, 0x123456u);
  EXPECT_EQ(zip.zip64End->directoryOffset, 0x789Au);
  EXPECT_EQ(zip.end.totalEntries, 0xFFFF);
  EXPECT_EQ(zip.end.entriesOnThisDisk, 0xFFFF);
  EXPECT_EQ(zip.end.directorySize, 0x123456u);
  EXPECT_EQ(zip.end.directoryOffset, 0x789Au);
}

TEST(Records, SplitEndRecordsNameTheVolumeWhereTheDirectoryStarts) {
  DirectoryEnd end;
  end.entryCount = 65535;
  end.startDisk = 3;  // the directory started in an earlier volume than the one it ends in
  end.thisDisk = 5;
  const std::string records = EndRecords(end);
  const std::string image = std::string(end.endRecordsOffset, '\0') + records;
  const test::ZipImage zip = ParseZip(image);
  ASSERT_TRUE(zip.zip64End.has_value());
  EXPECT_EQ(zip.zip64End->thisDisk, 5u);
  EXPECT_EQ(zip.zip64End->directoryStartDisk, 3u);
  EXPECT_EQ(zip.zip64Locator->zip64EndDisk, 5u);
  EXPECT_EQ(zip.zip64Locator->totalDisks, 6u);
  EXPECT_EQ(zip.end.thisDisk, 5);
  EXPECT_EQ(zip.end.directoryStartDisk, 3);
}

// One empty file stored as a.txt: exactly 108 bytes, every one of them fixed.
TEST(Records, OneEmptyFileArchiveByteForByte) {
  test::TempDir dir;
  testing::MakeFile(dir, "data/a.txt", "");
  testing::ArchiveUnderTest under(dir);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();

  const os::DosDateTime dos = testing::DosOf(testing::kFixedTime);
  std::string expected;
  const auto le16 = [&expected](uint16_t v) { AppendLe16(expected, v); };
  const auto le32 = [&expected](uint32_t v) { AppendLe32(expected, v); };
  // Local header at 0: version 20, flags 0, method 0, time, date, CRC 0, sizes 0, name 5, extra 0.
  le32(0x04034B50), le16(20), le16(0), le16(0), le16(dos.time), le16(dos.date), le32(0), le32(0), le32(0);
  le16(5), le16(0);
  expected += "a.txt";
  // Central record at 35.
  le32(0x02014B50), le16(20), le16(20), le16(0), le16(0), le16(dos.time), le16(dos.date);
  le32(0), le32(0), le32(0), le16(5), le16(0), le16(0), le16(0), le16(0), le32(0x20), le32(0);
  expected += "a.txt";
  // End record at 86: one entry, directory of 51 bytes at 35.
  le32(0x06054B50), le16(0), le16(0), le16(1), le16(1), le32(51), le32(35), le16(0);

  const std::string bytes = test::ReadFile(under.path);
  EXPECT_EQ(bytes.size(), 108u);
  EXPECT_EQ(bytes, expected);
  test::KeepForPeers({under.path});
}

}  // namespace
}  // namespace tavisto::zip
