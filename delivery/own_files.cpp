// A journal is a text file, one record a line, each written whole before the file or folder it
// names receives anything: a window killed at any point leaves a journal that names every file
// of ours that holds data. Paths cannot hold line breaks or tabs, so neither can end a record.
//   file\t<volume> <number>\t<path>     a file we made    folder\t...  a folder we made
//   name\t<path>                        a name a file we made may come to have
//   made\t<folder>                      the journal's folder was made for it
#include "delivery/own_files.h"

#include <algorithm>
#include <cstdlib>

#include "os/dir_listing.h"
#include "os/errors.h"
#include "os/os_error.h"

namespace tavisto::delivery {
namespace {

constexpr char kHeader[] = "Tavisto file journal 1\n";
constexpr char kJournalPrefix[] = "Journal ";
constexpr char kJournalExtension[] = ".txt";
// The archive writer's scratch files, which the system removes when their writer ends; one
// killed before that was done may leave them in a folder of ours.
constexpr char kScratchMask[] = "FC*";
constexpr int kMostTries = 100000;

bool IsTaken(uint32_t error) { return error == os::kErrorFileExists || error == os::kErrorAlreadyExists; }

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

std::optional<std::string> ReadAll(os::File& file) {
  std::string text;
  char buffer[8192];
  for (;;) {
    const auto got = file.Read(buffer, sizeof buffer);
    if (!got) return std::nullopt;
    if (*got == 0) return text;
    text.append(buffer, *got);
  }
}

std::string FolderOf(const std::string& path) {
  const auto separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// "file\t<volume> <number>\t<path>": what a record of something we made says.
std::string MadeLine(const char* kind, const std::string& path, const os::FileIdentity& identity) {
  return std::string(kind) + "\t" + std::to_string(identity.volume) + " " + std::to_string(identity.index) + "\t" +
         path + "\n";
}

// The records of a journal's text; nothing when it is not a journal of ours.
std::optional<FileJournal::Records> Parse(const std::string& text) {
  if (text.compare(0, sizeof kHeader - 1, kHeader) != 0) return std::nullopt;
  FileJournal::Records records;
  size_t start = sizeof kHeader - 1;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) break;  // a record cut short by the end of its window
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const auto tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const std::string kind = line.substr(0, tab), value = line.substr(tab + 1);
    if (kind == "name") {
      records.files.push_back(value);
    } else if (kind == "made") {
      records.madeOwnFolder = true;
    } else if (kind == "file" || kind == "folder") {
      const auto pathTab = value.find('\t');
      if (pathTab == std::string::npos) continue;
      char* rest = nullptr;
      FileJournal::Made made;
      made.identity.volume = std::strtoull(value.c_str(), &rest, 10);
      made.identity.index = std::strtoull(rest, nullptr, 10);
      made.path = value.substr(pathTab + 1);
      (kind == "file" ? records.files : records.folders).push_back(made.path);
      records.made.push_back(std::move(made));
    }
  }
  return records;
}

// Whether the file or folder at path is one we made, there or in the same folder (under
// another name): its identity says so, and a file number counts on its own drive only.
bool Recorded(const FileJournal::Records& records, const std::string& path) {
  const auto state = os::StateOf(path);
  if (!state) return false;
  const std::string folder = FolderOf(path);
  return std::any_of(records.made.begin(), records.made.end(), [&](const FileJournal::Made& made) {
    return made.identity == state->identity && FolderOf(made.path) == folder;
  });
}

bool IsOurFile(const FileJournal::Records& records, const std::string& path) {
  return !os::DirectoryExists(path) && Recorded(records, path);
}

// Removes a folder of ours with the scratch files in it; anything else in it keeps it.
void RemoveOurFolder(const FileJournal::Records& records, const std::string& folder) {
  if (!Recorded(records, folder)) return;
  std::vector<std::string> scratch;
  os::DirListing listing(WithBackslash(folder) + kScratchMask);
  for (os::DirEntry entry; listing.Next(entry);)
    if (!(entry.attributes & os::kAttrDirectory)) scratch.push_back(WithBackslash(folder) + entry.name);
  for (const std::string& file : scratch) (void)os::RemoveFile(file);
  (void)os::RemoveFolder(folder);  // only when nothing else is in it
}

// Removes what the records prove ours; true when no file of ours is left.
bool SweepRecords(const FileJournal::Records& records) {
  bool clean = true;
  for (const std::string& file : records.files)
    if (IsOurFile(records, file) && !os::RemoveFile(file)) clean = false;
  for (auto folder = records.folders.rbegin(); folder != records.folders.rend(); ++folder)
    RemoveOurFolder(records, *folder);
  return clean;
}

}  // namespace

