// The report's sections in their order, on the lookups and the report's building blocks.
#include "report/report_builder.h"

#include <algorithm>

#include "common/path_parts.h"
#include "lookups/file_version.h"
#include "lookups/known_folders.h"
#include "lookups/sibling_products.h"
#include "os/files.h"
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

// One of a product's folder values, as stored; a value that is no text (a REG_DWORD AppPath)
// reads as "" and its line names the product, the key and the value, in the report and among
// its problems.
std::string ReadFolderValue(SiblingProduct product, const char* valueName, LineSink& out, Problems& problems) {
  const lookups::ProductFolder folder = lookups::ReadProductFolder(product, valueName);
  if (!folder.Readable()) {
    out.Add(os::Utf8ToAnsi(folder.problem).Bytes());
    problems.Add(folder.problem);
  }
  return folder.path;
}

void WritePlugins(std::vector<std::string>& scanFolders, LineSink& out, Problems& problems) {
  out.Add("");
  out.Add(kPluginsHeading);
  const auto zorvelFolder = [&](const char* valueName) {
    return ShortenedFolder(ReadFolderValue(SiblingProduct::Zorvel, valueName, out, problems));
  };
  scanFolders.push_back(zorvelFolder(lookups::kAppPathValue));
  ListProgramVersions(scanFolders.back(), out);
  scanFolders.push_back(zorvelFolder(lookups::kAppDataPathValue));
  scanFolders.push_back(zorvelFolder(lookups::kAppCommonDataPathValue));
}

// Each product's log as far as it reached when it was opened; a product whose folder values
// are not text says so under its heading, whatever Get Data made of it.
void WriteCsLogs(const ReportInputs& inputs, LineSink& out, Problems& problems) {
  for (size_t i = 0; i < lookups::kAllProducts.size(); ++i) {
    const SiblingProduct product = lookups::kAllProducts[i];
    out.Add("");
    out.Add(lookups::Describe(product).csLogHeading);
    for (const char* valueName : {lookups::kAppPathValue, lookups::kAppDataPathValue})
      (void)ReadFolderValue(product, valueName, out, problems);
    const std::string problem = CopyCsLog(inputs.dataPaths[i], out);
    if (!problem.empty()) problems.Add(std::string(lookups::Describe(product).name) + ": " + problem);
  }
}

// A folder's line value: the folder, or that it cannot be found and why (never an empty value
// that reads like a folder of no name).
std::string FolderValue(int csidl) {
  const lookups::FoundFolder found = lookups::FindShellFolder(csidl);
  return found.problem.empty() ? found.path : "(not found: " + found.problem + ")";
}

void WriteScreenAndPaths(LineSink& out) {
  out.Add(kDpiHeading);
  out.Add(kSeparator);
  out.Add(kDpiLabel + std::to_string(os::ScreenDpi()));
  out.Add(kSeparator);
  out.Add(kPathsHeading);
  out.Add(kSeparator);
  out.Add(kLocalAppDataLabel + os::Utf8ToAnsi(FolderValue(lookups::kCsidlLocalAppData)).Bytes());
  out.Add(kCommonAppDataLabel + os::Utf8ToAnsi(FolderValue(lookups::kCsidlCommonAppData)).Bytes());
  out.Add(kSeparator);
}

void WriteDrivers(LineSink& out) {
  out.Add(kDriverHeading);
  out.Add(kSeparator);
  // The drivers really installed: a 32-bit build on 64-bit Windows would otherwise be shown
  // the redirected 32-bit system folder, which holds no serial drivers.
  const std::string system = os::NativeSystemDirectory();
  for (const DriverFile& driver : kDriverFiles) {
    // Without the system folder a driver's name alone would be looked for at the drive's root.
    if (system.empty()) {
      out.Add(std::string(driver.label) + "(not found: the system names no system folder)");
      continue;
    }
    out.Add(driver.label + os::Utf8ToAnsi(lookups::FileVersionIfExists(system + driver.file).value_or("")).Bytes());
  }
  out.Add(kSeparator);
}

void WriteFileList(const std::vector<std::string>& scanFolders, LineSink& out) {
  out.Add(kFilesHeading);
  out.Add(kSeparator);
  CodePageLines shown(out);
  for (const std::string& folder : scanFolders)
    if (!folder.empty() && lookups::FolderExists(folder)) ListFiles(folder, "*.*", shown);
}

// The CS.log section's share of the work: its logs' size (in bytes) as they are now.
uint64_t LogBytes(const ReportInputs& inputs) {
  uint64_t bytes = 0;
  for (const std::string& folder : inputs.dataPaths) {
    if (folder.empty()) continue;
    auto log = os::File::Open(PathIn(folder, kCsLogFile), os::Access::Read, os::kShareAll, os::Disposition::OpenExisting);
    if (log) bytes += static_cast<uint64_t>(log->Size().value_or(0));
  }
  return bytes;
}

constexpr char kCsLogSection[] = "CS.LOG FILES";

