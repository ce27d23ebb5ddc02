// The registry dump on the program's registry layer. Names and text come from it as UTF-8 and
// go into the report in the code page.
#include "report/registry_dump.h"

#include "common/size_text.h"
#include "os/os_error.h"
#include "os/text_encoding.h"
#include "report/report_texts.h"

namespace tavisto::report {
namespace {

// Where a dump is, for the lines that name a value it could not show.
struct DumpPlace {
  std::string key;  // the key's full name: "HKEY_CURRENT_USER\Software\Velmo\Zorvel"
  LineSink& out;
  const LocaleFormats& formats;
  Problems& problems;
};

std::string RootName(os::RegRoot root) {
  return root == os::RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

// A value whose data the dump cannot show as its type says: its line keeps its place in the tree
// with a note instead of the data, and the problem names the key and the value.
void AddUnshown(const std::string& prefix, const std::string& name, const std::string& note, const DumpPlace& at) {
  at.out.Add(prefix + " = (" + os::Utf8ToAnsi(note).Bytes() + ")");
  at.problems.Add(at.key + ": value \"" + name + "\" (" + note + ")");
}

std::string ReadFailureNote(uint32_t error) {
  std::string reason = os::ErrorText(error);
  if (!reason.empty() && reason.back() == '.') reason.pop_back();
  if (!reason.empty()) reason += ' ';
  return "could not be read: " + reason + "(error " + std::to_string(error) + ")";
}

void AddValueLines(const os::RegistryKey& key, const std::string& name, const std::string& indent,
                   const DumpPlace& at) {
  const std::string prefix = indent + os::Utf8ToAnsi(name).Bytes();
  // Type, size and data from one query: a value another program changes meanwhile is shown as
  // it was at that moment, never as one type read as another.
  os::RegValueData value = key.ReadValue(name, kLargestBinaryRead);
  if (value.Kind() == os::RegDataKind::String && value.error == 0 && !value.Whole()) value = key.ReadValue(name);
  if (value.error != 0) return AddUnshown(prefix, name, ReadFailureNote(value.error), at);
  switch (value.Kind()) {
    case os::RegDataKind::String:
      at.out.Add(prefix + " = " + os::Utf8ToAnsi(os::StringData(value)).Bytes());
      return;
    case os::RegDataKind::Integer: {
      // Only four bytes are a DWORD: another size (a 64-bit number stored with the wrong type)
      // would be a number the value does not hold.
      if (value.size != 4)
        return AddUnshown(prefix, name, "REG_DWORD of " + SizeText(value.size, SizeStyle::Bytes) + ": not shown", at);
      const uint32_t bits = uint32_t{value.data[0]} | uint32_t{value.data[1]} << 8 | uint32_t{value.data[2]} << 16 |
                            uint32_t{value.data[3]} << 24;
      at.out.Add(prefix + " = " + std::to_string(static_cast<int32_t>(bits)));
      return;
    }
    case os::RegDataKind::Binary: {
      // Values of 1 to 63 bytes are read; empty and larger ones are not, and their lines
      // carry no data. Either way the dump goes on with the next value.
      const bool read = value.size >= 1 && value.Whole();
      for (const std::string& line : BinaryValueLines(prefix, read ? &value.data : nullptr, at.formats))
        at.out.Add(line);
      return;
    }
    case os::RegDataKind::ExpandString:
    case os::RegDataKind::Unknown:
      at.out.Add(prefix + " = ??? ");
      return;
  }
}

// Each sub-key is opened through its parent's handle, so no path length limits the depth.
void DumpOpenKey(const os::RegistryKey& key, int depth, const DumpPlace& at) {
  const std::string subKeyIndent(static_cast<size_t>(5 * depth), ' ');
  for (const std::string& name : key.SubKeyNames()) {
    at.out.Add(subKeyIndent + "+ " + os::Utf8ToAnsi(name).Bytes());
    if (const auto subKey = key.OpenSubKey(name))
      DumpOpenKey(*subKey, depth + 1, {at.key + "\\" + name, at.out, at.formats, at.problems});
  }
  const std::string valueIndent(static_cast<size_t>(6 * depth), ' ');
  for (const std::string& name : key.ValueNames()) AddValueLines(key, name, valueIndent, at);
}

}  // namespace

void DumpKey(os::RegRoot root, const std::string& path, int depth, LineSink& out, const LocaleFormats& formats,
             Problems& problems) {
  const std::string opened = !path.empty() && path[0] == '\\' ? path.substr(1) : path;
  if (const auto key = os::RegistryKey::Open(root, opened))
    DumpOpenKey(*key, depth, {RootName(root) + (opened.empty() ? "" : "\\" + opened), out, formats, problems});
}

void WriteKeyLog(LineSink& out, const LocaleFormats& formats, Problems& problems) {
  out.Add(DateTimeText(os::LocalNow(), formats));
  out.Add("");
  out.Add(kVelmoKey);
  DumpKey(os::RegRoot::CurrentUser, kVelmoKey, 1, out, formats, problems);
  out.Add("");
  out.Add(kFfdshowHeading);
  out.Add(kFfdshowMachineLine);
  out.Add(kShortSeparator);
  DumpKey(os::RegRoot::LocalMachine, kGnuKey, 1, out, formats, problems);
  out.Add(kShortSeparator);
  out.Add(kFfdshowUserLine);
  out.Add(kShortSeparator);
  DumpKey(os::RegRoot::CurrentUser, kGnuKey, 1, out, formats, problems);
  out.Add(kShortSeparator);
  out.Add(kSerialCommLine);
  out.Add(kShortSeparator);
  DumpKey(os::RegRoot::LocalMachine, kSerialCommKey, 1, out, formats, problems);
}

}  // namespace tavisto::report
