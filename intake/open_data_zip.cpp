// The open runs in three steps: everything is read and judged before anything is written (the
// archives' directories, the manifest, every name), the room is checked, then the files are
// unpacked in one pass and the findings written. Names from outside are only compared; each
// becomes a path only through CheckStoredName.
#include "intake/open_data_zip.h"

#include <map>
#include <memory>
#include <optional>
#include <set>

#include "common/path_parts.h"
#include "common/size_text.h"
#include "intake/received_manifest.h"
#include "intake/stored_names.h"
#include "intake/target_folder.h"
#include "intake/unpack_pipeline.h"
#include "intake/verification.h"
#include "intake/volume_sets.h"
#include "os/disk_space.h"
#include "os/os_error.h"
#include "os/path_limits.h"
#include "os/temp_file.h"
#include "zip/name_case.h"
#include "zip/read/end_records.h"
#include "zip/read/entry_data.h"
#include "zip/read/gate.h"
#include "zip/read/oem_names.h"
#include "zip/records.h"

namespace tavisto::intake {
namespace {

using zip::read::ByteSource;
using zip::read::CentralDirectory;
using zip::read::EntryPlace;
using zip::read::EntryRecord;
using zip::read::PartSet;

// Room kept beside the files: Verification.txt, folders, the file system's own bookkeeping.
constexpr uint64_t kRoomMargin = 4 * 1024 * 1024;
constexpr size_t kSummaryProblems = 3;
constexpr char kTemporaryNameExample[] = "~tavisto-0000000000.partial";

std::string Shown(const std::string& product, const std::string& name) {
  std::string shown = product.empty() ? name : product + "/" + name;
  for (char& c : shown)
    if (c == '/') c = '\\';
  return Printable(shown);
}

// The entry's data read whole into memory: for manifest.json, which is small.
std::string ReadWhole(const PartSet& parts, const EntryRecord& entry, const EntryPlace& place) {
  if (!place.refusal.empty()) throw zip::read::FormatError(place.refusal);
  if (entry.uncompressedSize > kManifestMostBytes) throw zip::read::FormatError("it is larger than any manifest");
  std::string text(static_cast<size_t>(entry.uncompressedSize) + 1, '\0');
  zip::read::EntryDataReader reader(parts, entry, place.data);
  size_t used = 0;
  while (size_t got = reader.Read(text.data() + used, text.size() - used)) used += got;
  text.resize(used);
  return text;
}

// One volume set of Data.zip, once read.
struct OpenedSet {
  std::string name;    // its last part's entry name
  std::string folder;  // the product folder its files go to
  std::vector<size_t> partEntries;                   // Data.zip's entries that are its parts
  std::vector<std::unique_ptr<ByteSource>> sources;  // its parts as the reader reads them
  std::unique_ptr<PartSet> parts;
  CentralDirectory directory;
  std::vector<EntryPlace> places;
  const ReceivedProduct* product = nullptr;
  std::map<std::string, const ReceivedFile*> listed;  // the product's files in the manifest, by name
  std::vector<std::string> missingParts;
};

// A job and what the verification needs to know of it.
struct Planned {
  UnpackJob job;
  OpenedSet* set = nullptr;             // nothing for an entry of Data.zip itself
  const ReceivedFile* listed = nullptr;  // its element in the manifest
  std::string shown;                    // its name as lines show it
  bool volume = false;                  // a volume checked against the manifest
  bool manifestCopy = false;
};

class Opener {
 public:
  Opener(const OpenRequest& request, report::LineSink& lines, os::ProgressSink& progress)
      : request_(request), lines_(lines), progress_(progress) {}

  OpenOutcome Run();

