// A journal is a text file, one record a line, each written whole before the file or folder it
// names receives anything: a window killed at any point leaves a journal that names every file
// of ours that holds data. Paths cannot hold line breaks or tabs, so neither can end a record.
//   folder\t<volume> <number>\t<path>                 a folder we made
//   file\t<volume> <number>\t<path>                   a file we made, empty, before its data
//   done\t<volume> <number> <size> <write>\t<path>    that file, written whole
//   beside\t<volume> <number>\t<path>                 a file we made beside a file the user named
//   expect\t<path>                                    a name a file of ours may come to have
//   removed\t<path>                                   we removed it
//   seen\t<write>\t<folder>                            the folder as our latest change left it
// Journals of the earlier format ("... journal 1") are read too: their "name" records are
// expectations, and their files are known by number alone.
#include "delivery/own_files.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "os/dir_listing.h"
#include "common/errors.h"
#include "common/path_parts.h"
#include "os/file_security.h"
#include "os/os_error.h"

namespace tavisto::delivery {
namespace {

using Kind = JournalRecords::Kind;

constexpr char kHeader[] = "Tavisto file journal 2\n";
constexpr char kFormerHeader[] = "Tavisto file journal 1\n";
constexpr char kJournalPrefix[] = "Journal ";
constexpr char kJournalExtension[] = ".txt";
constexpr int kMostTries = 100000;
// Names of our own folder that another account may have taken in a shared temporary folder.
constexpr int kMostOwnFolders = 16;
// A journal records a few lines per file a window writes; one far larger is no journal of ours.
constexpr size_t kLargestJournal = 64 * 1024 * 1024;

bool NameInUse(uint32_t error) { return error == os::kErrorFileExists || error == os::kErrorAlreadyExists; }

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && !IsPathSeparator(folder.back())) folder += '\\';
  return folder;
}

std::string WithoutSeparator(std::string folder) {
  while (folder.size() > 1 && IsPathSeparator(folder.back())) folder.pop_back();
  return folder;
}

bool SameLetters(char a, char b) {
  if (IsPathSeparator(a) && IsPathSeparator(b)) return true;
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Whether every step of path from start on is a name: none empty, none "." or "..", which could
// climb out of where the path seems to lead.
bool NamesOnly(const std::string& path, size_t start) {
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    const std::string step = path.substr(start, end - start);
    if (step.empty() || step == "." || step == "..") return false;
    start = end + 1;
  }
  return true;
}

// Whether path lies below folder (which ends in a separator), as the file system matches names:
// without regard to the case of ASCII letters, and never through a step that climbs.
bool Inside(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && std::equal(folder.begin(), folder.end(), path.begin(), SameLetters) &&
         NamesOnly(path, folder.size());
}

// A full path with no step that could climb: where a Beside record may lead.
bool IsPlainFullPath(const std::string& path) {
  const bool drive = path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2]);
  const bool network = path.size() >= 3 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
  const bool root = !path.empty() && path[0] == '/';  // POSIX
  return (drive || network || root) && NamesOnly(path, drive ? 3 : network ? 2 : 1);
}

bool IsLink(uint32_t attributes) {
  return attributes != os::kInvalidAttributes && (attributes & os::kAttrReparsePoint) != 0;
}

std::optional<std::string> ReadAll(os::File& file) {
  std::string text;
  char buffer[8192];
  for (;;) {
    const auto got = file.Read(buffer, sizeof buffer);
    if (!got) return std::nullopt;
    if (*got == 0) return text;
    text.append(buffer, *got);
    if (text.size() > kLargestJournal) return std::nullopt;
  }
}

std::optional<uint64_t> Number(const std::string& text, size_t& at) {
  if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return std::nullopt;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str() + at, &end, 10);
  at = static_cast<size_t>(end - text.c_str());
  if (at < text.size() && text[at] == ' ') ++at;
  return value;
}

const char* KindWord(Kind kind) {
  switch (kind) {
    case Kind::Folder: return "folder";
    case Kind::Created: return "file";
    case Kind::Expected: return "expect";
    case Kind::Done: return "done";
    case Kind::Beside: return "beside";
    case Kind::Removed: return "removed";
  }
  return "";
}

