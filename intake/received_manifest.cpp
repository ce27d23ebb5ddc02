#include "intake/received_manifest.h"

#include <nlohmann/json.hpp>

#include <set>

namespace tavisto::intake {
namespace {

using Json = nlohmann::json;

constexpr int kKnownVersion = 1;
constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kDaysBefore1970 = 134774;  // from 1601-01-01

const Json& Field(const Json& object, const char* key, const std::string& where) {
  if (!object.is_object()) throw ManifestError(where + " is not an object");
  const auto found = object.find(key);
  if (found == object.end()) throw ManifestError(where + " has no \"" + key + "\"");
  return *found;
}

std::string Place(const std::string& where, const char* key) { return where.empty() ? key : where + "." + key; }

std::string Text(const Json& object, const char* key, const std::string& where) {
  const Json& value = Field(object, key, where);
  if (!value.is_string()) throw ManifestError(Place(where, key) + " is not text");
  return value.get<std::string>();
}

uint64_t Count(const Json& object, const char* key, const std::string& where) {
  const Json& value = Field(object, key, where);
  if (!value.is_number_unsigned()) throw ManifestError(Place(where, key) + " is not a count");
  return value.get<uint64_t>();
}

const Json& List(const Json& object, const char* key, const std::string& where) {
  const Json& value = Field(object, key, where);
  if (!value.is_array()) throw ManifestError(Place(where, key) + " is not a list");
  return value;
}

// Lower-case hexadecimal of exactly size bytes.
template <size_t N>
std::array<uint8_t, N> HexBytes(const std::string& text, const std::string& where) {
  std::array<uint8_t, N> bytes{};
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  if (text.size() != 2 * N) throw ManifestError(where + " is not " + std::to_string(2 * N) + " hexadecimal digits");
  for (size_t i = 0; i < N; ++i) {
    const int high = digit(text[2 * i]), low = digit(text[2 * i + 1]);
    if (high < 0 || low < 0) throw ManifestError(where + " is not " + std::to_string(2 * N) + " hexadecimal digits");
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return bytes;
}

os::FileTime Time(const Json& object, const char* key, const std::string& where) {
  const auto time = ParseIsoUtc(Text(object, key, where));
  if (!time) throw ManifestError(Place(where, key) + " is not a UTC time");
  return *time;
}

ReceivedProduct ReadProduct(const Json& element, const std::string& where) {
  ReceivedProduct product;
  product.name = Text(element, "name", where);
  product.dataFolder = Text(element, "dataFolder", where);
  const Json& volumes = List(element, "volumes", where);
  for (size_t i = 0; i < volumes.size(); ++i) {
    const std::string at = where + ".volumes[" + std::to_string(i) + "]";
    product.volumes.push_back({Text(volumes[i], "name", at), Count(volumes[i], "bytes", at),
                               HexBytes<32>(Text(volumes[i], "sha256", at), at + ".sha256")});
  }
  const Json& files = List(element, "files", where);
  std::set<std::string> names;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string at = where + ".files[" + std::to_string(i) + "]";
    ReceivedFile file;
    file.name = Text(files[i], "name", at);
    file.bytes = Count(files[i], "bytes", at);
    file.modified = Time(files[i], "modified", at);
    const auto crc = HexBytes<4>(Text(files[i], "crc32", at), at + ".crc32");
    file.crc32 = uint32_t(crc[0]) << 24 | uint32_t(crc[1]) << 16 | uint32_t(crc[2]) << 8 | crc[3];
    file.sha256 = HexBytes<32>(Text(files[i], "sha256", at), at + ".sha256");
    if (!names.insert(file.name).second) throw ManifestError(at + " names a file listed before it");
    product.files.push_back(std::move(file));
  }
  const Json& leftOut = List(element, "leftOut", where);
  for (size_t i = 0; i < leftOut.size(); ++i) {
    const std::string at = where + ".leftOut[" + std::to_string(i) + "]";
    product.leftOut.push_back({Text(leftOut[i], "path", at), Text(leftOut[i], "reason", at)});
  }
  return product;
}

// The parser's words without its "[json.exception....] " tag.
std::string ParserWords(const std::string& what) {
  const auto close = what.find("] ");
  return what.rfind("[json.exception", 0) == 0 && close != std::string::npos ? what.substr(close + 2) : what;
}

}  // namespace

std::optional<os::FileTime> ParseIsoUtc(std::string_view text) {
  // YYYY-MM-DDTHH:MM:SSZ
  static constexpr char kShape[] = "dddd-dd-ddTdd:dd:ddZ";
  if (text.size() != sizeof kShape - 1) return std::nullopt;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return std::nullopt;
  }
  const auto number = [&](size_t at, size_t length) {
    int value = 0;
    for (size_t i = at; i < at + length; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
  const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
    return std::nullopt;
  // Days since 1970-01-01 of the civil date (proleptic Gregorian), by eras of 400 years.
  const int64_t y = year - (month <= 2 ? 1 : 0);
  const int64_t era = y / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const int64_t days = era * 146097 + dayOfEra - 719468 + kDaysBefore1970;
  return os::FileTime{((days * 24 + hour) * 60 + minute) * 60 * kTicksPerSecond + second * kTicksPerSecond};
}

ReceivedManifest ReadManifest(std::string_view text) {
  Json document;
  try {
    document = Json::parse(text.begin(), text.end());
  } catch (const Json::exception& error) {
    throw ManifestError(ParserWords(error.what()));
  }
  try {
    const Json& version = Field(document, "manifest", "the document");
    if (!version.is_number_integer() || version.get<int64_t>() != kKnownVersion)
      throw ManifestError("its format (\"manifest\": " + version.dump() + ") is not one Tavisto knows");
    ReceivedManifest manifest;
    const Json& tool = Field(document, "tool", "the document");
    manifest.toolName = Text(tool, "name", "tool");
    manifest.toolVersion = Text(tool, "version", "tool");
    const Json& run = Field(document, "run", "the document");
    (void)Time(run, "started", "run");
    (void)Time(run, "finished", "run");
    manifest.started = Text(run, "started", "run");
    manifest.finished = Text(run, "finished", "run");
    const Json& offset = Field(run, "utcOffsetMinutes", "run");
    if (!offset.is_number_integer()) throw ManifestError("run.utcOffsetMinutes is not a whole number");
    manifest.utcOffsetMinutes = offset.get<int64_t>();
    manifest.computer = Text(run, "computer", "run");
    manifest.user = Text(run, "user", "run");
    const Json& products = List(document, "products", "");
    uint64_t files = 0, bytes = 0, leftOut = 0;
    for (size_t i = 0; i < products.size(); ++i) {
      manifest.products.push_back(ReadProduct(products[i], "products[" + std::to_string(i) + "]"));
      const ReceivedProduct& product = manifest.products.back();
      files += product.files.size();
      for (const ReceivedFile& file : product.files) {
        if (file.bytes > UINT64_MAX - bytes) throw ManifestError("its files come to more bytes than any disk holds");
        bytes += file.bytes;
      }
      leftOut += product.leftOut.size();
    }
    const Json& totals = Field(document, "totals", "the document");
    if (Count(totals, "files", "totals") != files || Count(totals, "bytes", "totals") != bytes ||
        Count(totals, "leftOut", "totals") != leftOut)
      throw ManifestError("its totals do not match its lists of files");
    return manifest;
  } catch (const Json::exception& error) {
    throw ManifestError(ParserWords(error.what()));
  }
}

}  // namespace tavisto::intake
