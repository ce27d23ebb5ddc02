// The volumes of a split archive this run wrote, as the archive itself tells them, and the
// check that each is still the file that was written: a volume that vanished, changed or
// cannot be read fails Get Data by name, never drops out of Data.zip unseen.
//   std::vector<OwnedFile> volumes = ClosedVolumes(base + "ZorvelData.zip", false);
//   if (auto problem = VolumeProblem(volumes[0])) throw Error(*problem);
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "delivery/own_files.h"

namespace tavisto::delivery {

// The volumes of the closed split archive at archivePath (its last volume), in order, each with
// its state now. The end record of the last volume says how many there are. Error naming the
// volume that is missing or the archive that cannot be read.
[[nodiscard]] std::vector<OwnedFile> ClosedVolumes(const std::string& archivePath, bool advancedNaming);

// What is wrong with a volume since it was written ("the volume ... is no longer there", "...
// changed after it was written ..."), or nothing.
[[nodiscard]] std::optional<std::string> VolumeProblem(const OwnedFile& volume);

}  // namespace tavisto::delivery
