// The manifest's document is framed here, and every value in it (each key, string and number)
// is written by nlohmann/json: a value is dumped with two-space indentation and its lines moved
// to the depth it stands at, which gives the very bytes nlohmann would write for the whole
// document held in memory. Only the products and their file lists are framed by hand, since the
// files do not wait in memory.
#include "delivery/manifest.h"

#include <nlohmann/json.hpp>

#include <algorithm>

#include "common/errors.h"
#include "os/os_error.h"
#include "os/temp_file.h"
#include "zip/archive_error.h"

namespace tavisto::delivery {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kIndent = 2;
// The file elements wait in memory until this many bytes are ready for the scratch file.
constexpr size_t kSpoolPiece = 64 * 1024;
constexpr int64_t kTicksPerSecond = 10000000;
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kDaysBefore1970 = 134774;

std::string Indent(int depth) { return std::string(size_t(depth * kIndent), ' '); }

// A value as nlohmann writes it, its lines moved to depth. Text that is not UTF-8 (a name the
// system handed over broken) has its bad bytes replaced rather than failing the run.
std::string Dumped(const Json& value, int depth) {
  const std::string text = value.dump(kIndent, ' ', false, Json::error_handler_t::replace);
  const std::string indent = Indent(depth);
  std::string moved;
  moved.reserve(text.size());
  // Line breaks inside strings are escaped by the dump: every break here is between lines.
  for (char c : text) {
    moved += c;
    if (c == '\n') moved += indent;
  }
  return moved;
}

// "key": value, at depth.
std::string Member(int depth, const std::string& key, const Json& value) {
  return Indent(depth) + Dumped(Json(key), depth) + ": " + Dumped(value, depth);
}

// The date of a count of days since 1970-01-01 (proleptic Gregorian), by whole eras of 400 years.
void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shifted = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  month = shifted < 10 ? shifted + 3 : shifted - 9;
  year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

void WriteAll(os::File& file, const std::string& text, const std::string& path) {
  if (text.empty()) return;
  const auto written = file.Write(text.data(), text.size());
  if (!written) throw StreamWriteError(path, os::ErrorText(os::LastErrorCode()));
  if (*written != text.size()) throw StreamWriteError(path, os::ErrorText(os::kErrorDiskFull));
}

std::string FileCause(const zip::LeftOutFile& file) {
  switch (file.archiveError) {
    case zip::kErrorCannotOpenSource:
      switch (file.systemError) {
        case os::kErrorSharingViolation:
        case os::kErrorLockViolation: return "held by another program";
        case os::kErrorFileNotFound:
        case os::kErrorPathNotFound: return "vanished while it was read";
        case os::kErrorSuccess: return "it could not be opened";
        default: return "the name cannot be opened: " + os::ErrorText(file.systemError);
      }
    case zip::kErrorSizeMismatch: return "it changed while it was read";
    case zip::kErrorPathTooLong: return "its name is too long for a ZIP archive";
    case zip::kErrorCannotPlace: return "there was no room to write it";
    default: return "it could not be packed: " + file.reason;
  }
}

}  // namespace

std::string IsoUtcText(os::FileTime time) {
  int64_t seconds = time.ticks / kTicksPerSecond;
  if (time.ticks < 0 && time.ticks % kTicksPerSecond != 0) --seconds;  // toward the past, as a clock reads
  int64_t days = seconds / 86400;
  int64_t inDay = seconds % 86400;
  if (inDay < 0) {
    inDay += 86400;
    --days;
  }
  int64_t year = 0;
  unsigned month = 0, day = 0;
  CivilFromDays(days - kDaysBefore1970, year, month, day);
  char text[32];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ", static_cast<long long>(year), month, day,
                static_cast<long long>(inDay / 3600), static_cast<long long>(inDay / 60 % 60),
                static_cast<long long>(inDay % 60));
  return text;
}