std::string OwnFolder(const std::string& tempFolder) { return tempFolder + "Tavisto\\"; }

FileJournal::FileJournal(const std::string& folder) : folder_(folder) {
  madeFolder_ = !os::DirectoryExists(folder) && os::MakeDirectory(folder);
  for (int number = 1; number <= kMostTries; ++number) {
    const std::string path = folder + kJournalPrefix + std::to_string(number) + kJournalExtension;
    auto file = os::File::Open(path, os::Access::ReadWrite, os::kShareNone, os::Disposition::CreateNew);
    if (!file) {
      if (IsTaken(file.Error())) continue;
      throw FileCreateError(path);
    }
    path_ = path;
    file_ = std::move(*file);
    try {
      Append(kHeader);
      if (madeFolder_) AdoptFolder();
    } catch (...) {
      file_.Close();  // a journal that cannot be written proves nothing: it goes
      (void)os::RemoveFile(path_);
      throw;
    }
    return;
  }
  throw FileCreateError(folder + kJournalPrefix);
}

FileJournal::~FileJournal() {
  try {
    if (!Sweep()) return;  // the journal stays, so that what is left is removed later
  } catch (...) {
    return;
  }
  file_.Close();
  (void)os::RemoveFile(path_);
  // A folder this journal made goes with it, unless another window's journal is in it now.
  if (madeFolder_) (void)os::RemoveFolder(folder_.substr(0, folder_.size() - 1));
}

void FileJournal::Append(const std::string& line) {
  const auto written = file_.Write(line.data(), line.size());
  if (!written || *written != line.size()) throw StreamWriteError();
}

bool FileJournal::CreateNew(const std::string& path) {
  auto file = os::File::Open(path, os::Access::Write, os::kShareAll, os::Disposition::CreateNew);
  if (!file) {
    if (IsTaken(file.Error())) return false;
    throw FileCreateError(path);
  }
  Record(false, path);
  return true;
}

void FileJournal::Record(bool folder, const std::string& path) {
  const auto state = os::StateOf(path);
  if (!state) throw FileCreateError(path);
  Append(MadeLine(folder ? "folder" : "file", path, state->identity));
  records_.made.push_back({path, state->identity});
  (folder ? records_.folders : records_.files).push_back(path);
}

std::string FileJournal::CreateFolder(const std::string& prefix) {
  for (int number = 1; number <= kMostTries; ++number) {
    const std::string path = prefix + std::to_string(number);
    if (!os::MakeDirectory(path)) {
      if (os::FileAttributes(path) != os::kInvalidAttributes) continue;  // taken
      throw FileCreateError(path);
    }
    Record(true, path);
    return path + "\\";
  }
  throw FileCreateError(prefix);
}

void FileJournal::AdoptFolder() {
  Append("made\t" + folder_ + "\n");
  madeFolder_ = true;
}

void FileJournal::ExpectName(const std::string& path) {
  if (std::find(records_.files.begin(), records_.files.end(), path) != records_.files.end()) return;
  Append("name\t" + path + "\n");
  records_.files.push_back(path);
}

bool FileJournal::IsOurs(const std::string& path) const { return IsOurFile(records_, path); }

bool FileJournal::RemoveIfOurs(const std::string& path) { return !IsOurs(path) || os::RemoveFile(path); }

void FileJournal::RemoveFolderIfOurs(const std::string& folder) {
  const std::string inside = WithBackslash(folder);
  for (const std::string& file : records_.files)
    if (file.rfind(inside, 0) == 0) (void)RemoveIfOurs(file);
  RemoveOurFolder(records_, inside.substr(0, inside.size() - 1));
}

bool FileJournal::Sweep() { return SweepRecords(records_); }

bool SweepAbandonedJournals(const std::string& folder) {
  bool madeFolder = false;
  std::vector<std::string> journals;
  os::DirListing listing(WithBackslash(folder) + kJournalPrefix + "*" + kJournalExtension);
  for (os::DirEntry entry; listing.Next(entry);)
    if (!(entry.attributes & os::kAttrDirectory)) journals.push_back(WithBackslash(folder) + entry.name);
  for (const std::string& path : journals) {
    // A window that lives holds its journal unshared: opening it fails.
    auto file = os::File::Open(path, os::Access::ReadWrite, os::kShareNone, os::Disposition::OpenExisting);
    if (!file) continue;
    const auto text = ReadAll(*file);
    const auto records = text ? Parse(*text) : std::nullopt;
    if (!records || !SweepRecords(*records)) continue;
    file->Close();
    if (os::RemoveFile(path) && records->madeOwnFolder) madeFolder = true;
  }
  return madeFolder;
}

}  // namespace tavisto::delivery
