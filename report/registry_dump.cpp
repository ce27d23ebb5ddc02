// The registry dump on the program's registry layer. Names and text come from it as UTF-8 and
// go into the report in the code page.
#include "report/registry_dump.h"

#include "os/text_encoding.h"
#include "report/report_texts.h"

namespace tavisto::report {
namespace {

void AddValueLines(const os::RegistryKey& key, const std::string& name, const std::string& indent,
                   LineSink& out, const LocaleFormats& formats) {
  const std::string prefix = indent + os::Utf8ToAnsi(name).Bytes();
  const auto info = key.ValueInfo(name);
  // A value that went away since it was listed has no type left to show.
  const os::RegDataKind kind = info ? info->Kind() : os::RegDataKind::Unknown;
  switch (kind) {
    case os::RegDataKind::String:
      out.Add(prefix + " = " + os::Utf8ToAnsi(key.ReadString(name)).Bytes());
      return;
    case os::RegDataKind::Integer:
      out.Add(prefix + " = " + std::to_string(key.ReadInteger(name)));
      return;
    case os::RegDataKind::Binary: {
      // Values of 1 to 63 bytes are read; empty and larger ones are not, and their lines
      // carry no data. Either way the dump goes on with the next value.
      std::vector<uint8_t> data;
      const bool read = info->size >= 1 && info->size <= kLargestBinaryRead;
      if (read) data = key.ReadBinary(name, kLargestBinaryRead);
      for (const std::string& line : BinaryValueLines(prefix, read ? &data : nullptr, formats)) out.Add(line);
      return;
    }
    case os::RegDataKind::ExpandString:
    case os::RegDataKind::Unknown:
      out.Add(prefix + " = ??? ");
      return;
  }
}

// Each sub-key is opened through its parent's handle, so no path length limits the depth.
void DumpOpenKey(const os::RegistryKey& key, int depth, LineSink& out, const LocaleFormats& formats) {
  const std::string subKeyIndent(static_cast<size_t>(5 * depth), ' ');
  for (const std::string& name : key.SubKeyNames()) {
    out.Add(subKeyIndent + "+ " + os::Utf8ToAnsi(name).Bytes());
    if (const auto subKey = key.OpenSubKey(name)) DumpOpenKey(*subKey, depth + 1, out, formats);
  }
  const std::string valueIndent(static_cast<size_t>(6 * depth), ' ');
  for (const std::string& name : key.ValueNames()) AddValueLines(key, name, valueIndent, out, formats);
}

}  // namespace

void DumpKey(os::RegRoot root, const std::string& path, int depth, LineSink& out, const LocaleFormats& formats) {
  const std::string opened = !path.empty() && path[0] == '\\' ? path.substr(1) : path;
  if (const auto key = os::RegistryKey::Open(root, opened)) DumpOpenKey(*key, depth, out, formats);
}

void WriteKeyLog(LineSink& out, const LocaleFormats& formats) {
  out.Add(DateTimeText(os::LocalNow(), formats));
  out.Add("");
  out.Add(kVelmoKey);
  DumpKey(os::RegRoot::CurrentUser, kVelmoKey, 1, out, formats);
  out.Add("");
  out.Add(kFfdshowHeading);
  out.Add(kFfdshowMachineLine);
  out.Add(kShortSeparator);
  DumpKey(os::RegRoot::LocalMachine, kGnuKey, 1, out, formats);
  out.Add(kShortSeparator);
  out.Add(kFfdshowUserLine);
  out.Add(kShortSeparator);
  DumpKey(os::RegRoot::CurrentUser, kGnuKey, 1, out, formats);
  out.Add(kShortSeparator);
  out.Add(kSerialCommLine);
  out.Add(kShortSeparator);
  DumpKey(os::RegRoot::LocalMachine, kSerialCommKey, 1, out, formats);
}

}  // namespace tavisto::report