std::string LowerHex(const uint8_t* bytes, size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(count * 2);
  for (size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

std::string CrcHex(uint32_t crc) {
  const uint8_t bytes[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
  return LowerHex(bytes, 4);
}

std::string LeftOutReason(const zip::LeftOutFile& file, std::string_view answer) {
  std::string cause;
  switch (file.kind) {
    case zip::LeftOutKind::Link: cause = "a link, not followed"; break;
    case zip::LeftOutKind::Folder: cause = "a folder that could not be read: " + file.reason; break;
    case zip::LeftOutKind::File: cause = FileCause(file); break;
  }
  if (!answer.empty()) {
    cause += "; ";
    cause += answer;
  }
  return cause;
}

ManifestWriter::ManifestWriter(const std::string& scratchFolder) : scratchFolder_(scratchFolder) {
  os::OpenResult made = os::CreateScratchFile(scratchFolder, "MF");
  if (!made) throw FileCreateError(scratchFolder + "MF*.tmp", os::ErrorText(made.Error()));
  spool_ = std::move(*made);
}

ManifestWriter::~ManifestWriter() = default;

size_t ManifestWriter::BeginProduct(const std::string& name, const std::string& dataFolder) {
  Product product;
  product.name = name;
  product.dataFolder = dataFolder;
  product.filesAt = product.filesEnd = spoolEnd_;
  products_.push_back(std::move(product));
  return products_.size() - 1;
}

void ManifestWriter::AddFile(const ManifestFile& file) {
  if (products_.empty()) throw Error("The manifest has no product for the file " + file.name);
  Product& product = products_.back();
  Json element;
  element["name"] = file.name;
  element["bytes"] = file.bytes;
  element["modified"] = IsoUtcText(file.modified);
  element["crc32"] = CrcHex(file.crc32);
  element["sha256"] = LowerHex(file.sha256.data(), file.sha256.size());
  const size_t before = pending_.size();
  if (product.files > 0) pending_ += ",\n";
  pending_ += Indent(4) + Dumped(element, 4);
  spoolEnd_ += pending_.size() - before;
  product.filesEnd = spoolEnd_;
  ++product.files;
  product.bytes += file.bytes;
  if (pending_.size() >= kSpoolPiece) FlushSpool();
}

void ManifestWriter::AddEntry(const zip::TArcWrittenEntry& entry) {
  if (entry.isFolder) return;
  if (!entry.sha256) throw Error("The archive writer gave no SHA-256 for " + entry.source);
  AddFile(ManifestFile{entry.storedName, entry.size, entry.lastWrite, entry.crc, *entry.sha256});
}

void ManifestWriter::AddLeftOut(size_t product, const std::string& path, const std::string& reason) {
  products_.at(product).leftOut.push_back({path, reason});
}

void ManifestWriter::AddVolume(size_t product, const ManifestVolume& volume) {
  products_.at(product).volumes.push_back(volume);
}

void ManifestWriter::FlushSpool() {
  if (pending_.empty()) return;
  const std::string name = scratchFolder_ + "MF*.tmp";
  if (!spool_.SeekToEnd()) throw StreamWriteError(name, os::ErrorText(os::LastErrorCode()));
  WriteAll(spool_, pending_, name);
  pending_.clear();
}

void ManifestWriter::Write(const ManifestRun& run, const std::string& path) {
  FlushSpool();
  os::OpenResult opened = os::File::Open(path, os::Access::Write, os::kShareNone, os::Disposition::OpenAlways);
  if (!opened) throw FileOpenError(path, os::ErrorText(opened.Error()));
  os::File& out = *opened;
  if (!out.Seek(0)) throw StreamWriteError(path, os::ErrorText(os::LastErrorCode()));

  Json tool;
  tool["name"] = "Tavisto";
  tool["version"] = run.toolVersion;
  Json facts;
  facts["started"] = IsoUtcText(run.started);
  facts["finished"] = IsoUtcText(run.finished);
  facts["utcOffsetMinutes"] = run.utcOffsetMinutes;
  facts["computer"] = run.computer;
  facts["user"] = run.user;
  std::string text = "{\n" + Member(1, "manifest", kManifestVersion) + ",\n" + Member(1, "tool", tool) + ",\n" +
                     Member(1, "run", facts) + ",\n" + Indent(1) + Dumped(Json("products"), 1) + ": [";

  uint64_t files = 0, bytes = 0, leftOut = 0;
  std::vector<char> buffer(kSpoolPiece);
  for (size_t i = 0; i < products_.size(); ++i) {
    const Product& product = products_[i];
    text += (i == 0 ? "\n" : ",\n") + Indent(2) + "{\n";
    text += Member(3, "name", product.name) + ",\n" + Member(3, "dataFolder", product.dataFolder) + ",\n";
    Json volumes = Json::array();
    for (const ManifestVolume& volume : product.volumes) {
      Json element;
      element["name"] = volume.name;
      element["bytes"] = volume.bytes;
      element["sha256"] = LowerHex(volume.sha256.data(), volume.sha256.size());
      volumes.push_back(std::move(element));
    }
    text += Member(3, "volumes", volumes) + ",\n" + Indent(3) + Dumped(Json("files"), 3) + ": [";
    if (product.files > 0) {
      text += "\n";
      WriteAll(out, text, path);
      text.clear();
      // The product's file elements, as they wait in the scratch file.
      if (!spool_.Seek(static_cast<int64_t>(product.filesAt))) throw StreamReadError();
      for (uint64_t left = product.filesEnd - product.filesAt; left > 0;) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
        const auto got = spool_.Read(buffer.data(), want);
        if (!got || *got == 0) throw StreamReadError();
        WriteAll(out, std::string(buffer.data(), *got), path);
        left -= *got;
      }
      text += "\n" + Indent(3);
    }
    text += "],\n";
    Json left = Json::array();
    for (const LeftOut& each : product.leftOut) {
      Json element;
      element["path"] = each.path;
      element["reason"] = each.reason;
      left.push_back(std::move(element));
    }
    text += Member(3, "leftOut", left) + "\n" + Indent(2) + "}";
    files += product.files;
    bytes += product.bytes;
    leftOut += product.leftOut.size();
  }
  text += products_.empty() ? "]" : "\n" + Indent(1) + "]";
  Json totals;
  totals["files"] = files;
  totals["bytes"] = bytes;
  totals["leftOut"] = leftOut;
  text += ",\n" + Member(1, "totals", totals) + "\n}\n";
  WriteAll(out, text, path);
  if (!out.Truncate()) throw StreamWriteError(path, os::ErrorText(os::LastErrorCode()));
  if (!out.Flush()) throw StreamWriteError(path, os::ErrorText(os::LastErrorCode()));
}

}  // namespace tavisto::delivery
