// Settings and event types of the archive component: its enumerations (ordinal values as the
// component has always numbered them), the scan and naming options, and the event signatures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tavisto::zip {

class TBaseArchiver;

enum TArcCompressionLevel : uint8_t { clNone, clFastest, clNormal, clMax };
enum TArcCryptoAlgorithm : uint8_t { caPkzipClassic, caAES_128, caAES_192, caAES_256 };
enum TArcSpanningMode : uint8_t { smNone, smSpanning, smSplitting };
enum TArcVolumeSize : uint8_t {
  vsAutoDetect, vsCustom, vs1_44MB, vs100MB, vs200MB, vs250MB, vs600MB, vs650MB, vs700MB, vs4700MB
};
enum TArcStorePathMode : uint8_t { spNoPath, spRelativePath, spFullPath, spFullPathWithDrive };
enum TArcFileShareMode : uint8_t {
  smShareCompat, smShareExclusive, smShareDenyWrite, smShareDenyRead, smShareDenyNone
};
enum TArcOverwriteMode : uint8_t { omPrompt, omAlways, omNever, omIfNewer, omIfOlder };

// The default attribute set of scans: read-only, hidden, system, volume label, directory,
// archive, normal, compressed and not content indexed.
inline constexpr uint32_t kDefaultSearchAttr = 10431;  // 0x28BF

// The open mode that creates a new archive, replacing any file of that name.
inline constexpr uint16_t kCreateMode = 0xFFFF;

struct TArcOptions {
  bool Recurse = true;
  TArcStorePathMode StorePath = spRelativePath;
  TArcFileShareMode ShareMode = smShareDenyNone;
  TArcOverwriteMode OverwriteMode = omAlways;
  bool CreateDirs = true;        // extraction only
  bool ReplaceReadOnly = true;   // extraction only
  bool SetAttributes = true;     // extraction only
  uint32_t SearchAttr = kDefaultSearchAttr;
  bool FlushBuffers = true;
  bool OEMFileNames = true;
};

// What the component is doing when it reports progress or asks about a file.
enum class Operation { Add, Replace };
enum class ProgressPhase { Begin, Running, End };
// The host's answer to a file that failed during a commit.
enum class FailureAction { Abort, Retry, Skip };
// How an update ended (see TBaseArchiver::LastUpdateOutcome).
enum class UpdateOutcome { Committed, Aborted, Cancelled, DiskFull };
// A source an update left out, and why.
struct LeftOutFile {
  std::string path;
  std::string reason;
};
// The answer to "overwrite this entry?" when OverwriteMode is omPrompt.
enum class OverwriteAnswer { Yes, No, NoToAll, YesToAll };

using TArcOverallProgressEvent =
    std::function<void(TBaseArchiver& sender, double progress, Operation operation,
                       ProgressPhase phase, bool& cancel)>;
using TArcFileProgressEvent =
    std::function<void(TBaseArchiver& sender, const std::string& fileName, double progress,
                       Operation operation, ProgressPhase phase, bool& cancel)>;
using TArcCopyTempFileProgressEvent =
    std::function<void(TBaseArchiver& sender, double progress, ProgressPhase phase, bool& cancel)>;
using TArcConfirmProcessFileEvent = std::function<void(
    TBaseArchiver& sender, const std::string& fileName, Operation operation, bool& confirm)>;
using TArcConfirmOverwriteEvent =
    std::function<void(TBaseArchiver& sender, const std::string& sourcePath,
                       const std::string& storedName, OverwriteAnswer& answer)>;
using TArcProcessFileFailureEvent = std::function<void(
    TBaseArchiver& sender, const std::string& fileName, Operation operation, int32_t nativeError,
    int32_t errorCode, const std::string& errorMessage, FailureAction& action)>;
using TArcRequestBlankVolumeEvent = std::function<void(
    TBaseArchiver& sender, int32_t volumeNumber, std::string& volumeFileName, bool& cancel)>;
using TArcVolumeCreatedEvent =
    std::function<void(TBaseArchiver& sender, int32_t volumeNumber, const std::string& volumeFileName)>;
using TArcDiskFullEvent = std::function<void(TBaseArchiver& sender, int32_t volumeNumber,
                                             const std::string& volumeFileName, bool& cancel)>;
using TArcStoreFileEvent =
    std::function<void(TBaseArchiver& sender, std::string& fileName, uint32_t& fileAttr,
                       std::string& comment, const std::string& originalFileName)>;
using TArcNotifyEvent = std::function<void(TBaseArchiver& sender)>;

}  // namespace tavisto::zip