std::string RecordLine(const std::string& path, const JournalRecords::Entry& entry) {
  std::string line = KindWord(entry.kind);
  const os::FileState& state = entry.state;
  switch (entry.kind) {
    case Kind::Folder:
    case Kind::Created:
    case Kind::Beside:
      line += "\t" + std::to_string(state.identity.volume) + " " + std::to_string(state.identity.index);
      break;
    case Kind::Done:
      line += "\t" + std::to_string(state.identity.volume) + " " + std::to_string(state.identity.index) + " " +
              std::to_string(state.size) + " " + std::to_string(state.lastWrite.ticks);
      break;
    case Kind::Expected:
    case Kind::Removed: break;
  }
  return line + "\t" + path + "\n";
}

// One record's line (without its line break) applied to records; a line that says nothing we
// know is skipped.
void ApplyLine(JournalRecords& records, const std::string& line, bool former) {
  const auto tab = line.find('\t');
  if (tab == std::string::npos) return;
  const std::string word = line.substr(0, tab);
  const std::string rest = line.substr(tab + 1);
  if (word == "expect" || (former && word == "name")) {
    records.Apply(rest, Kind::Expected);
    return;
  }
  if (word == "removed") {
    records.Apply(rest, Kind::Removed);
    return;
  }
  if (word == "seen" && !former) {
    const auto pathTab = rest.find('\t');
    size_t at = 0;
    const std::string ticks = rest.substr(0, pathTab == std::string::npos ? 0 : pathTab);
    const auto value = Number(ticks, at);
    if (value && at == ticks.size()) records.Saw(rest.substr(pathTab + 1), os::FileTime{static_cast<int64_t>(*value)});
    return;
  }
  const Kind kind = word == "folder" ? Kind::Folder
                    : word == "file" ? Kind::Created
                    : word == "beside" ? Kind::Beside
                                       : Kind::Done;
  if (word != "folder" && word != "file" && (former || (word != "done" && word != "beside"))) return;
  const auto pathTab = rest.find('\t');
  if (pathTab == std::string::npos) return;
  const std::string numbers = rest.substr(0, pathTab);
  size_t at = 0;
  os::FileState state;
  const auto volume = Number(numbers, at), index = Number(numbers, at);
  if (!volume || !index) return;
  state.identity = {*volume, *index};
  if (kind == Kind::Done) {
    const auto size = Number(numbers, at), ticks = Number(numbers, at);
    if (!size || !ticks) return;
    state.size = static_cast<int64_t>(*size);
    state.lastWrite.ticks = static_cast<int64_t>(*ticks);
  }
  if (at != numbers.size()) return;
  records.Apply(rest.substr(pathTab + 1), kind, state);
}

// Whether nothing in the folder changed since the latest record of it.
bool Untouched(const JournalRecords& records, const std::string& folder) {
  const auto seen = records.seen.find(folder);
  const auto state = os::StateOf(folder);
  return seen != records.seen.end() && state && state->lastWrite == seen->second;
}

// The folder is ours: our own folder, or one we made below it that is still that folder, and no
// link on the way.
bool FolderIsOurs(const JournalRecords& records, const std::string& folder) {
  const uint32_t attributes = os::FileAttributes(folder);
  if (attributes == os::kInvalidAttributes || !(attributes & os::kAttrDirectory) || IsLink(attributes)) return false;
  if (std::equal(folder.begin(), folder.end(), records.folder.begin(), records.folder.end() - 1, SameLetters))
    return true;
  const auto found = records.latest.find(folder);
  if (found == records.latest.end() || found->second.kind != Kind::Folder) return false;
  const auto state = os::StateOf(folder);
  return state && state->identity == found->second.state.identity && FolderIsOurs(records, FolderOf(folder));
}

// A journal's records with the file they are written to: what the window's journal and the
// sweep of a killed window's journal share. Removals are recorded before they are made, so that
// a later reader never takes a new file that got a removed one's number for ours.
class Keeper {
 public:
  Keeper(JournalRecords& records, os::File& file, bool strict) : records_(records), file_(file), strict_(strict) {}

