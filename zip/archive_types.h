// Settings and event types of the archive component: its enumerations (ordinal values as the
// component has always numbered them), the scan and naming options, and the event signatures.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "os/file_time.h"
#include "os/sha256.h"

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
// What an update left out.
enum class LeftOutKind {
  File,    // a file the commit could not process, and the host answered Skip
  Folder,  // a folder the scan could not read: its content was not seen
  Link,    // a folder that is a link (stored as an empty folder, never entered), or a file that is
           // a symbolic link (not followed)
};
// A source an update left out, and why: reason is the message as the host was told it (the
// writer's error for a file, the system's text for a folder); the codes say the cause in a form
// a host can put in its own words.
struct LeftOutFile {
  std::string path;
  std::string reason;
  LeftOutKind kind = LeftOutKind::File;
  int32_t archiveError = 0;  // the writer's code (kErrorCannotOpenSource ...); 0 for a folder or link
  uint32_t systemError = 0;  // the system's code behind it (a sharing violation ...), 0 when none
};

// An entry a commit has just written from its source (see TBaseArchiver::OnEntryWritten).
struct TArcWrittenEntry {
  const std::string& storedName;  // as in the archive's directory: "/" separators, a folder ends in "/"
  const std::string& source;      // the absolute path it was read from
  bool isFolder = false;
  uint64_t size = 0;              // the data's bytes, as packed (what unpacking gives)
  uint64_t compressedSize = 0;    // bytes its data takes in the archive
  uint32_t crc = 0;
  uint16_t method = 0;            // 8 deflated, 0 stored
  std::optional<os::Sha256Digest> sha256;  // of the data as packed, when digests are on; none for a folder
  os::FileTime lastWrite;         // the source's last write as the scan listed it, UTC
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
using TArcEntryWrittenEvent = std::function<void(TBaseArchiver& sender, const TArcWrittenEntry& entry)>;

}  // namespace tavisto::zip
