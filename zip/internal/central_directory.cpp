#include "zip/internal/central_directory.h"

#include <algorithm>

#include "os/codepage.h"
#include "os/text_encoding.h"
#include "zip/archive_error.h"
#include "zip/directory.h"
#include "zip/records.h"
#include "zip/volume_writer.h"

namespace tavisto::zip {

std::string EncodedName(TDirItem& item, bool oemNames) {
  item.central.flags &= static_cast<uint16_t>(~kFlagUtf8);
  if (oemNames) {
    if (auto oem = os::Utf8ToOemExact(item.storedName)) return *oem;
  } else if (os::IsAscii(item.storedName)) {
    return item.storedName;
  }
  if (os::IsUtf8(item.storedName)) item.central.flags |= kFlagUtf8;
  return item.storedName;
}

void WriteCentralDirectory(TArcDirManager& manager, VolumeWriter& writer, bool oemNames,
                           const std::string& componentName) {
  TArcDirArray& directory = manager.current;
  writer.CutHere();
  // Where the first central record really lies: when it does not fit the room left in the
  // volume (or the entries' data ended right at its limit), that is the start of the next
  // volume, not the end of this one.
  ArchivePosition start = writer.Here();
  uint64_t directorySize = 0;
  std::string extras;
  for (int32_t i = 0; i < directory.Count(); ++i) {
    TDirItem& item = directory.Item(i);
    const std::string name = EncodedName(item, oemNames);
    extras.clear();
    for (const ExtraField& extra : item.extras) {
      AppendLe16(extras, extra.id);
      AppendLe16(extras, static_cast<uint16_t>(extra.data.size()));
      extras += extra.data;
    }
    item.central.commentLength = static_cast<uint16_t>(std::min<size_t>(item.comment.size(), kMax16));
    const std::string record = CentralRecord(item.central, name, extras);
    const auto placed = writer.PlaceWhole(record);
    if (!placed) throw CannotPlaceError(componentName, writer.CurrentName(), record.size());
    if (i == 0) start = *placed;
    const size_t comment = item.comment.empty() ? 0 : writer.Place(item.comment.data(), item.comment.size(), kMayCut);
    if (comment != item.comment.size())
      throw CannotPlaceError(componentName, writer.CurrentName(), item.comment.size() - comment);
    directorySize += record.size() + item.comment.size();
  }
  DirectoryEnd end;
  end.entryCount = static_cast<uint64_t>(directory.Count());
  end.directorySize = directorySize;
  end.startDisk = static_cast<uint32_t>(start.volume);
  end.startOffset = static_cast<uint64_t>(start.offset);
  const ArchivePosition here = writer.Here();
  end.thisDisk = static_cast<uint32_t>(here.volume);
  end.endRecordsOffset = static_cast<uint64_t>(here.offset);
  // The end records go into the volume the directory ended in, whatever room it has left.
  writer.WriteDirect(EndRecords(end));
  manager.end = end;
  manager.directoryOffset = start.offset;
  writer.Finish();
}

}  // namespace tavisto::zip
