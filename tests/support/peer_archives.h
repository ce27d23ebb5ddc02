// Hands the archives a test wrote to the peer check that ctest runs after the test program
// (peer_check.py: unzip, 7-Zip and Python's zipfile, which a Windows program under Wine cannot
// start itself). The files go to $TAVISTO_PEER_DIR/<suite>.<test>[-label]/ with a manifest;
// when the variable is not set (a test program started by hand) nothing is handed over.
//   KeepForPeers({archivePath});
//   KeepForPeers(volumePaths, "split", sourceFolder);   // the set must extract to sourceFolder
#pragma once

#include <string>
#include <vector>

namespace tavisto::test {

// files: the archive, or the volumes of a split archive in order (the last one is the archive).
// expectedTree: a folder whose files the extracted archive must reproduce byte for byte, or "".
// move: hand the files over by moving them (for archives of several GiB, kept sparse), which
// needs the peer folder on the same file system.
void KeepForPeers(const std::vector<std::string>& files, const std::string& label = {},
                  const std::string& expectedTree = {}, bool move = false);

// Copies a folder with everything in it (ADD_FAILURE on errors).
void CopyTree(const std::string& from, const std::string& to);

}  // namespace tavisto::test
