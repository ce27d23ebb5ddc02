#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>

#include "os/dir_listing.h"
#include "os/files.h"
#include "tests/support/folder_link.h"

namespace tavisto::test {
namespace {

// TAVISTO_TEST_TEMP, when set, names the folder to use instead: the large-file tests' sparse
// files read far faster from a RAM disk, whose holes read as the kernel's one page of zeros.
std::string SystemTemp() {
  if (const char* chosen = std::getenv("TAVISTO_TEST_TEMP"); chosen && *chosen) {
    MakeDirectories(chosen);
    return chosen;
  }
  std::string folder = os::SystemTempFolder();
  folder.pop_back();
  return folder;
}

bool CurrentTestFailed() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return info && info->result()->Failed();
}

}  // namespace

char Separator() { return os::PathSeparator(); }

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    root_ = SystemTemp() + Separator() + "tavisto-test-" + std::to_string(stamp % 1000000007) + "-" +
            std::to_string(counter++);
    if (os::MakeDirectory(root_)) break;
  }
}

TempDir::~TempDir() {
  if (CurrentTestFailed()) {
    std::fprintf(stderr, "test files kept in %s\n", root_.c_str());
    return;
  }
  RemoveTree(root_);
}

std::string TempDir::Path(const std::string& relative) const {
  std::string path = root_ + Separator() + relative;
  for (char& c : path)
    if (c == '\\' || c == '/') c = Separator();
  return path;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  auto file = os::File::Open(path, os::Access::Write, os::kShareAll, os::Disposition::CreateAlways);
  if (!file) {
    ADD_FAILURE() << "cannot create " << path;
    return;
  }
  const auto written = file->Write(bytes.data(), bytes.size());
  if (!written || *written != bytes.size()) ADD_FAILURE() << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
  auto file = os::File::Open(path, os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
  if (!file) {
    ADD_FAILURE() << "cannot open " << path;
    return std::string();
  }
  std::string bytes(static_cast<size_t>(file->Size().value_or(0)), '\0');
  const auto got = file->Read(bytes.data(), bytes.size());
  if (!got) ADD_FAILURE() << "cannot read " << path;
  bytes.resize(got.value_or(0));
  return bytes;
}

void MakeDirectories(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\' || path[i] == '/') {
      const std::string prefix = path.substr(0, i);
      if (prefix.size() > 2 && !os::DirectoryExists(prefix)) (void)os::MakeDirectory(prefix);
    }
  }
  if (!os::DirectoryExists(path)) ADD_FAILURE() << "cannot create folder " << path;
}

void RemoveTree(const std::string& path) {
  // A link goes, never what it points to (it may point back up into the tree).
  const uint32_t attributes = os::FileAttributes(path);
  if (attributes != os::kInvalidAttributes && (attributes & os::kAttrReparsePoint)) {
    if (!RemoveFolderLink(path)) (void)os::RemoveFile(path);
    return;
  }
  if (!os::DirectoryExists(path)) {
    (void)os::ChangeAttributes(path, os::kAttrArchive);
    (void)os::RemoveFile(path);
    return;
  }
  {
    os::DirListing listing(path + Separator() + "*");
    for (os::DirEntry entry; listing.Next(entry);) {
      if (entry.name == "." || entry.name == "..") continue;
      RemoveTree(path + Separator() + entry.name);
    }
  }
  (void)os::ChangeAttributes(path, os::kAttrDirectory);
  (void)os::RemoveFolder(path);
}

}  // namespace tavisto::test
