// The records that end an archive: every entry's central record, then the end records, written
// where the volume writer stands. Also the name as the records hold it (OEM or UTF-8).
//   WriteCentralDirectory(manager, writer, options.OEMFileNames, Name());
#pragma once

#include <string>

namespace tavisto::zip {

class VolumeWriter;
struct TArcDirManager;
struct TDirItem;

// The entry's name as its records hold it; sets or clears the entry's UTF-8 flag to match. A
// name the OEM code page holds exactly is stored in it, as archives always had it (with OEM names
// off, only a plain ASCII one is taken as it is); any other as UTF-8 with the flag that says so.
// Bytes that are not UTF-8 go as they are.
[[nodiscard]] std::string EncodedName(TDirItem& item, bool oemNames);

// Writes the central directory of the manager's current entries and the end records after it,
// cutting whatever lay beyond; the manager keeps where they went. A split archive's last volume
// then takes the archive's own name. componentName prefixes the errors raised (46: a record found
// no room).
void WriteCentralDirectory(TArcDirManager& manager, VolumeWriter& writer, bool oemNames,
                           const std::string& componentName);

}  // namespace tavisto::zip
