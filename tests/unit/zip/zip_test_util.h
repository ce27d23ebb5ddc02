// Helpers shared by the archive writer's tests: building source trees, reading back an archive
// with the independent record reader, and checking that every entry holds together.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "os/file_time.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_inspect.h"
#include "os/dir_listing.h"
#include "zip/archive_stream.h"
#include "zip/archiver.h"
#include "zip/path_rules.h"

namespace tavisto::zip::testing {

// A path written with backslashes, in the system's own separators: tables of paths read alike
// on both systems.
inline std::string N(const std::string& path) { return NativeSeparators(path); }

// A fixed file time (2023-06-15 10:20:30 UTC), so DOS dates in headers are predictable.
inline constexpr os::FileTime kFixedTime{133312980300000000LL};

// Writes a file (creating its folders) and gives it kFixedTime.
void MakeFile(const test::TempDir& dir, const std::string& relative, const std::string& content);
void MakeFolder(const test::TempDir& dir, const std::string& relative);
// Bytes that deflate well, or not at all, of the given size; the same for the same seed.
[[nodiscard]] std::string TextBytes(size_t size, unsigned seed = 1);
[[nodiscard]] std::string RandomBytes(size_t size, unsigned seed = 1);

// Reads the archive file and checks what holds for every archive this writer makes: no problem
// found by the reader, local and central fields in agreement, data that inflates to the CRC and
// sizes recorded, no data descriptor and no bit 3. Returns the image for further asserts.
[[nodiscard]] test::ZipImage ReadSoundArchive(const std::string& path);
[[nodiscard]] test::ZipImage CheckSound(test::ZipImage zip);

// Where a record lies: volume and offset in it.
struct Place {
  uint32_t volume = 0;
  uint64_t offset = 0;
};
// The place length bytes after from, running on into the next volumes.
[[nodiscard]] Place Advance(const test::ZipImage& zip, Place from, uint64_t length);

// The files of a split archive in order, as they are on disk: the numbered volumes (".Z01"... or
// "_001"...) that exist, then the archive itself.
[[nodiscard]] std::vector<std::string> SplitVolumePaths(const std::string& archivePath, bool advancedNaming = false);
[[nodiscard]] test::ZipImage ReadSoundSplit(const std::vector<std::string>& paths);
// Every volume but the last at most limit; the last at most limit plus the end records.
void ExpectVolumeSizes(const std::vector<std::string>& paths, uint64_t limit);

// The names in a folder ("." and ".." left out), as the system lists them.
[[nodiscard]] std::vector<std::string> FilesIn(const std::string& folder);

// The files of an archive (or of a split set, in order) with the time and date of folder entries
// (the moment of the scan) zeroed, to compare two archives of one tree byte for byte.
[[nodiscard]] std::vector<std::string> MaskedFolderTimes(const std::vector<std::string>& paths);

// Entry names in archive order.
[[nodiscard]] std::vector<std::string> Names(const test::ZipImage& zip);
// Entry name to inflated content.
[[nodiscard]] std::map<std::string, std::string> Contents(test::ZipImage& zip);

// The DOS date-time the writer gives a file time.
[[nodiscard]] os::DosDateTime DosOf(os::FileTime time);

// A file under dir/data whose path is 260 characters or more while its folder can still be
// listed. The system refuses to create a file at such a path, so the tree is made under short
// names and its folders renamed, deepest first; the destructor renames them back so that the
// test folder can be removed.
class LongPathFile {
 public:
  explicit LongPathFile(const test::TempDir& dir);
  LongPathFile(const LongPathFile&) = delete;
  LongPathFile& operator=(const LongPathFile&) = delete;
  ~LongPathFile();
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  const test::TempDir& dir_;
  std::vector<std::string> levels_;
  std::string path_;
};

// An archiver set up as the program sets its components (mode 1, "*.*" scans, OEM names), over
// base folder `base` of dir, writing dir/out/<name>. Unexpected file failures fail the test.
struct ArchiveUnderTest {
  ArchiveUnderTest(const test::TempDir& dir, const std::string& archiveName = "test.zip",
                   const std::string& base = "data");
  // Split into volumes of volumeSize bytes, set up as "Get Data" sets up the product archives.
  void Split(int64_t volumeSize, bool advancedNaming = false);
  TArchiver archive{"ArchivioTest"};
  std::string path;
  std::vector<std::string> failures;  // messages of the file failures answered
  FailureAction answer = FailureAction::Abort;
};

}  // namespace tavisto::zip::testing
