// Hands the archives a test wrote to the peer check that ctest runs after the test program
// (peer_check.py: unzip, 7-Zip and Python's zipfile, which a Windows program under Wine cannot
// start itself). The files go to $TAVISTO_PEER_DIR/<suite>.<test>[-label]/ with a manifest;
// when the variable is not set (a test program started by hand) nothing is handed over.
//   KeepForPeers({archivePath});
//   KeepForPeers(volumePaths, PeerHandOff().Label("split").Expect(sourceFolder));
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tavisto::test {

struct PeerHandOff {
  // Tells apart several archives of one test.
  PeerHandOff& Label(std::string value) { label = std::move(value); return *this; }
  // A folder the extracted archive must reproduce byte for byte.
  PeerHandOff& Expect(std::string folder) { expectedTree = std::move(folder); return *this; }
  // Moves the files (and the expected tree) instead of copying them: archives of several GiB,
  // kept sparse. The peer folder must be on the same file system.
  PeerHandOff& Move() { move = true; return *this; }
  // Info-ZIP's join of a split set mishandles a local header that ends right at a volume's
  // limit; a set made for that case is checked with 7-Zip, which reads the set as written.
  PeerHandOff& WithoutInfoZipJoin() { infoZipJoin = false; return *this; }
  // The volume size of a split set: should Info-ZIP fail to join it, the peer check splits the
  // expected files with Info-ZIP itself at that size, to tell Info-ZIP's defects from ours.
  PeerHandOff& VolumeSize(int64_t bytes) { volumeSize = bytes; return *this; }

  std::string label;
  std::string expectedTree;
  bool move = false;
  bool infoZipJoin = true;
  int64_t volumeSize = 0;
};

// files: the archive, or the volumes of a split archive in order (the last one is the archive).
void KeepForPeers(const std::vector<std::string>& files, const PeerHandOff& handOff = {});

// Copies a folder with everything in it (ADD_FAILURE on errors).
void CopyTree(const std::string& from, const std::string& to);

}  // namespace tavisto::test
