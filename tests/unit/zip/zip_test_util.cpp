#include "tests/unit/zip/zip_test_util.h"

#include <gtest/gtest.h>

#include <random>

#include "os/files.h"

namespace tavisto::zip::testing {

void MakeFile(const test::TempDir& dir, const std::string& relative, const std::string& content) {
  const std::string path = dir.Path(relative);
  const auto slash = path.find_last_of("\\/");
  if (slash != std::string::npos && !os::DirectoryExists(path.substr(0, slash)))
    test::MakeDirectories(path.substr(0, slash));
  test::WriteFile(path, content);
  auto file = os::File::Open(path, os::Access::ReadWrite, os::kShareAll, os::Disposition::OpenExisting);
  ASSERT_TRUE(file.has_value()) << path;
  ASSERT_TRUE(file->SetLastWriteTime(kFixedTime));
}

void MakeFolder(const test::TempDir& dir, const std::string& relative) { test::MakeDirectories(dir.Path(relative)); }

std::string TextBytes(size_t size, unsigned seed) {
  static const char* const kWords[] = {"archive ", "volume ", "header ", "entry ", "record ", "deflate ",
                                       "central ", "local ",  "data ",   "chunk ", "\r\n"};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) text += kWords[random() % 11];
  text.resize(size);
  return text;
}

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

test::ZipImage ReadSoundArchive(const std::string& path) { return CheckSound(test::ParseZip(test::ReadFile(path))); }

test::ZipImage CheckSound(test::ZipImage zip) {
  for (size_t i = 0; i < zip.entries.size(); ++i) {
    const auto& c = zip.entries[i].central;
    const auto& l = zip.entries[i].local;
    SCOPED_TRACE("entry " + c.name);
    EXPECT_EQ(l.versionNeeded, c.versionNeeded);
    EXPECT_EQ(c.versionMadeBy, c.versionNeeded);
    EXPECT_EQ(l.flags, c.flags);
    EXPECT_EQ(l.flags & 0x0008, 0) << "bit 3 (data descriptor) is never set";
    EXPECT_EQ(l.method, c.method);
    EXPECT_EQ(l.time, c.time);
    EXPECT_EQ(l.date, c.date);
    EXPECT_EQ(l.crc, c.crc);
    EXPECT_EQ(l.compressedSize, c.compressedSize);
    EXPECT_EQ(l.uncompressedSize, c.uncompressedSize);
    EXPECT_EQ(l.name, c.name);
    EXPECT_EQ(l.extraLength, 0);
    (void)test::EntryData(zip, i);
  }
  for (const std::string& volume : zip.volumes)
    EXPECT_EQ(test::CountSignature(volume, 0x08074B50), 0u) << "no data descriptor";
  if (zip.volumes.size() == 1) {
    // Nothing before, between or after the records: each entry starts where the one before
    // ended, and the central directory right after the last.
    uint64_t next = 0;
    for (const auto& entry : zip.entries) {
      EXPECT_EQ(entry.local.offset, next) << "gap before " << entry.central.name;
      next = entry.local.dataOffset + entry.central.compressedSize;
    }
    if (zip.problems.empty() && !zip.zip64End) {
      EXPECT_EQ(zip.end.directoryOffset, next) << "gap before the central directory";
    }
  }
  EXPECT_TRUE(zip.problems.empty()) << zip.problems.front();
  return zip;
}

std::vector<std::string> Names(const test::ZipImage& zip) {
  std::vector<std::string> names;
  for (const auto& entry : zip.entries) names.push_back(entry.central.name);
  return names;
}

std::map<std::string, std::string> Contents(test::ZipImage& zip) {
  std::map<std::string, std::string> contents;
  for (size_t i = 0; i < zip.entries.size(); ++i) contents[zip.entries[i].central.name] = test::EntryData(zip, i);
  return contents;
}

os::DosDateTime DosOf(os::FileTime time) { return os::LocalDosDateTime(time).value_or(os::DosDateTime{}); }

LongPathFile::LongPathFile(const test::TempDir& dir) : dir_(dir) {
  // Folder names that bring the folder to 245 characters and the file to 266.
  size_t length = dir.Path("data").size();
  while (length < 245) {
    const size_t name = std::min<size_t>(50, 245 - length - 1);
    levels_.push_back(std::string(name, char('a' + levels_.size())));
    length += name + 1;
  }
  std::string shortFolder = "data";
  for (size_t i = 0; i < levels_.size(); ++i) shortFolder += "/" + std::to_string(i);
  MakeFile(dir, shortFolder + "/long-enough-name.txt", "deep");
  for (size_t i = levels_.size(); i-- > 0;) {
    std::string parent = "data";
    for (size_t j = 0; j < i; ++j) parent += "/" + std::to_string(j);
    EXPECT_TRUE(os::RenameFile(dir.Path(parent + "/" + std::to_string(i)), dir.Path(parent + "/" + levels_[i])));
  }
  std::string relative = "data";
  for (const std::string& level : levels_) relative += "/" + level;
  path_ = dir.Path(relative + "/long-enough-name.txt");
  EXPECT_GE(path_.size(), 260u);
}

LongPathFile::~LongPathFile() {
  std::string parent = "data";
  for (size_t i = 0; i < levels_.size(); ++i) {
    (void)os::RenameFile(dir_.Path(parent + "/" + levels_[i]), dir_.Path(parent + "/" + std::to_string(i)));
    parent += "/" + std::to_string(i);
  }
}

ArchiveUnderTest::ArchiveUnderTest(const test::TempDir& dir, const std::string& archiveName,
                                   const std::string& base)
    : path(dir.Path("out/" + archiveName)) {
  if (!os::DirectoryExists(dir.Path("out"))) test::MakeDirectories(dir.Path("out"));
  archive.SetFileName(path);
  archive.SetBaseDir(dir.Path(base));
  archive.OnProcessFileFailure = [this](TBaseArchiver&, const std::string&, Operation, int32_t, int32_t,
                                        const std::string& message, FailureAction& action) {
    failures.push_back(message);
    action = answer;
  };
}

}  // namespace tavisto::zip::testing
