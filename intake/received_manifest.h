// manifest.json as it arrives inside Data.zip, read strictly: a document that is not JSON, or
// one whose fields are missing or of the wrong type, or whose totals disagree with its lists, is
// refused whole ("manifest.json cannot be read: ..."), never trusted in part. Its names are
// only ever compared with what the archives hold; none becomes a path.
//   const ReceivedManifest manifest = ReadManifest(text);   // ManifestError
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.h"
#include "os/file_time.h"
#include "os/sha256.h"

namespace tavisto::intake {

// The most manifest text read: an honest one takes some 250 bytes a file.
inline constexpr uint64_t kManifestMostBytes = 64 * 1024 * 1024;

class ManifestError : public Error {
 public:
  explicit ManifestError(const std::string& why) : Error("manifest.json cannot be read: " + why) {}
};

struct ReceivedFile {
  std::string name;  // as stored ("/" separators)
  uint64_t bytes = 0;
  os::FileTime modified;  // UTC
  uint32_t crc32 = 0;
  os::Sha256Digest sha256{};
};

struct ReceivedVolume {
  std::string name;  // its entry in Data.zip ("ZorvelData.z01")
  uint64_t bytes = 0;
  os::Sha256Digest sha256{};
};

struct LeftOutNote {
  std::string path;
  std::string reason;
};

struct ReceivedProduct {
  std::string name;
  std::string dataFolder;
  std::vector<ReceivedVolume> volumes;  // none for a product that was not packed
  std::vector<ReceivedFile> files;
  std::vector<LeftOutNote> leftOut;
};

struct ReceivedManifest {
  std::string toolName;
  std::string toolVersion;
  std::string started;   // "2026-12-09T07:15:46Z"
  std::string finished;
  int64_t utcOffsetMinutes = 0;
  std::string computer;
  std::string user;
  std::vector<ReceivedProduct> products;
};

[[nodiscard]] ReceivedManifest ReadManifest(std::string_view text);

// The time of "2026-12-09T07:15:46Z"; nothing when the text is not such a time.
[[nodiscard]] std::optional<os::FileTime> ParseIsoUtc(std::string_view text);

}  // namespace tavisto::intake
