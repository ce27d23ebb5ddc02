#include "tests/support/data_zip_maker.h"

#include "common/errors.h"
#include "delivery/manifest.h"
#include "os/file_time.h"
#include "os/files.h"
#include "zip/archiver.h"
#include "zip/path_rules.h"
#include "zip/spanning.h"

namespace tavisto::test {
namespace {

void Check(zip::TArchiver& archiver, const std::string& what) {
  if (archiver.LastUpdateOutcome() != zip::UpdateOutcome::Committed) throw Error("packing " + what + " failed");
}

}  // namespace

std::string MakeDataZip(const std::string& outFolder, const std::vector<ProductData>& products, int64_t volumeSize) {
  // The writer takes absolute paths.
  std::string folder = zip::ExpandPath(outFolder);
  if (folder.back() != '/' && folder.back() != '\\') folder += os::PathSeparator();
  delivery::ManifestWriter manifest(folder);
  const os::FileTime started = os::CurrentFileTime();
  std::vector<std::string> volumes;
  std::vector<size_t> volumeProduct;
  for (const ProductData& data : products) {
    const lookups::ProductConstants& known = lookups::Describe(data.product);
    zip::TArchiver archiver(known.archiveComponent);
    archiver.SetFileName(folder + known.archiveFile);
    archiver.SetBaseDir(data.dataFolder);
    zip::TArcSpanningOptions& spanning = archiver.SpanningOptions();
    spanning.SetVolumeSize(zip::vsCustom);
    spanning.SetCustomVolumeSize(volumeSize);
    spanning.SetFirstVolumeSize(volumeSize);
    spanning.SetAdvancedNaming(known.advancedNaming);
    archiver.SetSpanningMode(zip::smSplitting);
    archiver.SetDigests(true);
    const size_t product = manifest.BeginProduct(known.name, data.dataFolder);
    archiver.OnEntryWritten = [&manifest](zip::TBaseArchiver&, const zip::TArcWrittenEntry& entry) {
      manifest.AddEntry(entry);
    };
    archiver.OpenArchive(zip::kCreateMode);
    archiver.AddFiles("*.*", zip::kDefaultSearchAttr);
    Check(archiver, known.name);
    for (const zip::LeftOutFile& file : archiver.LeftOut())
      manifest.AddLeftOut(product, file.path, delivery::LeftOutReason(file, "Ignore was chosen"));
    archiver.CloseArchive();
    // The last volume's end record says how many there are.
    auto last = os::File::Open(archiver.FileName(), os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
    if (!last) throw Error("the archive of " + std::string(known.name) + " is missing");
    std::string end(22, '\0');
    const int64_t size = last->Size().value_or(0);
    if (!last->Seek(size - 22) || last->Read(end.data(), end.size()).value_or(0) != end.size())
      throw Error("the archive of " + std::string(known.name) + " cannot be read");
    const auto record = zip::ReadEndRecord(end);
    if (!record) throw Error("the archive of " + std::string(known.name) + " has no end record");
    for (int32_t i = 0; i < record->thisDisk; ++i) {
      volumes.push_back(zip::VolumeFileName(archiver.FileName(), i, known.advancedNaming));
      volumeProduct.push_back(product);
    }
    volumes.push_back(archiver.FileName());
    volumeProduct.push_back(product);
  }

  zip::TArchiver dataZip("ArchivioTotale");
  dataZip.SetFileName(folder + "Data.zip");
  dataZip.SetBaseDir(folder);
  dataZip.SetCompressionLevel(zip::clNone);
  dataZip.SetDigests(true);
  dataZip.OnEntryWritten = [&](zip::TBaseArchiver&, const zip::TArcWrittenEntry& entry) {
    for (size_t i = 0; i < volumes.size(); ++i)
      if (volumes[i] == folder + entry.storedName && entry.sha256)
        manifest.AddVolume(volumeProduct[i], {entry.storedName, entry.size, *entry.sha256});
  };
  dataZip.OpenArchive(zip::kCreateMode);
  dataZip.FileMasks() = volumes;
  if (!volumes.empty()) dataZip.AddFiles("");
  dataZip.FileMasks().clear();
  Check(dataZip, "Data.zip");
  delivery::ManifestRun run{"1.6.4.0", started, os::CurrentFileTime(), os::CurrentUtcOffsetMinutes(), "BENCH-PC", "bench"};
  const std::string manifestPath = folder + "manifest.json";
  manifest.Write(run, manifestPath);
  dataZip.AddFiles(manifestPath);
  Check(dataZip, "manifest.json");
  dataZip.CloseArchive();
  for (const std::string& volume : volumes) (void)os::RemoveFile(volume);
  (void)os::RemoveFile(manifestPath);
  return folder + "Data.zip";
}

}  // namespace tavisto::test
