// manifest.json, the last entry at the top of Data.zip: what Get Data packed (every file of each
// product's archive with its size, time, CRC-32 and SHA-256, the volumes, what was left out and
// why) for support's own scripts. Files stream in as the archive writer reports them and wait in
// a scratch file, each already written as JSON, so that the memory a run needs does not grow
// with its files; Write puts the document together at the end.
//   ManifestWriter manifest(runFolder);
//   const size_t zorvel = manifest.BeginProduct("Zorvel", dataFolder);
//   archiver.OnEntryWritten = [&](zip::TBaseArchiver&, const zip::TArcWrittenEntry& e) { manifest.AddEntry(e); };
//   ... manifest.AddLeftOut(zorvel, path, LeftOutReason(file, "Ignore was chosen"));
//   ... manifest.AddVolume(zorvel, {"ZorvelData.z01", bytes, sha256});
//   manifest.Write(run, runFolder + "manifest.json");
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "os/file_time.h"
#include "os/files.h"
#include "os/sha256.h"
#include "zip/archive_types.h"

namespace tavisto::delivery {

// The format's version, the value of "manifest".
inline constexpr int kManifestVersion = 1;

// A UTC time as ISO 8601 to the second, ending in Z: "2026-12-09T03:25:17Z" (sub-second ticks
// dropped). Years 1601 to 9999.
[[nodiscard]] std::string IsoUtcText(os::FileTime time);

// Bytes as lower-case hexadecimal, two digits each.
[[nodiscard]] std::string LowerHex(const uint8_t* bytes, size_t count);
// A CRC-32 as its eight lower-case hexadecimal digits, most significant first.
[[nodiscard]] std::string CrcHex(uint32_t crc);

// The cause of a left-out source in plain words, with what the user answered when there was a
// question: "held by another program; Ignore was chosen", "a link, not followed". answer is the
// host's ("Ignore was chosen", "left out by the unattended run"); empty for sources nobody was
// asked about (folders that could not be read, links).
[[nodiscard]] std::string LeftOutReason(const zip::LeftOutFile& file, std::string_view answer);

// The facts of the run the manifest describes.
struct ManifestRun {
  std::string toolVersion;  // the program's file version ("1.6.4.0")
  os::FileTime started;     // UTC
  os::FileTime finished;    // UTC
  int32_t utcOffsetMinutes = 0;
  std::string computer;
  std::string user;
};

struct ManifestFile {
  std::string name;  // as stored in the archive ("/" separators)
  uint64_t bytes = 0;
  os::FileTime modified;  // UTC
  uint32_t crc32 = 0;
  os::Sha256Digest sha256{};
};

struct ManifestVolume {
  std::string name;  // the volume's entry in Data.zip ("ZorvelData.z01")
  uint64_t bytes = 0;
  os::Sha256Digest sha256{};
};

class ManifestWriter {
 public:
  // scratchFolder: where the files wait until Write (a scratch file the system deletes when it
  // is closed). FileCreateError when it cannot be made.
  explicit ManifestWriter(const std::string& scratchFolder);
  ManifestWriter(const ManifestWriter&) = delete;
  ManifestWriter& operator=(const ManifestWriter&) = delete;
  ~ManifestWriter();

  // A product; the files added next are its own. Returns its index for AddLeftOut and
  // AddVolume. A product Get Data would pack and does not is begun too, with no file and no
  // volume, and one AddLeftOut that says why (dataFolder "" when it could not be read).
  size_t BeginProduct(const std::string& name, const std::string& dataFolder);
  // The next file of the current product's archive, in archive order. StreamWriteError when the
  // scratch file cannot take it.
  void AddFile(const ManifestFile& file);
  // What the archive writer reports: files go to AddFile, folders are not files and are left
  // aside. An Error when the file comes without its SHA-256 (the writer's Digests is off).
  void AddEntry(const zip::TArcWrittenEntry& entry);
  void AddLeftOut(size_t product, const std::string& path, const std::string& reason);
  // A volume of the product's split archive as Data.zip holds it, in volume order.
  void AddVolume(size_t product, const ManifestVolume& volume);

  // Writes the whole manifest (UTF-8 JSON, two-space indentation) to path, from its start, and
  // cuts the file there: path is a file the caller created for it, or a free name. FileOpenError
  // or StreamWriteError when it cannot.
  void Write(const ManifestRun& run, const std::string& path);

 private:
  struct LeftOut {
    std::string path;
    std::string reason;
  };
  struct Product {
    std::string name;
    std::string dataFolder;
    std::vector<ManifestVolume> volumes;
    std::vector<LeftOut> leftOut;
    uint64_t filesAt = 0;  // where its files start in the scratch file
    uint64_t filesEnd = 0;
    uint64_t files = 0;
    uint64_t bytes = 0;
  };
  // Puts the waiting text into the scratch file.
  void FlushSpool();

  std::string scratchFolder_;
  os::File spool_;
  std::string pending_;       // file elements not yet in the scratch file
  uint64_t spoolEnd_ = 0;     // bytes in the scratch file, pending_ included
  std::vector<Product> products_;
};

}  // namespace tavisto::delivery