  // Writes the record; false when it could not be written whole.
  bool Write(const std::string& path, const JournalRecords::Entry& entry) {
    const std::string line = RecordLine(path, entry);
    const auto written = file_.Write(line.data(), line.size());
    return written && *written == line.size();
  }

  // Records the folder as our change to it left it.
  void See(const std::string& folder) {
    const auto state = os::StateOf(folder);
    if (!state || !records_.Saw(folder, state->lastWrite)) return;
    const std::string line = "seen\t" + std::to_string(state->lastWrite.ticks) + "\t" + folder + "\n";
    (void)file_.Write(line.data(), line.size());
  }

  bool RemoveIfOurs(const std::string& path) {
    if (!ProvesOurs(records_, path, strict_)) return true;
    const JournalRecords::Entry before = records_.latest[path];
    (void)Write(path, {Kind::Removed, {}});
    records_.Apply(path, Kind::Removed);
    if (os::RemoveFile(path)) {
      See(FolderOf(path));
      return true;
    }
    // Still there (held by another program): still ours, as it was.
    records_.Apply(path, before.kind, before.state);
    (void)Write(path, before);
    return false;
  }

  void RemoveFolderIfOurs(const std::string& folder) {
    const std::string inside = WithBackslash(folder);
    for (const std::string& path : records_.order)
      if (Inside(path, inside) && records_.latest[path].kind != Kind::Folder) (void)RemoveIfOurs(path);
    // Folders inside it, the deepest first (they were made after their parents).
    for (auto path = records_.order.rbegin(); path != records_.order.rend(); ++path)
      if (Inside(*path, inside)) RemoveOurFolder(*path);
    RemoveOurFolder(WithoutSeparator(folder));
  }

  // True when no file of ours is left (a folder of ours that holds someone else's files stays,
  // and is no reason to keep the journal).
  bool Sweep() {
    bool clean = true;
    for (const std::string& path : std::vector<std::string>(records_.order))
      if (records_.latest[path].kind != Kind::Folder && !RemoveIfOurs(path)) clean = false;
    for (auto path = records_.order.rbegin(); path != records_.order.rend(); ++path) RemoveOurFolder(*path);
    return clean;
  }

 private:
  void RemoveOurFolder(const std::string& folder) {
    const auto found = records_.latest.find(folder);
    if (found == records_.latest.end() || found->second.kind != Kind::Folder || !FolderIsOurs(records_, folder))
      return;
    const JournalRecords::Entry before = found->second;
    (void)Write(folder, {Kind::Removed, {}});
    records_.Apply(folder, Kind::Removed);
    if (os::RemoveFolder(folder)) {  // only when nothing is left in it
      See(FolderOf(folder));
      return;
    }
    records_.Apply(folder, before.kind, before.state);
    (void)Write(folder, before);
  }

  JournalRecords& records_;
  os::File& file_;
  const bool strict_;
};

// Removes a folder and all it holds; a link inside is removed itself, never followed.
void RemoveLeftTree(const std::string& folder) {
  std::vector<os::DirEntry> entries;
  {
    os::DirListing listing(folder + "\\*");
    for (os::DirEntry entry; listing.Next(entry);)
      if (entry.name != "." && entry.name != "..") entries.push_back(entry);
  }
  for (const os::DirEntry& entry : entries) {
    const std::string path = folder + "\\" + entry.name;
    if ((entry.attributes & os::kAttrDirectory) && !IsLink(entry.attributes)) {
      RemoveLeftTree(path);
    } else if (entry.attributes & os::kAttrDirectory) {
      (void)os::RemoveFolder(path);
    } else {
      if (entry.attributes & os::kAttrReadOnly) (void)os::ChangeAttributes(path, entry.attributes & ~os::kAttrReadOnly);
      (void)os::RemoveFile(path);
    }
  }
  (void)os::RemoveFolder(folder);
}

