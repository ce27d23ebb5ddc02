#include "intake/stored_names.h"

#include <array>
#include <cstdio>

#include "os/text_encoding.h"

namespace tavisto::intake {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameLetters(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (Upper(text[i]) != upper[i]) return false;
  return true;
}

// The device a part names (CON, COM1, LPT², CONIN$ ...), however it goes on: Windows takes the
// name before the first dot, its trailing spaces dropped, for the device.
std::string DeviceName(std::string_view part) {
  std::string_view base = part.substr(0, part.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (SameLetters(base, device)) return std::string(base);
  if (base.size() < 4 || (!SameLetters(base.substr(0, 3), "COM") && !SameLetters(base.substr(0, 3), "LPT")))
    return {};
  const std::string_view number = base.substr(3);
  static constexpr std::array<std::string_view, 3> kSuperscripts = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
  const bool digit = number.size() == 1 && number[0] >= '1' && number[0] <= '9';
  bool superscript = false;
  for (const std::string_view s : kSuperscripts) superscript = superscript || number == s;
  return digit || superscript ? std::string(base) : std::string();
}

std::string PartRefusal(std::string_view part) {
  if (part.empty()) return "it has an empty part (two separators together)";
  if (part == "..") return "it climbs out of its folder with \"..\"";
  if (part.back() == '.' || part.back() == ' ')
    return "a part of it ends in a dot or a space (\"" + std::string(part) + "\"), which Windows drops";
  const std::string device = DeviceName(part);
  if (!device.empty()) return "a part of it is the device name " + device;
  return {};
}

}  // namespace

StoredNameVerdict CheckStoredName(std::string_view name) {
  StoredNameVerdict verdict;
  const auto refuse = [&verdict](std::string why) {
    verdict.refusal = std::move(why);
    verdict.parts.clear();
    return verdict;
  };
  if (name.empty()) return refuse("the name is empty");
  if (!os::IsUtf8(name)) return refuse("the name is not valid UTF-8");
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 0x20) return refuse("the name holds a control character");
  if (IsSeparator(name[0])) {
    if (name.size() > 1 && IsSeparator(name[1])) return refuse("it starts with \\\\ (a network or device path)");
    if (name.size() > 3 && name[1] == '?' && name[2] == '?' && IsSeparator(name[3]))
      return refuse("it starts with \\" "??\\ (a device path)");
    return refuse("it starts at the root of a drive");
  }
  if (name.size() >= 2 && name[1] == ':' && Upper(name[0]) >= 'A' && Upper(name[0]) <= 'Z')
    return refuse("it names a drive (" + std::string(name.substr(0, 2)) + ")");
  if (name.find(':') != std::string_view::npos) return refuse("it holds \":\" (an alternate data stream)");
  const auto bad = name.find_first_of("<>\"|?*");
  if (bad != std::string_view::npos)
    return refuse(std::string("it holds \"") + name[bad] + "\", which Windows does not allow in names");

  if (IsSeparator(name.back())) {
    verdict.folder = true;
    name.remove_suffix(1);
  }
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !IsSeparator(name[i])) continue;
    const std::string_view part = name.substr(start, i - start);
    std::string why = PartRefusal(part);
    if (!why.empty()) return refuse(std::move(why));
    verdict.parts.emplace_back(part);
    start = i + 1;
  }
  return verdict;
}

std::string Printable(std::string_view name) {
  std::string shown;
  shown.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    const size_t at = i;
    const auto c = os::DecodeUtf8(name, i);
    if (c && *c >= 0x20 && *c != 0x7F) {
      shown.append(name.substr(at, i - at));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(name[at])));
      shown += escaped;
    }
  }
  return shown;
}

}  // namespace tavisto::intake
