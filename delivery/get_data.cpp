#include "delivery/get_data.h"

#include "delivery/add_files.h"
#include "delivery/archive_questions.h"
#include "delivery/scoped_event.h"
#include "lookups/sibling_products.h"
#include "lookups/known_folders.h"
#include "os/errors.h"
#include "os/files.h"

namespace tavisto::delivery {
namespace {

using lookups::SiblingProduct;

constexpr char kOwnVolumeFolder[] = "Tavisto volumes";

// The product as the customer knows it, for the progress dialog.
const char* ProductName(SiblingProduct product) {
  switch (product) {
    case SiblingProduct::Zorvel: return "Zorvel";
    case SiblingProduct::Quorix: return "Quorix";
    case SiblingProduct::Pylvex: return "Pylvex";
    case SiblingProduct::Voyra: return "Voyra";
    case SiblingProduct::MultiQrx: return "MultiQrx";
  }
  return "";
}

// Packs one product's Data folder. Every file the writer creates for it is recorded in
// written as it is created, so a run that stops part-way knows what to remove.
void PackProduct(const ProductArchive& entry, const std::string& baseFolder, std::vector<std::string>& written,
                 std::vector<zip::LeftOutFile>& leftOut, os::ProgressSink& progress) {
  zip::TArchiver& archiver = entry.archiver;
  // A run that failed part-way left its archive open; settings cannot change on an open one.
  archiver.CloseArchive();
  archiver.SetFileName(baseFolder + lookups::Describe(entry.product).archiveFile);
  // The data folder is used exactly as stored: "Data" is joined without a separator.
  archiver.SetBaseDir(entry.dataPath + "Data");
  zip::TArcSpanningOptions& spanning = archiver.SpanningOptions();
  spanning.SetVolumeSize(zip::vsCustom);
  spanning.SetCustomVolumeSize(kProductVolumeSize);
  spanning.SetFirstVolumeSize(kProductVolumeSize);
  spanning.SetAdvancedNaming(entry.product == SiblingProduct::Voyra);
  archiver.SetSpanningMode(zip::smSplitting);
  InstallArchiveQuestions(archiver);

  const std::string data = std::string(" the ") + ProductName(entry.product) + " data";
  progress.BeginStage("Packing" + data);
  // Every volume is announced before it is created; the last one ends under the archive's
  // own name when the archive is closed.
  const ScopedEvent recorder(archiver.OnRequestBlankVolume, zip::TArcRequestBlankVolumeEvent(
      [&written](zip::TBaseArchiver&, int32_t, std::string& name, bool&) { written.push_back(name); }));
  archiver.OpenArchive(zip::kCreateMode);
  try {
    AddFilesWatched(archiver, "*.*", "packing" + data, progress);
  } catch (...) {
    archiver.CloseArchive();
    written.push_back(archiver.FileName());
    throw;
  }
  leftOut.insert(leftOut.end(), archiver.LeftOut().begin(), archiver.LeftOut().end());
  archiver.CloseArchive();
  written.push_back(archiver.FileName());
}

// Data.zip takes exactly the volumes this run wrote, named one by one (never found by a
// sweep, which would also take the customer's own archives and stale volumes of an earlier
// run), stored at its top level. They are deflated already: stored entries cost no second
// deflate and lose almost nothing in size.
void BuildDataZip(zip::TArchiver& dataZip, const std::string& dataZipPath, const std::string& volumeFolder,
                  const std::vector<std::string>& volumes, os::ProgressSink& progress) {
  progress.BeginStage("Building Data.zip");
  dataZip.SetFileName(dataZipPath);
  dataZip.SetBaseDir(volumeFolder);
  dataZip.SetCompressionLevel(zip::clNone);
  InstallArchiveQuestions(dataZip);
  dataZip.OpenArchive(zip::kCreateMode);
  // Each absolute file name is a mask of its own that names that one file.
  dataZip.FileMasks() = volumes;
  try {
    if (!volumes.empty()) AddFilesWatched(dataZip, "", "building Data.zip", progress);
  } catch (...) {
    dataZip.FileMasks().clear();
    throw;
  }
  dataZip.FileMasks().clear();
  // Without every volume the archives inside cannot be opened: that is no Data.zip to send.
  if (!dataZip.LeftOut().empty()) {
    const zip::LeftOutFile& missing = dataZip.LeftOut().front();
    throw Error("Get Data was stopped: " + missing.path + " could not be packed into Data.zip (" + missing.reason +
                "). The files Get Data had written are removed");
  }
  dataZip.CloseArchive();
}

void RemoveAll(const std::vector<std::string>& files) {
  for (const std::string& file : files) (void)os::RemoveFile(file);  // a locked one stays
}

}  // namespace

bool IsPacked(SiblingProduct product) {
  return product == SiblingProduct::Quorix ? lookups::HasProductData(product) : lookups::IsProductInstalled(product);
}

std::string EndMessage(const std::vector<zip::LeftOutFile>& leftOut) {
  if (leftOut.empty()) return "Finished";
  constexpr size_t kNamed = 5;
  std::string text = "Finished, but " + std::to_string(leftOut.size()) +
                     (leftOut.size() == 1 ? " file was" : " files were") + " left out of Data.zip:";
  for (size_t i = 0; i < leftOut.size() && i < kNamed; ++i)
    text += "\r\n" + leftOut[i].path;
  if (leftOut.size() > kNamed) text += "\r\nand " + std::to_string(leftOut.size() - kNamed) + " more.";
  return text;
}

std::vector<zip::LeftOutFile> CollectData(const std::array<ProductArchive, 5>& products, zip::TArchiver& dataZip,
                                          GetDataState& state, os::ProgressSink& progress) {
  state.tempFolder = lookups::GetTempFolder();
  state.desktopFolder = lookups::GetSpecialFolderPath(lookups::kCsidlDesktop);
  state.volumeFiles.clear();
  state.baseFolder = lookups::GetProductsBaseFolder();

  // Without a base folder (no product, or MultiQrx alone) the archives would land in whatever
  // folder the program was started from, and the packing would take that folder's archives:
  // a folder of our own in the temporary folder holds them instead.
  std::string volumeFolder = state.baseFolder;
  if (volumeFolder.empty()) {
    volumeFolder = state.tempFolder + kOwnVolumeFolder + "\\";
    (void)os::MakeDirectory(volumeFolder);
  }
  const std::string dataZipPath = state.tempFolder + "Data.zip";
  // What this run wrote, for the clean-up when it does not finish: every file of its
  // volume sets, and Data.zip once it was begun (until then an earlier run's stays).
  std::vector<std::string> written;
  std::vector<zip::LeftOutFile> leftOut;
  try {
    for (const ProductArchive& entry : products) {
      if (!IsPacked(entry.product)) continue;
      progress.ThrowIfStopped();
      entry.dataPath = lookups::ReadProductValue(entry.product, lookups::kAppDataPathValue);
      PackProduct(entry, volumeFolder, written, leftOut, progress);
    }
    for (const std::string& file : written)
      if (os::FileExists(file)) state.volumeFiles.push_back(file);
    progress.ThrowIfStopped();
    written.push_back(dataZipPath);
    BuildDataZip(dataZip, dataZipPath, volumeFolder, state.volumeFiles, progress);
  } catch (...) {
    for (const ProductArchive& entry : products) entry.archiver.CloseArchive();
    dataZip.CloseArchive();
    RemoveAll(written);
    state.volumeFiles.clear();
    if (state.baseFolder.empty()) (void)os::RemoveFolder(volumeFolder);
    throw;
  }

  RemoveAll(state.volumeFiles);
  state.volumeFiles.clear();
  if (state.baseFolder.empty()) (void)os::RemoveFolder(volumeFolder);  // only when nothing is left in it
  return leftOut;
}

}  // namespace tavisto::delivery