// Our own folder as we may use it: made private when it is missing; an Error when it is a link,
// a file or another user's (nothing in it is then ours to write or to remove).
void PrepareOwnFolder(const std::string& folder) {
  const std::string path = WithoutSeparator(folder);
  uint32_t attributes = os::FileAttributes(path);
  if (attributes == os::kInvalidAttributes) {
    if (!os::MakePrivateFolder(path)) {
      const uint32_t error = os::LastErrorCode();
      attributes = os::FileAttributes(path);  // another window may have just made it
      if (attributes == os::kInvalidAttributes) throw FileCreateError(path, os::ErrorText(error));
    } else {
      return;
    }
  }
  if (!(attributes & os::kAttrDirectory) || IsLink(attributes) || !os::OwnedByCurrentUser(path))
    throw Error("Tavisto cannot use its folder " + path +
                ": it is a link, a file or another user's folder, not one Tavisto made for you. Remove or rename "
                "it, then try again");
}

Error JournalWriteFailed(const std::string& folder, uint32_t error) {
  std::string cause = error ? os::ErrorText(error) : std::string("the disk did not take it");
  if (!cause.empty() && cause.back() == '.') cause.pop_back();
  return Error("Tavisto could not keep its record of the files it writes in " + folder + " (" + cause +
               "), so it has written nothing there");
}

}  // namespace

bool JournalRecords::Apply(const std::string& path, Kind kind, const os::FileState& state) {
  const bool besideUsers = (kind == Kind::Beside || kind == Kind::Removed) && IsPlainFullPath(path);
  if (!Inside(path, folder) && !besideUsers) return false;
  auto [entry, added] = latest.try_emplace(path);
  if (added) order.push_back(path);
  entry->second = Entry{kind, state};
  return true;
}

bool JournalRecords::Saw(const std::string& path, os::FileTime lastWrite) {
  const std::string own = folder.substr(0, folder.size() - 1);
  // Our own folder, one below it, or a folder of the user's where a Beside file was made.
  if (!Inside(path, folder) && !std::equal(path.begin(), path.end(), own.begin(), own.end(), SameLetters) &&
      !IsPlainFullPath(path))
    return false;
  seen[path] = lastWrite;
  return true;
}

std::optional<JournalRecords> ParseJournal(const std::string& text, const std::string& folder) {
  const bool former = text.compare(0, sizeof kFormerHeader - 1, kFormerHeader) == 0;
  if (!former && text.compare(0, sizeof kHeader - 1, kHeader) != 0) return std::nullopt;
  JournalRecords records;
  records.folder = WithBackslash(folder);
  size_t start = sizeof kHeader - 1;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) break;  // a record cut short by the end of its window
    ApplyLine(records, text.substr(start, end - start), former);
    start = end + 1;
  }
  return records;
}

bool ProvesOurs(const JournalRecords& records, const std::string& path, bool strict) {
  const auto found = records.latest.find(path);
  if (found == records.latest.end()) return false;
  const JournalRecords::Entry& entry = found->second;
  if (entry.kind == Kind::Removed || entry.kind == Kind::Folder) return false;
  const uint32_t attributes = os::FileAttributes(path);
  if (attributes == os::kInvalidAttributes || (attributes & os::kAttrDirectory) || IsLink(attributes)) return false;
  const auto state = os::StateOf(path);
  if (!state) return false;
  if (entry.kind == Kind::Beside) {
    // In a folder of the user's, which anyone may change: only the very file we made, while
    // nothing there was added, removed or renamed since (a file's number may be given again).
    return state->identity == entry.state.identity && !IsLink(os::FileAttributes(FolderOf(path))) &&
           Untouched(records, FolderOf(path));
  }
  if (!FolderIsOurs(records, FolderOf(path))) return false;
  switch (entry.kind) {
    case Kind::Done: return *state == entry.state;
    case Kind::Created: return state->identity == entry.state.identity && (!strict || Untouched(records, FolderOf(path)));
    case Kind::Expected: return !strict || Untouched(records, FolderOf(path));
    default: return false;
  }
}

