// The report's sections in their order, on the lookups and the report's building blocks.
#include "report/report_builder.h"

#include "lookups/file_version.h"
#include "lookups/sibling_products.h"
#include "lookups/known_folders.h"
#include "os/system_facts.h"
#include "report/inventories.h"
#include "report/program_versions.h"
#include "report/registry_dump.h"
#include "report/report_texts.h"
#include "report/user_locale.h"

namespace tavisto::report {
namespace {

using lookups::SiblingProduct;

std::string ZorvelFolder(const char* valueName) {
  return ShortenedFolder(lookups::ReadProductValue(SiblingProduct::Zorvel, valueName));
}

void WritePlugins(std::vector<std::string>& scanFolders, LineSink& out) {
  out.Add("");
  out.Add(kPluginsHeading);
  scanFolders.push_back(ZorvelFolder(lookups::kAppPathValue));
  ListProgramVersions(scanFolders.back(), out);
  scanFolders.push_back(ZorvelFolder(lookups::kAppDataPathValue));
  scanFolders.push_back(ZorvelFolder(lookups::kAppCommonDataPathValue));
}

void WriteCsLogs(const ReportInputs& inputs, LineSink& out) {
  for (size_t i = 0; i < lookups::kAllProducts.size(); ++i) {
    out.Add("");
    out.Add(lookups::Describe(lookups::kAllProducts[i]).csLogHeading);
    CopyCsLog(inputs.dataPaths[i], out);
  }
}

void WriteScreenAndPaths(LineSink& out) {
  out.Add(kDpiHeading);
  out.Add(kSeparator);
  out.Add(kDpiLabel + std::to_string(os::ScreenDpi()));
  out.Add(kSeparator);
  out.Add(kPathsHeading);
  out.Add(kSeparator);
  out.Add(kLocalAppDataLabel + lookups::GetShellFolderPath(lookups::kCsidlLocalAppData, false));
  out.Add(kCommonAppDataLabel + lookups::GetShellFolderPath(lookups::kCsidlCommonAppData, false));
  out.Add(kSeparator);
}

void WriteDrivers(LineSink& out) {
  out.Add(kDriverHeading);
  out.Add(kSeparator);
  const std::string system = lookups::GetSystemFolder();
  for (const DriverFile& driver : kDriverFiles)
    out.Add(driver.label + lookups::FileVersionIfExists(system + driver.file).value_or(""));
  out.Add(kSeparator);
}

void WriteFileList(const std::vector<std::string>& scanFolders, LineSink& out) {
  out.Add(kFilesHeading);
  out.Add(kSeparator);
  for (const std::string& folder : scanFolders)
    if (!folder.empty() && lookups::FolderExists(folder)) ListFiles(folder, "*.*", out);
}

}  // namespace

void BuildAnalysisReport(const ReportInputs& inputs, const ReportFolders& folders, LineSink& out) {
  const UserLocaleFormats formats;
  folders.scanFolders.clear();
  WriteIdentityBlock(inputs.identity, out);
  WritePlugins(folders.scanFolders, out);
  folders.desktopFolder = lookups::GetSpecialFolderPath(lookups::kCsidlDesktop);
  folders.tempFolder = lookups::GetTempFolder();
  WriteCsLogs(inputs, out);
  WriteScreenAndPaths(out);
  WriteDrivers(out);

  out.Add(kRegistryHeading);
  out.Add(kLanguageLabel + inputs.language);
  out.Add(kSeparator);
  out.Add(kRegistryHeading);
  out.Add(kRegistryRootLine);
  out.Add(kSeparator);
  WriteKeyLog(out, formats);

  WriteFileList(folders.scanFolders, out);

  out.Add(kInternationalHeading);
  out.Add(kSeparator);
  DumpKey(os::RegRoot::CurrentUser, kInternationalKey, 1, out, formats);

  out.Add(kCodecHeading);
  out.Add(kSeparator);
  WriteCodecSection(out, inputs.toolTimeLimitMs);

  out.Add(kDeviceHeading);
  out.Add(kSeparator);
  WriteDeviceSection(out, DeviceToolIsSixtyFourBit(), inputs.toolTimeLimitMs);
}

}  // namespace tavisto::report
