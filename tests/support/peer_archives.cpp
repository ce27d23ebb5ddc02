#include "tests/support/peer_archives.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "os/dir_listing.h"
#include "os/files.h"
#include "tests/support/temp_dir.h"

namespace tavisto::test {
namespace {

std::string Join(const std::string& folder, const std::string& name) { return folder + Separator() + name; }

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CaseName(const std::string& label) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "unknown";
  if (!label.empty()) name += "-" + label;
  for (char& c : name)
    if (c == '/' || c == '\\') c = '_';
  return name;
}

void CopyFile(const std::string& from, const std::string& to) {
  auto source = os::File::Open(from, os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
  auto target = os::File::Open(to, os::Access::Write, os::kShareAll, os::Disposition::CreateAlways);
  if (!source || !target) {
    ADD_FAILURE() << "cannot copy " << from << " to " << to;
    return;
  }
  std::string buffer(1 << 20, '\0');
  for (;;) {
    const auto got = source->Read(buffer.data(), buffer.size());
    if (!got) {
      ADD_FAILURE() << "cannot read " << from;
      return;
    }
    if (*got == 0) break;
    const auto put = target->Write(buffer.data(), *got);
    if (!put || *put != *got) {
      ADD_FAILURE() << "cannot write " << to;
      return;
    }
  }
  if (auto when = source->LastWriteTime()) (void)target->SetLastWriteTime(*when);
}

}  // namespace

void CopyTree(const std::string& from, const std::string& to) {
  if (!os::DirectoryExists(to)) MakeDirectories(to);
  os::DirListing listing(Join(from, "*"));
  for (os::DirEntry entry; listing.Next(entry);) {
    if (entry.name == "." || entry.name == "..") continue;
    if (entry.attributes & os::kAttrDirectory) CopyTree(Join(from, entry.name), Join(to, entry.name));
    else CopyFile(Join(from, entry.name), Join(to, entry.name));
  }
}

void KeepForPeers(const std::vector<std::string>& files, const PeerHandOff& handOff) {
  const char* root = std::getenv("TAVISTO_PEER_DIR");
  if (!root || !*root) return;
  const std::string folder = Join(root, CaseName(handOff.label));
  RemoveTree(folder);
  MakeDirectories(folder);
  std::string manifest = handOff.infoZipJoin ? "" : "# no-infozip-join\n";
  if (handOff.volumeSize > 0) manifest += "# volume-size: " + std::to_string(handOff.volumeSize) + "\n";
  for (const std::string& file : files) {
    if (!handOff.move) CopyFile(file, Join(folder, BaseName(file)));
    else if (!os::RenameFile(file, Join(folder, BaseName(file)))) ADD_FAILURE() << "cannot move " << file;
    manifest += BaseName(file) + "\n";
  }
  WriteFile(Join(folder, "manifest.txt"), manifest);
  if (handOff.expectedTree.empty()) return;
  // Large trees (sparse files) are moved rather than copied byte for byte.
  if (!handOff.move) CopyTree(handOff.expectedTree, Join(folder, "expected"));
  else if (!os::RenameFile(handOff.expectedTree, Join(folder, "expected"))) ADD_FAILURE() << "cannot move the tree";
}

}  // namespace tavisto::test