std::string OwnFolder(const std::string& tempFolder) {
  for (int number = 1; number <= kMostOwnFolders; ++number) {
    const std::string path = tempFolder + "Tavisto" + (number == 1 ? "" : " " + std::to_string(number));
    const uint32_t attributes = os::FileAttributes(path);
    // Free (made private when first needed), or a folder this user owns that is no link.
    if (attributes == os::kInvalidAttributes ||
        ((attributes & os::kAttrDirectory) && !IsLink(attributes) && os::OwnedByCurrentUser(path)))
      return path + "\\";
  }
  return tempFolder + "Tavisto\\";  // every name is another's: the journal refuses it, naming it
}

FileJournal::FileJournal(const std::string& folder) : folder_(WithBackslash(folder)) {
  records_.folder = folder_;
  for (int attempt = 0; attempt < 2 && !file_.IsOpen(); ++attempt) {
    PrepareOwnFolder(folder_);
    for (int number = 1; number <= kMostTries; ++number) {
      const std::string path = folder_ + kJournalPrefix + std::to_string(number) + kJournalExtension;
      // Owned by the user explicitly, as the folder is: the sweep of a later run takes only the
      // user's own journals, and LocalSystem's new files would belong to the Administrators.
      auto file = os::File::Open(path, os::Access::ReadWrite, os::kShareNone, os::Disposition::CreateOwned);
      if (!file) {
        if (NameInUse(file.Error())) continue;
        // The last window out may have removed the empty folder just now: once more.
        if (attempt == 0 && file.Error() == os::kErrorPathNotFound) break;
        throw FileCreateError(path, os::ErrorText(file.Error()));
      }
      path_ = path;
      file_ = std::move(*file);
      break;
    }
  }
  if (!file_.IsOpen()) throw FileCreateError(folder_ + kJournalPrefix);
  try {
    Append(kHeader);
  } catch (...) {
    file_.Close();  // a journal that cannot be written proves nothing: it goes
    (void)os::RemoveFile(path_);
    throw;
  }
}

FileJournal::~FileJournal() {
  try {
    if (!Sweep()) return;  // the journal stays, so that what is left is removed later
  } catch (...) {
    return;
  }
  file_.Close();
  (void)os::RemoveFile(path_);
  // The last window out takes our folder with it, when nothing else is in it.
  (void)os::RemoveFolder(WithoutSeparator(folder_));
}

void FileJournal::Append(const std::string& line) {
  const auto written = file_.Write(line.data(), line.size());
  if (!written || *written != line.size()) throw JournalWriteFailed(folder_, os::LastErrorCode());
}

bool FileJournal::CreateNew(const std::string& path) {
  if (!Inside(path, folder_)) throw Error(path + " is not in Tavisto's own folder " + folder_);
  auto file = os::File::Open(path, os::Access::Write, os::kShareAll, os::Disposition::CreateNew);
  if (!file) {
    if (NameInUse(file.Error())) return false;
    throw FileCreateError(path, os::ErrorText(file.Error()));
  }
  file->Close();
  Record(Kind::Created, path);
  return true;
}

void FileJournal::Record(Kind kind, const std::string& path) {
  if (kind == Kind::Beside ? !IsPlainFullPath(path) : !Inside(path, folder_))
    throw Error(path + " is not in Tavisto's own folder " + folder_);
  const auto state = os::StateOf(path);
  if (!state) throw FileCreateError(path);
  JournalRecords::Entry entry{kind, *state};
  if (kind != Kind::Done) entry.state = os::FileState{state->identity, 0, {}};
  // Known here at once, so that the window can still remove it when the record cannot be written.
  records_.Apply(path, kind, entry.state);
  Keeper keeper(records_, file_, false);
  if (keeper.Write(path, entry)) {
    keeper.See(FolderOf(path));
    return;
  }
  const uint32_t error = os::LastErrorCode();
  if (kind == Kind::Folder ? os::RemoveFolder(path) : kind == Kind::Created && os::RemoveFile(path))
    records_.Apply(path, Kind::Removed);
  throw JournalWriteFailed(folder_, error);
}

void FileJournal::RecordGone(const std::string& path) {
  const auto found = records_.latest.find(path);
  if (found == records_.latest.end() || found->second.kind == Kind::Removed) return;
  records_.Apply(path, Kind::Removed);
  Keeper keeper(records_, file_, false);
  if (keeper.Write(path, {Kind::Removed, {}})) keeper.See(FolderOf(path));
}