 private:
  void ReadDataZip();
  void ReadManifestEntry();
  void OpenSets();
  void OpenSet(const VolumeSet& layout);
  std::unique_ptr<ByteSource> PartSource(size_t entry);
  void PlanSetEntries(OpenedSet& set);
  void PlanOthers();
  // The job for one entry, or the refusal recorded; folders are the target folders before it.
  void PlanEntry(const PartSet& parts, const EntryRecord& entry, const EntryPlace& place, OpenedSet* set,
                 const std::string& product, std::set<std::string>& names);
  void CheckRoom();
  // Compares a volume of Data.zip with the manifest's; false when the manifest lists none of that name.
  bool CheckVolume(const std::string& name, const UnpackResult& result);
  void Judge(const std::vector<UnpackResult>& results);
  OpenOutcome Finish();

  const OpenRequest& request_;
  report::LineSink& lines_;
  os::ProgressSink& progress_;
  std::optional<TargetFolder> target_;
  std::unique_ptr<zip::read::FileSource> data_;
  std::unique_ptr<PartSet> outer_;
  CentralDirectory directory_;
  std::vector<EntryPlace> places_;
  DataZipLayout layout_;
  std::optional<ReceivedManifest> manifest_;
  std::vector<std::unique_ptr<OpenedSet>> sets_;
  std::vector<size_t> others_;       // Data.zip's entries unpacked as they are
  std::set<std::string> topNames_;   // folded names taken at the top of the folder
  std::vector<Planned> planned_;
  std::set<const ReceivedFile*> seen_;  // the manifest's files a set holds (written or not)
  std::set<std::string> volumesSeen_;   // folded names of the manifest's volumes Data.zip holds
  Verification found_;
};

std::string BytesText(uint64_t count) { return DigitsGrouped(count) + (count == 1 ? " byte" : " bytes"); }

void Opener::ReadDataZip() {
  data_ = std::make_unique<zip::read::FileSource>(request_.dataZip);
  const zip::read::EndOfDirectory end = zip::read::FindEndOfDirectory(*data_);
  if (end.lastDisk != 0)
    throw OpenRefused(request_.dataZip + " is the last part of a split archive, not a Data.zip");
  outer_ = std::make_unique<PartSet>(std::vector<zip::read::Part>{{NameOf(request_.dataZip), data_.get(), 0}});
  directory_ = zip::read::ReadCentralDirectory(*outer_, end);
  places_ = zip::read::PlaceEntries(*outer_, directory_);
  std::vector<std::string> names;
  for (const EntryRecord& entry : directory_.entries) names.push_back(entry.name);
  layout_ = SortEntries(names);
}

void Opener::ReadManifestEntry() {
  if (!layout_.manifest) {
    found_.header.push_back("No manifest: nothing could be verified (an older Data.zip)");
    return;
  }
  try {
    const size_t i = *layout_.manifest;
    manifest_ = ReadManifest(ReadWhole(*outer_, directory_.entries[i], places_[i]));
  } catch (const ManifestError& error) {
    found_.header.push_back(std::string(error.what()) + "; nothing could be verified");
  } catch (const Error& error) {
    found_.header.push_back(std::string("manifest.json cannot be read: ") + error.what() + "; nothing could be verified");
  }
  if (!manifest_) return;
  found_.manifestRead = true;
  const ReceivedManifest& m = *manifest_;
  const auto time = [](std::string iso) { return iso.replace(10, 1, " ").replace(19, 1, " UTC"); };
  found_.header.push_back("Packed by " + m.toolName + " " + m.toolVersion + " on " + m.computer + " (user " + m.user +
                          "), started " + time(m.started) + ", finished " + time(m.finished));
}

std::unique_ptr<ByteSource> Opener::PartSource(size_t i) {
  const EntryRecord& entry = directory_.entries[i];
  const EntryPlace& place = places_[i];
  if (!place.refusal.empty()) throw zip::read::FormatError(place.refusal);
  if (entry.method == zip::kMethodStored)
    return std::make_unique<zip::read::SliceSource>(*data_, outer_->Global(place.data), entry.uncompressedSize, entry.name);
  // A part Data.zip holds compressed is unpacked first, into a scratch file the system removes.
  os::OpenResult scratch = os::CreateScratchFile(os::SystemTempFolder(), "TO");
  if (!scratch) throw Error("no scratch file can be made for " + entry.name + " (" + os::ErrorText(scratch.Error()) + ")");
  zip::read::EntryDataReader reader(*outer_, entry, place.data);
  std::string piece(512 * 1024, '\0');
  while (const size_t got = reader.Read(piece.data(), piece.size())) {
    const auto put = scratch->Write(piece.data(), got);
    if (!put || *put != got) throw Error("the scratch copy of " + entry.name + " cannot be written");
  }
  return std::make_unique<zip::read::FileSource>(std::move(*scratch), entry.name);
}

void Opener::OpenSet(const VolumeSet& layout) {
  auto set = std::make_unique<OpenedSet>();
  const std::string lastName = directory_.entries[layout.last].name;
  set->name = lastName;
  set->folder = ProductFolderName(lastName, layout.base);
  set->partEntries.push_back(layout.last);
  for (const auto& [number, entry] : layout.numbered) set->partEntries.push_back(entry);
  // The manifest's product: the one whose volumes Data.zip holds under this set's names.
  if (manifest_) {
    for (const ReceivedProduct& product : manifest_->products)
      for (const ReceivedVolume& volume : product.volumes)
        for (const size_t entry : set->partEntries)
          if (zip::FoldedEqual(volume.name, directory_.entries[entry].name)) set->product = &product;
  }
  if (set->product)
    for (const ReceivedFile& file : set->product->files) set->listed.emplace(file.name, &file);
  const auto expected = [&](const std::string& name) -> uint64_t {
    if (set->product)
      for (const ReceivedVolume& volume : set->product->volumes)
        if (zip::FoldedEqual(volume.name, name)) return volume.bytes;
    return 0;
  };
  try {
    const StoredNameVerdict folderName = CheckStoredName(set->folder);
    if (!folderName.refusal.empty() || folderName.parts.size() != 1)
      throw Error("its folder name " + Printable(set->folder) + " cannot be used: " + folderName.refusal);
    if (!topNames_.insert(zip::FoldCase(set->folder)).second)
      throw Error("its folder name " + set->folder + " is taken by another set");
    set->sources.push_back(PartSource(layout.last));
    const zip::read::EndOfDirectory end = zip::read::FindEndOfDirectory(*set->sources.back());
    // Zip64 numbers parts in 32 bits; past the 16 bits of the end record no real set goes, and a
    // count of billions would only list parts by the billion as missing.
    if (end.lastDisk >= zip::kMax16)
      throw zip::read::FormatError("its end record says it has " + DigitsGrouped(uint64_t(end.lastDisk) + 1) +
                                   " parts, more than Tavisto reads (65,535)");
    std::vector<zip::read::Part> parts;
    for (uint32_t disk = 0; disk < end.lastDisk; ++disk) {
      const auto numbered = layout.numbered.find(disk + 1);
      if (numbered == layout.numbered.end()) {
        set->missingParts.push_back(PartName(layout, disk));
        parts.push_back({PartName(layout, disk), nullptr, 0});
        continue;
      }
      const std::string& name = directory_.entries[numbered->second].name;
      try {
        set->sources.push_back(PartSource(numbered->second));
        parts.push_back({name, set->sources.back().get(), expected(name)});
      } catch (const Error& error) {
        found_.Add(ProblemKind::Part, name + " cannot be read: " + error.what());
        parts.push_back({name, nullptr, 0});
      }
    }
    parts.push_back({lastName, set->sources.front().get(), expected(lastName)});
    // Numbered parts past the last one belong to no set: they are unpacked as they are.
    for (const auto& [number, entry] : layout.numbered)
      if (number > end.lastDisk) others_.push_back(entry);
    set->parts = std::make_unique<PartSet>(std::move(parts));
    set->directory = zip::read::ReadCentralDirectory(*set->parts, end);
    set->places = zip::read::PlaceEntries(*set->parts, set->directory);
  } catch (const Error& error) {
    found_.Add(ProblemKind::Part, set->name + " cannot be read: " + error.what() + "; its parts are unpacked as they are");
    for (const size_t entry : set->partEntries) others_.push_back(entry);
    set->parts.reset();
  }
  for (const std::string& missing : set->missingParts) found_.Add(ProblemKind::Part, missing + " is missing");
  sets_.push_back(std::move(set));
}

void Opener::OpenSets() {
  topNames_ = {zip::FoldCase(kVerificationName), "manifest.json"};
  for (const VolumeSet& layout : layout_.sets) OpenSet(layout);
  others_.insert(others_.end(), layout_.others.begin(), layout_.others.end());
}

void Opener::PlanEntry(const PartSet& parts, const EntryRecord& entry, const EntryPlace& place, OpenedSet* set,
                       const std::string& product, std::set<std::string>& names) {
  Planned planned;
  planned.set = set;
  planned.job.parts = &parts;
  planned.job.entry = &entry;
  planned.job.data = place.data;
  std::string name = entry.name;
  // A name in a Western code page other than 437 is known by the manifest that lists it.
  if (set && set->product) {
    for (const zip::read::OemCodePage page : zip::read::kWesternOemCodePages) {
      const std::string candidate = entry.utf8 ? entry.name : zip::read::OemNameToUtf8(entry.rawName, page);
      const auto listed = set->listed.find(candidate);
      if (listed != set->listed.end()) {
        name = candidate;
        planned.listed = listed->second;
        break;
      }
      if (entry.utf8) break;
    }
  }
  planned.shown = Shown(product, name);
  const auto refuse = [&](const std::string& why) {
    found_.Add(ProblemKind::Unpack, planned.shown + ": " + why);
    if (set) seen_.insert(planned.listed);
  };
  if (!place.refusal.empty()) return refuse(place.refusal);
  if (entry.IsSymbolicLink()) return refuse("it is a symbolic link, and Tavisto makes no links");
  const StoredNameVerdict verdict = CheckStoredName(name);
  if (!verdict.refusal.empty()) return refuse(verdict.refusal);
  if (planned.listed && entry.uncompressedSize > planned.listed->bytes)
    return refuse("its record declares " + BytesText(entry.uncompressedSize) + ", more than the " +
                  BytesText(planned.listed->bytes) + " the manifest lists");
  std::string joined;
  for (const std::string& part : verdict.parts) joined += (joined.empty() ? "" : "/") + part;
  const std::string key = zip::FoldCase(joined);
  if (!set && topNames_.count(zip::FoldCase(verdict.parts.front())))
    return refuse("its name is taken by what Tavisto writes into the folder");
  if (!names.insert(key).second && !verdict.folder)
    return refuse("its name differs from another's only in case, and Windows would make them one file (the first is kept)");
  std::vector<std::string> folders;
  if (!product.empty()) folders.push_back(product);
  folders.insert(folders.end(), verdict.parts.begin(), verdict.parts.end());
  std::string path = target_->Root();
  for (const std::string& folder : folders) path += folder + os::PathSeparator();
  if (const auto tooLong = os::PathLengthProblem(path.substr(0, path.size() - 1))) return refuse(*tooLong);
  if (!verdict.folder) {
    if (const auto tooLong = os::PathLengthProblem(path.substr(0, path.size() - verdict.parts.back().size() - 1) +
                                                   kTemporaryNameExample))
      return refuse(*tooLong);
  }
  if (verdict.folder) {
    planned.job.kind = UnpackJob::Kind::Folder;
  } else {
    planned.job.name = folders.back();
    folders.pop_back();
  }
  planned.job.folders = std::move(folders);
  if (planned.listed) {
    planned.job.modified = planned.listed->modified;
  } else if (const auto local = os::FileTimeFromLocalDos(os::DosDateTime{entry.date, entry.time})) {
    planned.job.modified = *local;
  }
  if (!set) topNames_.insert(zip::FoldCase(verdict.parts.front()));
  planned_.push_back(std::move(planned));
}

void Opener::PlanSetEntries(OpenedSet& set) {
  std::set<std::string> names;
  for (size_t i = 0; i < set.directory.entries.size(); ++i)
    PlanEntry(*set.parts, set.directory.entries[i], set.places[i], &set, set.folder, names);
}

void Opener::PlanOthers() {
  std::set<std::string> names;
  for (const size_t i : others_) PlanEntry(*outer_, directory_.entries[i], places_[i], nullptr, "", names);
}

void Opener::CheckRoom() {
  uint64_t needed = kRoomMargin;
  for (const Planned& planned : planned_)
    if (planned.job.kind == UnpackJob::Kind::File)
      needed = zip::read::CheckedAdd(needed, planned.job.entry->uncompressedSize, "the files to unpack");
  // The free room of the nearest folder there is: the target may not exist yet.
  std::string folder = target_->Root().substr(0, target_->Root().size() - 1);
  while (!os::DirectoryExists(folder)) {
    const std::string parent = FolderOf(folder);
    if (parent.empty() || parent == folder) break;
    folder = parent;
  }
  const auto free = os::FreeDiskSpace(folder + os::PathSeparator() + "x");
  if (free && *free < needed)
    throw OpenRefused("there is no room: " + folder + " has " + SizeText(*free, SizeStyle::Exact) +
                      " free, and the files need " + SizeText(needed, SizeStyle::Exact));
}

bool Opener::CheckVolume(const std::string& name, const UnpackResult& result) {
  const ReceivedVolume* listed = nullptr;
  if (manifest_)
    for (const ReceivedProduct& product : manifest_->products)
      for (const ReceivedVolume& volume : product.volumes)
        if (zip::FoldedEqual(volume.name, name)) listed = &volume;
  if (!listed) return false;
  volumesSeen_.insert(zip::FoldCase(listed->name));
  if (result.size < listed->bytes)
    found_.Add(ProblemKind::Part, name + " ends " + DigitsGrouped(listed->bytes - result.size) + " bytes early");
  else if (result.size > listed->bytes)
    found_.Add(ProblemKind::Part, name + " is " + DigitsGrouped(result.size - listed->bytes) + " bytes longer than packed");
  else if (result.sha256 != listed->sha256)
    found_.Add(ProblemKind::Volume, name + ": its SHA-256 differs from the manifest's");
  return true;
}

void Opener::Judge(const std::vector<UnpackResult>& results) {
  for (size_t i = 0; i < planned_.size(); ++i) {
    const Planned& planned = planned_[i];
    const UnpackResult& result = results[i];
    const std::string& name = planned.job.entry->name;
    if (planned.volume) {
      if (!result.readProblem.empty())
        found_.Add(ProblemKind::Volume, name + " cannot be read whole: " + result.readProblem);
      else
        (void)CheckVolume(name, result);
      continue;
    }
    if (planned.set) seen_.insert(planned.listed);
    if (!result.readProblem.empty()) {
      found_.Add(ProblemKind::Unpack, planned.shown + ": " + result.readProblem);
      continue;
    }
    if (!result.writeProblem.empty()) {
      found_.Add(ProblemKind::Unpack, planned.shown + ": it could not be written: " + result.writeProblem);
      continue;
    }
    if (planned.job.kind != UnpackJob::Kind::File || planned.manifestCopy) continue;
    ++found_.files;
    found_.bytes += result.size;
    if (planned.set) {
      for (ProductTally& tally : found_.products)
        if (tally.name == planned.set->folder) {
          ++tally.files;
          tally.bytes += result.size;
        }
    }
    if (!manifest_) continue;
    if (!planned.listed) {
      // A volume whose set could not be read is unpacked as it is, and still checked as a volume.
      if (planned.set || !CheckVolume(name, result)) found_.Add(ProblemKind::NotInManifest, planned.shown);
      continue;
    }
    const ReceivedFile& listed = *planned.listed;
    if (result.size != listed.bytes)
      found_.Add(ProblemKind::Differs, planned.shown + ": " + BytesText(result.size) + ", the manifest lists " + BytesText(listed.bytes));
    else if (result.crc != listed.crc32)
      found_.Add(ProblemKind::Differs, planned.shown + ": its CRC-32 differs from the manifest's");
    else if (result.sha256 != listed.sha256)
      found_.Add(ProblemKind::Differs, planned.shown + ": its SHA-256 differs from the manifest's");
    else
      ++found_.asPacked;
  }
  if (!manifest_) return;
  for (const ReceivedProduct& product : manifest_->products) {
    std::string folder = product.name;
    for (const auto& set : sets_)
      if (set->product == &product) folder = set->folder;
    for (const ReceivedFile& file : product.files)
      if (!seen_.count(&file)) found_.Add(ProblemKind::NotInSet, Shown(folder, file.name));
    for (const ReceivedVolume& volume : product.volumes)
      if (!volumesSeen_.count(zip::FoldCase(volume.name))) {
        bool named = false;  // already said missing by its set
        for (const auto& set : sets_)
          for (const std::string& missing : set->missingParts) named = named || zip::FoldedEqual(missing, volume.name);
        if (!named) found_.Add(ProblemKind::Part, volume.name + " is missing");
      }
    for (const LeftOutNote& note : product.leftOut)
      found_.leftOut.push_back(product.name + ": " + Printable(note.path) + " (" + Printable(note.reason) + ")");
  }
}

OpenOutcome Opener::Finish() {
  // Each problem counts against the product it names.
  for (ProductTally& tally : found_.products)
    for (const auto& [kind, text] : found_.problems)
      if (text.rfind(tally.name + "\\", 0) == 0) ++tally.problems;
  OpenOutcome outcome;
  outcome.files = found_.files;
  outcome.bytes = found_.bytes;
  outcome.asPacked = found_.asPacked;
  outcome.problems = found_.problems.size();
  outcome.leftOut = found_.leftOut.size();
  outcome.exitCode = found_.manifestRead && found_.problems.empty() ? kExitAsPacked : kExitProblems;

  std::string text = "\xEF\xBB\xBF";
  for (const std::string& line : found_.Lines(false)) text += line + "\r\n";
  const std::string path = target_->Root() + kVerificationName;
  try {
    PendingFile report = target_->NewFile(target_->Root());
    const auto put = report.file.Write(text.data(), text.size());
    if (!put || *put != text.size()) {
      target_->Discard(report);
      throw Error(path + " cannot be written (" + os::ErrorText(put ? os::kErrorDiskFull : os::LastErrorCode()) + ")");
    }
    target_->Publish(report, kVerificationName);
    outcome.verificationPath = path;
  } catch (const Error& error) {
    lines_.Add(error.what());
    outcome.exitCode = kExitProblems;
  }
  for (const std::string& line : found_.Lines(true)) lines_.Add(line);
  const std::string where = outcome.verificationPath.empty() ? "" : " Everything found is listed in " + path + ".";
  if (outcome.exitCode == kExitAsPacked) {
    outcome.summary = "All " + DigitsGrouped(outcome.files) + (outcome.files == 1 ? " file is" : " files are") + " as packed.";
  } else if (!found_.manifestRead) {
    outcome.summary = DigitsGrouped(outcome.files) + " files were unpacked, but nothing could be verified: " +
                      found_.header.back() + "." + where;
  } else {
    outcome.summary = DigitsGrouped(outcome.problems) + (outcome.problems == 1 ? " problem was" : " problems were") + " found:";
    for (size_t i = 0; i < found_.problems.size() && i < kSummaryProblems; ++i)
      outcome.summary += "\r\n" + found_.problems[i].second;
    if (found_.problems.size() > kSummaryProblems) outcome.summary += "\r\n...";
    outcome.summary += "\r\n" + where.substr(1);
  }
  outcome.summary += "\r\nThe files are in " + target_->Root();
  if (outcome.exitCode == kExitAsPacked)
    lines_.Add(outcome.summary.substr(0, outcome.summary.find("\r\n")));
  else
    lines_.Add(std::string(found_.manifestRead ? "Opened, with problems" : "Opened, nothing verified") + ": see " + path);
  return outcome;
}

OpenOutcome Opener::Run() {
  progress_.BeginStage("Opening " + NameOf(request_.dataZip));
  bool created = false;
  try {
    target_.emplace(TargetFolder::Check(request_.folder));
    try {
      ReadDataZip();
    } catch (const zip::read::ReadError& error) {
      throw OpenRefused(error.what());
    } catch (const zip::read::FormatError& error) {
      throw OpenRefused(request_.dataZip + " cannot be opened: " + error.what());
    }
    lines_.Add("Opening " + request_.dataZip + " (" + BytesText(data_->Size()) + ") into " + target_->Root());
    found_.header.push_back("Opened " + request_.dataZip + " (" + BytesText(data_->Size()) + ") into " + target_->Root());
    ReadManifestEntry();
    OpenSets();
    if (manifest_) {
      for (const ReceivedProduct& product : manifest_->products) {
        ProductTally tally;
        tally.name = product.name;
        tally.packed = !product.volumes.empty();
        for (const auto& set : sets_)
          if (set->product == &product) tally.name = set->folder;
        found_.products.push_back(tally);
      }
    }
    for (const auto& set : sets_) {
      bool listed = false;
      for (const ProductTally& tally : found_.products) listed = listed || tally.name == set->folder;
      if (!listed && set->parts) found_.products.push_back(ProductTally{set->folder});
    }
    // Its copy first, then the volumes are read and checked, then the sets' files, then the rest.
    if (layout_.manifest) {
      const size_t i = *layout_.manifest;
      if (places_[i].refusal.empty()) {
        Planned copy;
        copy.job = UnpackJob{UnpackJob::Kind::File, outer_.get(), &directory_.entries[i], places_[i].data, {}, "manifest.json", {}};
        copy.shown = "manifest.json";
        copy.manifestCopy = true;
        planned_.push_back(std::move(copy));
      }
    }
    for (const auto& set : sets_) {
      if (!set->parts) continue;  // unpacked as they are, and checked so
      for (const size_t entry : set->partEntries) {
        if (!places_[entry].refusal.empty()) continue;
        Planned check;
        check.job = UnpackJob{UnpackJob::Kind::CheckOnly, outer_.get(), &directory_.entries[entry], places_[entry].data, {}, "", {}};
        check.volume = true;
        planned_.push_back(std::move(check));
      }
    }
    for (const auto& set : sets_)
      if (set->parts) PlanSetEntries(*set);
    PlanOthers();
    CheckRoom();
    progress_.ThrowIfStopped();
    target_->Create();
    created = true;
    progress_.BeginStage("Unpacking and checking " + NameOf(request_.dataZip));
    std::vector<UnpackJob> jobs;
    for (const Planned& planned : planned_) jobs.push_back(planned.job);
    Judge(Unpack(jobs, *target_, progress_));
    return Finish();
  } catch (const std::exception& error) {
    // Whatever stopped the open (no room, an archive that cannot be read, a failure of the
    // system), nothing of this run stays in the folder.
    if (created) target_->RemoveAll();
    OpenOutcome outcome;
    // A stop that was asked for is said as such, not as a fault.
    outcome.summary = dynamic_cast<const os::Cancelled*>(&error) ? "the open was stopped" : error.what();
    lines_.Add("Nothing was opened: " + outcome.summary);
    return outcome;
  }
}

}  // namespace

OpenOutcome OpenDataZip(const OpenRequest& request, report::LineSink& lines, os::ProgressSink& progress) {
  Opener opener(request, lines, progress);
  return opener.Run();
}

}  // namespace tavisto::intake