// Passes the report's lines on and keeps the progress display up to date: the section being
// written, how far the report has come, and what the memo says it shows; a stop asked for ends
// the report within a moment. A section counts as one unit of work and the CS.log section one
// more for each megabyte of the logs (the memo takes about a second for each), so that the bar
// and the estimate follow the time really taken.
class ReportProgress final : public LineSink {
 public:
  ReportProgress(LineSink& out, os::ProgressSink& progress, uint64_t logBytes)
      : out_(out), progress_(progress), logBytes_(logBytes),
        total_(kSections - 1 + LogUnits()) {
    progress_.BeginStage("Writing the report");
  }
  void Add(const std::string& line) override {
    out_.Add(line);
    written_ += line.size() + 2;
    // Often enough for Cancel to be answered within a second, seldom enough to cost nothing.
    if (++lines_ % 256 == 0) {
      Update();
      progress_.ThrowIfStopped();
    }
  }
  [[nodiscard]] std::string Status() const override { return out_.Status(); }
  // The memo takes what it was given so far; the display then says how much it shows.
  void Flush() override {
    out_.Flush();
    Update();
  }

  // Starts the next section (a stop asked meanwhile ends the report before it).
  void Next(const char* name) {
    progress_.ThrowIfStopped();
    done_ += units_;
    units_ = std::string(name) == kCsLogSection ? LogUnits() : 1;
    section_ = name;
    sectionStart_ = written_;
    progress_.Describe(std::string("Writing the report: ") + name);
    Update();
  }
  // The report is whole: a stop asked now comes too late to change that.
  void End() { progress_.Advance(1, out_.Status()); }
  [[nodiscard]] const std::string& Section() const { return section_; }

 private:
  static constexpr double kSections = 9;
  static constexpr double kBytesPerUnit = 1024 * 1024;

  double LogUnits() const { return 1 + static_cast<double>(logBytes_) / kBytesPerUnit; }
  void Update() {
    double share = 0;
    if (units_ > 1) share = std::min(1.0, static_cast<double>(written_ - sectionStart_) / static_cast<double>(logBytes_));
    progress_.Advance((done_ + share * units_) / total_, out_.Status());
  }

  LineSink& out_;
  os::ProgressSink& progress_;
  uint64_t logBytes_;
  double total_;
  double done_ = 0;
  double units_ = 0;
  std::string section_;
  uint64_t written_ = 0;
  uint64_t sectionStart_ = 0;
  uint32_t lines_ = 0;
};

void WriteSections(const ReportInputs& inputs, ReportProgress& out, os::ProgressSink& progress,
                   ReportResult& found, Problems& problems) {
  const UserLocaleFormats formats;
  out.Next("PLUGINS VERSION");
  WriteIdentityBlock(inputs.identity, out);
  WritePlugins(found.scanFolders, out, problems);
  out.Next(kCsLogSection);
  WriteCsLogs(inputs, out, problems);
  out.Next("DPI SETTINGS");
  WriteScreenAndPaths(out);
  out.Next("FTDI DRIVER VERSION");
  WriteDrivers(out);

  out.Next("VELMO REGISTRY KEYS");
  out.Add(kRegistryHeading);
  out.Add(kLanguageLabel + inputs.language);
  out.Add(kSeparator);
  out.Add(kRegistryHeading);
  out.Add(kRegistryRootLine);
  out.Add(kSeparator);
  WriteKeyLog(out, formats, problems);

  out.Next("FILES LIST");
  WriteFileList(found.scanFolders, out);

  out.Next("INTERNATIONAL SETTINGS");
  out.Add(kInternationalHeading);
  out.Add(kSeparator);
  DumpKey(os::RegRoot::CurrentUser, kInternationalKey, 1, out, formats, problems);

  out.Next("INSTALLED CODEC");
  out.Add(kCodecHeading);
  out.Add(kSeparator);
  WriteCodecSection(out, inputs.tools, problems, &progress);

  out.Next("DEVICE MANAGER LIST");
  out.Add(kDeviceHeading);
  out.Add(kSeparator);
  WriteDeviceSection(out, DeviceToolIsSixtyFourBit(), inputs.tools, problems, &progress);
  out.End();
}

}  // namespace

IncompleteReport::IncompleteReport(const std::string& section, const std::exception& cause)
    : Error(IncompleteReportText(section, PlainCause(cause))) {}

std::string IncompleteReport::Line() const { return os::Utf8ToAnsi(what()).Bytes(); }

ReportResult BuildAnalysisReport(const ReportInputs& inputs, LineSink& memo, os::ProgressSink& progress) {
  ReportProgress out(memo, progress, LogBytes(inputs));
  ReportResult found;
  Problems problems;
  try {
    WriteSections(inputs, out, progress, found, problems);
  } catch (const os::Cancelled&) {
    throw;
  } catch (const std::exception& error) {
    throw IncompleteReport(out.Section(), error);
  }
  found.problems = problems.Lines();
  return found;
}

}  // namespace tavisto::report
