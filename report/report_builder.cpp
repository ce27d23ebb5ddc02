// The report's sections in their order, on the lookups and the report's building blocks.
#include "report/report_builder.h"

#include "lookups/file_version.h"
#include "lookups/sibling_products.h"
#include "lookups/known_folders.h"
#include "os/system_facts.h"
#include "os/text_encoding.h"
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
  out.Add(kLocalAppDataLabel + os::Utf8ToAnsi(lookups::GetShellFolderPath(lookups::kCsidlLocalAppData, false)));
  out.Add(kCommonAppDataLabel + os::Utf8ToAnsi(lookups::GetShellFolderPath(lookups::kCsidlCommonAppData, false)));
  out.Add(kSeparator);
}

void WriteDrivers(LineSink& out) {
  out.Add(kDriverHeading);
  out.Add(kSeparator);
  // The drivers really installed: a 32-bit build on 64-bit Windows would otherwise be shown
  // the redirected 32-bit system folder, which holds no serial drivers.
  const std::string system = os::NativeSystemDirectory();
  for (const DriverFile& driver : kDriverFiles)
    out.Add(driver.label + os::Utf8ToAnsi(lookups::FileVersionIfExists(system + driver.file).value_or("")));
  out.Add(kSeparator);
}

void WriteFileList(const std::vector<std::string>& scanFolders, LineSink& out) {
  out.Add(kFilesHeading);
  out.Add(kSeparator);
  CodePageLines shown(out);
  for (const std::string& folder : scanFolders)
    if (!folder.empty() && lookups::FolderExists(folder)) ListFiles(folder, "*.*", shown);
}

// Passes lines on, and now and then lets the progress display keep up: some sections write
// thousands of lines (the file list) and nothing else would reach it meanwhile.
class WatchedLines final : public LineSink {
 public:
  WatchedLines(LineSink& out, os::ProgressSink& progress) : out_(out), progress_(progress) {}
  void Add(const std::string& line) override {
    out_.Add(line);
    if (++count_ % 256 == 0) (void)progress_.StopRequested();
  }

 private:
  LineSink& out_;
  os::ProgressSink& progress_;
  uint32_t count_ = 0;
};

// The report's sections for the progress display, each named by its heading's words.
class Sections {
 public:
  explicit Sections(os::ProgressSink& progress) : progress_(progress) {
    progress_.BeginStage("Writing the report");
  }
  // Ends the section before (a stop asked meanwhile ends the report here) and starts the next.
  void Next(const char* name) {
    progress_.ThrowIfStopped();
    progress_.Describe(std::string("Writing the report: ") + name);
    progress_.Advance(static_cast<double>(done_++) / kCount, "");
  }
  // The report is whole: a stop asked now comes too late to change that.
  void End() { progress_.Advance(1, ""); }

 private:
  static constexpr double kCount = 9;
  os::ProgressSink& progress_;
  int done_ = 0;
};

}  // namespace

void BuildAnalysisReport(const ReportInputs& inputs, const ReportFolders& folders, LineSink& memo,
                         os::ProgressSink& progress) {
  const UserLocaleFormats formats;
  WatchedLines out(memo, progress);
  Sections sections(progress);
  // A tool is waited for while nobody asked to stop; then it is stopped and the report ends.
  const os::KeepWaiting keepWaiting = [&progress] { return !progress.StopRequested(); };
  folders.scanFolders.clear();
  sections.Next("PLUGINS VERSION");
  WriteIdentityBlock(inputs.identity, out);
  WritePlugins(folders.scanFolders, out);
  folders.desktopFolder = lookups::GetSpecialFolderPath(lookups::kCsidlDesktop);
  folders.tempFolder = lookups::GetTempFolder();
  sections.Next("CS.LOG FILES");
  WriteCsLogs(inputs, out);
  sections.Next("DPI SETTINGS");
  WriteScreenAndPaths(out);
  sections.Next("FTDI DRIVER VERSION");
  WriteDrivers(out);

  sections.Next("VELMO REGISTRY KEYS");
  out.Add(kRegistryHeading);
  out.Add(kLanguageLabel + inputs.language);
  out.Add(kSeparator);
  out.Add(kRegistryHeading);
  out.Add(kRegistryRootLine);
  out.Add(kSeparator);
  WriteKeyLog(out, formats);

  sections.Next("FILES LIST");
  WriteFileList(folders.scanFolders, out);

  sections.Next("INTERNATIONAL SETTINGS");
  out.Add(kInternationalHeading);
  out.Add(kSeparator);
  DumpKey(os::RegRoot::CurrentUser, kInternationalKey, 1, out, formats);

  sections.Next("INSTALLED CODEC");
  out.Add(kCodecHeading);
  out.Add(kSeparator);
  WriteCodecSection(out, inputs.toolTimeLimitMs, keepWaiting);

  sections.Next("DEVICE MANAGER LIST");
  out.Add(kDeviceHeading);
  out.Add(kSeparator);
  WriteDeviceSection(out, DeviceToolIsSixtyFourBit(), inputs.toolTimeLimitMs, keepWaiting);
  sections.End();
}

}  // namespace tavisto::report
