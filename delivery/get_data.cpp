#include "delivery/get_data.h"

#include "delivery/add_files.h"
#include "lookups/sibling_products.h"
#include "lookups/known_folders.h"
#include "os/files.h"

namespace tavisto::delivery {
namespace {

using lookups::SiblingProduct;

constexpr char kOwnVolumeFolder[] = "Tavisto volumes";

// Clears a handler that captures the caller's locals when the caller is left, however it is left.
class ScopedVolumeRecorder {
 public:
  ScopedVolumeRecorder(zip::TArchiver& archiver, std::vector<std::string>& created) : archiver_(archiver) {
    archiver_.OnRequestBlankVolume = [&created](zip::TBaseArchiver&, int32_t, std::string& name, bool&) {
      created.push_back(name);
    };
  }
  ScopedVolumeRecorder(const ScopedVolumeRecorder&) = delete;
  ScopedVolumeRecorder& operator=(const ScopedVolumeRecorder&) = delete;
  ~ScopedVolumeRecorder() { archiver_.OnRequestBlankVolume = nullptr; }

 private:
  zip::TArchiver& archiver_;
};

// Packs one product's Data folder; returns the files of the archive that this run created.
std::vector<std::string> PackProduct(const ProductArchive& entry, const std::string& baseFolder) {
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

  // Every volume the writer creates is announced before it is created: those, and the
  // archive's own name the last one ends under, are the files this run wrote.
  std::vector<std::string> created;
  const ScopedVolumeRecorder recorder(archiver, created);
  archiver.OpenArchive(zip::kCreateMode);
  AddFilesReportingFullDisk(archiver, "*.*");
  archiver.CloseArchive();
  created.push_back(archiver.FileName());
  return created;
}

// Data.zip takes exactly the volumes this run wrote, named one by one (never found by a
// sweep, which would also take the customer's own archives and stale volumes of an earlier
// run), stored at its top level. They are deflated already: stored entries cost no second
// deflate and lose almost nothing in size.
void BuildDataZip(zip::TArchiver& dataZip, const std::string& tempFolder, const std::string& volumeFolder,
                  const std::vector<std::string>& volumes) {
  dataZip.SetFileName(tempFolder + "Data.zip");
  dataZip.SetBaseDir(volumeFolder);
  dataZip.SetCompressionLevel(zip::clNone);
  dataZip.OpenArchive(zip::kCreateMode);
  // Each absolute file name is a mask of its own that names that one file.
  dataZip.FileMasks() = volumes;
  if (!volumes.empty()) AddFilesReportingFullDisk(dataZip, "");
  dataZip.FileMasks().clear();
  dataZip.CloseArchive();
}

}  // namespace

bool IsPacked(SiblingProduct product) {
  return product == SiblingProduct::Quorix ? lookups::HasProductData(product) : lookups::IsProductInstalled(product);
}

void CollectData(const std::array<ProductArchive, 5>& products, zip::TArchiver& dataZip, GetDataState& state) {
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

  for (const ProductArchive& entry : products) {
    if (!IsPacked(entry.product)) continue;
    entry.dataPath = lookups::ReadProductValue(entry.product, lookups::kAppDataPathValue);
    for (std::string& file : PackProduct(entry, volumeFolder)) {
      if (os::FileExists(file)) state.volumeFiles.push_back(std::move(file));
    }
  }

  BuildDataZip(dataZip, state.tempFolder, volumeFolder, state.volumeFiles);

  for (const std::string& file : state.volumeFiles) (void)os::RemoveFile(file);  // a locked one stays
  state.volumeFiles.clear();
  if (state.baseFolder.empty()) (void)os::RemoveFolder(volumeFolder);  // only when nothing is left in it
}

}  // namespace tavisto::delivery
