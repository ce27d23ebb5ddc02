#include "tests/unit/zip/zip_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
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

Place Advance(const test::ZipImage& zip, Place from, uint64_t length) {
  while (from.volume < zip.volumes.size()) {
    const uint64_t room = zip.volumes[from.volume].size() - std::min<uint64_t>(from.offset, zip.volumes[from.volume].size());
    if (length <= room) return Place{from.volume, from.offset + length};
    length -= room;
    from = Place{from.volume + 1, 0};
  }
  return from;
}

std::vector<std::string> SplitVolumePaths(const std::string& archivePath, bool advancedNaming) {
  const size_t slash = archivePath.find_last_of("\\/");
  const size_t dot = archivePath.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExtension ? archivePath.substr(0, dot) : archivePath;
  const std::string extension = hasExtension ? archivePath.substr(dot) : "";
  std::vector<std::string> paths;
  for (int n = 1;; ++n) {
    char number[16];
    std::snprintf(number, sizeof number, advancedNaming ? "_%03d" : ".Z%02d", n);
    const std::string path = stem + number + (advancedNaming ? extension : "");
    if (!os::FileExists(path)) break;
    paths.push_back(path);
  }
  paths.push_back(archivePath);
  return paths;
}

test::ZipImage ReadSoundSplit(const std::vector<std::string>& paths) {
  std::vector<std::string> volumes;
  for (const std::string& path : paths) volumes.push_back(test::ReadFile(path));
  return CheckSound(test::ParseSplitZip(volumes));
}

void ExpectVolumeSizes(const std::vector<std::string>& paths, uint64_t limit) {
  for (size_t i = 0; i < paths.size(); ++i) {
    const uint64_t size = test::ReadFile(paths[i]).size();
    // Every volume holds something; the last may pass the limit by the end records.
    EXPECT_GT(size, 0u) << paths[i];
    if (i + 1 < paths.size()) EXPECT_LE(size, limit) << paths[i];
    else EXPECT_LE(size, limit + 22 + 76) << paths[i];
  }
}

void ArchiveUnderTest::Split(int64_t volumeSize, bool advancedNaming) {
  TArcSpanningOptions& spanning = archive.SpanningOptions();
  spanning.SetVolumeSize(vsCustom);
  spanning.SetCustomVolumeSize(volumeSize);
  spanning.SetFirstVolumeSize(volumeSize);
  spanning.SetAdvancedNaming(advancedNaming);
  archive.SetSpanningMode(smSplitting);
}

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
    EXPECT_EQ(l.compressed, c.compressed);
    EXPECT_EQ(l.uncompressed, c.uncompressed);
    EXPECT_EQ(l.name, c.name);
    // The only extra this writer puts in a local header is the Zip64 field with both sizes.
    EXPECT_TRUE(l.extraLength == 0 || l.extraLength == 20) << l.extraLength;
    (void)test::EntryData(zip, i);
  }
  for (const std::string& volume : zip.volumes)
    EXPECT_EQ(test::CountSignature(volume, 0x08074B50), 0u) << "no data descriptor";
  // Nothing before, between or after the records: each entry starts where the one before ended
  // (or at the start of the next volume, when the volume ended right there), and so does the
  // central directory.
  EXPECT_TRUE(zip.problems.empty()) << zip.problems.front();
  if (!zip.problems.empty() || zip.volumes.empty()) return zip;
  Place next{0, 0};
  const auto follows = [&zip](Place at, Place expected) {
    if (at.volume == expected.volume && at.offset == expected.offset) return true;
    return at.offset == 0 && at.volume == expected.volume + 1 &&
           zip.volumes[expected.volume].size() == expected.offset;
  };
  for (const auto& entry : zip.entries) {
    const Place header{entry.central.headerDisk, entry.local.offset};
    EXPECT_TRUE(follows(header, next)) << "gap before " << entry.central.name;
    next = Advance(zip, header, entry.local.dataOffset - entry.local.offset + entry.central.compressed);
  }
  if (!zip.entries.empty()) {
    const auto& first = zip.entries.front().central;
    EXPECT_TRUE(follows(Place{first.volume, first.offset}, next)) << "gap before the central directory";
    EXPECT_EQ(zip.end.directoryStartDisk, first.volume);
    EXPECT_EQ(zip.end.directoryOffset, first.offset);
  }
  return zip;
}

std::vector<std::string> MaskedFolderTimes(const std::vector<std::string>& paths) {
  std::vector<std::string> files;
  for (const std::string& path : paths) files.push_back(test::ReadFile(path));
  const test::ZipImage zip = test::ParseSplitZip(files);
  EXPECT_TRUE(zip.problems.empty());
  for (const auto& entry : zip.entries) {
    if (entry.central.name.back() != '/') continue;
    files[entry.central.headerDisk].replace(entry.local.offset + 10, 4, 4, '\0');
    files[entry.central.volume].replace(entry.central.offset + 12, 4, 4, '\0');
  }
  return files;
}

std::vector<std::string> Names(const test::ZipImage& zip) {
  std::vector<std::string> names;
  for (const auto& entry : zip.entries) names.push_back(entry.central.name);
  return names;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  os::DirListing listing(folder + os::PathSeparator() + "*");
  for (os::DirEntry entry; listing.Next(entry);)
    if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
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
