#include "intake/target_folder.h"

#include "common/path_parts.h"
#include "os/dir_listing.h"
#include "os/os_error.h"
#include "os/path_limits.h"
#include "zip/name_case.h"

namespace tavisto::intake {
namespace {

std::string WithSeparator(std::string path) {
  if (path.empty() || !IsPathSeparator(path.back())) path += os::PathSeparator();
  return path;
}

std::string WithoutSeparator(std::string path) {
  while (path.size() > 1 && IsPathSeparator(path.back())) path.pop_back();
  return path;
}

bool IsLink(const std::string& path) {
  const uint32_t attributes = os::FileAttributes(path);
  return attributes != os::kInvalidAttributes && (attributes & os::kAttrReparsePoint);
}

}  // namespace

TargetFolder TargetFolder::Check(const std::string& root) {
  const std::string folder = WithoutSeparator(root);
  const uint32_t attributes = os::FileAttributes(folder);
  if (attributes != os::kInvalidAttributes) {
    if (!(attributes & os::kAttrDirectory)) throw OpenRefused(folder + " is a file, not a folder");
    os::DirListing listing(WithSeparator(folder) + "*");
    std::vector<std::string> names;
    size_t count = 0;
    for (os::DirEntry entry; listing.Next(entry);) {
      if (entry.name == "." || entry.name == "..") continue;
      if (++count <= 3) names.push_back(entry.name);
    }
    if (listing.Error() != os::kErrorSuccess)
      throw OpenRefused(folder + " cannot be read (" + os::ErrorText(listing.Error()) + ")");
    if (count > 0) {
      std::string what;
      for (const std::string& name : names) what += (what.empty() ? "" : ", ") + name;
      if (count > names.size()) what += " and " + std::to_string(count - names.size()) + " more";
      throw OpenRefused(folder + " is not empty (it holds " + what +
                        "): Tavisto opens Data.zip only into a new or empty folder");
    }
  }
  return TargetFolder(WithSeparator(folder));
}

void TargetFolder::Create() {
  // The missing folders from the top down: each made here is ours to remove again.
  std::vector<std::string> missing;
  for (std::string folder = WithoutSeparator(root_); !folder.empty() && !os::DirectoryExists(folder);) {
    missing.push_back(folder);
    const std::string parent = FolderOf(folder);
    if (parent == folder) break;
    folder = WithoutSeparator(parent);
  }
  for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
    if (!os::MakeDirectory(*folder)) {
      const uint32_t error = os::LastErrorCode();
      RemoveAll();
      throw OpenRefused(*folder + " cannot be made (" + os::ErrorText(error) + ")");
    }
    madeFolders_.push_back(*folder);
  }
}

std::string TargetFolder::MakeFolders(const std::vector<std::string>& parts, size_t count) {
  std::string folder = root_;
  for (size_t i = 0; i < count; ++i) {
    folder += parts[i];
    // A folder this run made and checked already is taken as it is: most files share theirs.
    if (!madeFolderPaths_.count(folder)) {
      const std::string key = zip::FoldCase(folder);
      if (os::MakeDirectory(folder)) {
        madeFolders_.push_back(folder);
        madeFolderKeys_.insert(key);
      } else if (!madeFolderKeys_.count(key) || !os::DirectoryExists(folder)) {
        const uint32_t error = os::LastErrorCode();
        if (os::FileAttributes(folder) != os::kInvalidAttributes)
          throw Error("the folder " + folder + " cannot be made: something of that name is already there");
        throw Error("the folder " + folder + " cannot be made (" + os::ErrorText(error) + ")");
      }
      // Made new a moment ago, yet another program could have put a link in its place.
      if (IsLink(folder)) throw Error("the folder " + folder + " turned out to be a link, and Tavisto writes through none");
      madeFolderPaths_.insert(folder);
    }
    folder += os::PathSeparator();
  }
  return folder;
}

PendingFile TargetFolder::NewFile(const std::string& folder) {
  for (int tries = 0; tries < 100; ++tries) {
    PendingFile pending;
    pending.folder = folder;
    pending.temporary = folder + "~tavisto-" + std::to_string(nextTemporary_++) + ".partial";
    os::OpenResult made = os::File::Open(pending.temporary, os::Access::Write, os::kShareRead, os::Disposition::CreateNew);
    if (made) {
      pending.file = std::move(*made);
      return pending;
    }
    if (made.Error() != os::kErrorFileExists && made.Error() != os::kErrorAlreadyExists)
      throw Error("no file can be made in " + folder + " (" + os::ErrorText(made.Error()) + ")");
  }
  throw Error("no file can be made in " + folder + ": every temporary name is taken");
}

void TargetFolder::Publish(PendingFile& pending, const std::string& name) {
  pending.file.Close();
  const std::string path = pending.folder + name;
  // The move refuses to replace a file already there.
  if (!os::RenameFile(pending.temporary, path)) {
    const uint32_t error = os::LastErrorCode();
    Discard(pending);
    if (os::FileAttributes(path) != os::kInvalidAttributes) throw Error("something named " + path + " is already there");
    throw Error(path + " cannot be given its name (" + os::ErrorText(error) + ")");
  }
  files_.push_back(path);
}

void TargetFolder::Discard(PendingFile& pending) {
  pending.file.Close();
  (void)os::RemoveFile(pending.temporary);
}

void TargetFolder::RemoveAll() {
  for (auto file = files_.rbegin(); file != files_.rend(); ++file) (void)os::RemoveFile(*file);
  files_.clear();
  for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder) (void)os::RemoveFolder(*folder);
  madeFolders_.clear();
  madeFolderKeys_.clear();
  madeFolderPaths_.clear();
}

}  // namespace tavisto::intake