OwnedFile FileJournal::RecordDone(const std::string& path) {
  Record(Kind::Done, path);
  return OwnedFile{path, records_.latest[path].state};
}

std::string FileJournal::CreateFolder(const std::string& prefix) {
  if (!Inside(prefix + "1", folder_)) throw Error(prefix + " is not in Tavisto's own folder " + folder_);
  for (int number = 1; number <= kMostTries; ++number) {
    const std::string path = prefix + std::to_string(number);
    if (!os::MakeDirectory(path)) {
      if (os::FileAttributes(path) != os::kInvalidAttributes) continue;  // taken
      throw FileCreateError(path, os::ErrorText(os::LastErrorCode()));
    }
    Record(Kind::Folder, path);
    return path + "\\";
  }
  throw FileCreateError(prefix);
}

void FileJournal::ExpectName(const std::string& path) {
  const auto found = records_.latest.find(path);
  if (found != records_.latest.end() && found->second.kind == Kind::Expected) return;
  if (!Inside(path, folder_)) throw Error(path + " is not in Tavisto's own folder " + folder_);
  Append(RecordLine(path, {Kind::Expected, {}}));
  records_.Apply(path, Kind::Expected);
  Keeper(records_, file_, false).See(FolderOf(path));
}

bool FileJournal::RemoveIfOurs(const std::string& path) { return Keeper(records_, file_, false).RemoveIfOurs(path); }

bool FileJournal::ClearExpectedName(const std::string& path) {
  const auto found = records_.latest.find(path);
  if (found == records_.latest.end() || found->second.kind != Kind::Expected ||
      !FolderIsOurs(records_, FolderOf(path)))
    return false;
  const uint32_t attributes = os::FileAttributes(path);
  if (attributes == os::kInvalidAttributes) return true;
  if (IsLink(attributes)) return false;
  if (attributes & os::kAttrDirectory)
    RemoveLeftTree(path);
  else
    (void)os::RemoveFile(path);
  Keeper(records_, file_, false).See(FolderOf(path));
  return os::FileAttributes(path) == os::kInvalidAttributes;
}

void FileJournal::RemoveFolderIfOurs(const std::string& folder) {
  Keeper(records_, file_, false).RemoveFolderIfOurs(folder);
}

bool FileJournal::Sweep() { return Keeper(records_, file_, false).Sweep(); }

void SweepAbandonedJournals(const std::string& folder) {
  const std::string own = WithBackslash(folder);
  const uint32_t attributes = os::FileAttributes(WithoutSeparator(own));
  if (attributes == os::kInvalidAttributes || !(attributes & os::kAttrDirectory) || IsLink(attributes) ||
      !os::OwnedByCurrentUser(WithoutSeparator(own)))
    return;
  std::vector<std::string> journals;
  try {
    os::DirListing listing(own + kJournalPrefix + "*" + kJournalExtension);
    for (os::DirEntry entry; listing.Next(entry);)
      if (!(entry.attributes & (os::kAttrDirectory | os::kAttrReparsePoint))) journals.push_back(own + entry.name);
  } catch (const std::exception&) {
    return;
  }
  for (const std::string& path : journals) {
    try {
      if (IsLink(os::FileAttributes(path)) || !os::OwnedByCurrentUser(path)) continue;
      // A window that lives holds its journal unshared: opening it fails.
      auto file = os::File::Open(path, os::Access::ReadWrite, os::kShareNone, os::Disposition::OpenExisting);
      if (!file) continue;
      const auto text = ReadAll(*file);
      auto records = text ? ParseJournal(*text, own) : std::nullopt;
      if (!records || !file->SeekToEnd()) continue;
      if (!Keeper(*records, *file, true).Sweep()) continue;
      file->Close();
      (void)os::RemoveFile(path);
    } catch (const std::exception&) {
      // What cannot be swept now is swept by a later window.
    }
  }
  (void)os::RemoveFolder(WithoutSeparator(own));  // only when nothing is left in it
}

}  // namespace tavisto::delivery
