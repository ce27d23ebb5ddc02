#include "jobs/unattended_run.h"

#include <exception>
#include <vector>

#include "common/path_parts.h"
#include "delivery/asker.h"
#include "delivery/data_room.h"
#include "delivery/desktop_save.h"
#include "delivery/get_data.h"
#include "delivery/replacing_file.h"
#include "jobs/analysis_job.h"
#include "jobs/get_data_job.h"
#include "jobs/machine_facts.h"
#include "jobs/session.h"
#include "lookups/sibling_product.h"
#include "os/disk_space.h"
#include "os/progress.h"
#include "os/same_file.h"
#include "report/file_lines.h"
#include "sysinfo/exe_info.h"
#include "sysinfo/system_info.h"

namespace tavisto::jobs {
namespace {

// Each stage of a job is one line of the output; a stop comes from the output's side.
class OutputProgress final : public os::ProgressSink {
 public:
  explicit OutputProgress(RunOutput& output) : output_(output) {}
  void BeginStage(const std::string& what) override { output_.Line(what); }
  void Describe(const std::string&) override {}
  void Advance(double, const std::string&) override {}
  [[nodiscard]] bool StopRequested() override { return output_.StopRequested(); }

 private:
  RunOutput& output_;
};

// A file the run writes, and what it is called in the output.
struct Target {
  const char* what;  // "Data.zip", "Report"
  delivery::ReplacingFile& file;
  std::vector<std::string> missing;  // what it lacks, a line each
  const char* incomplete;            // the heading of those lines
};

std::string WithoutLastSeparator(std::string folder) {
  if (folder.size() > 3 && IsPathSeparator(folder.back())) folder.pop_back();
  return folder;
}

// The folders no file of the run may be in: the data folders it packs, and its own folder,
// whose files it removes.
std::vector<GuardedFolder> GuardedFolders(const delivery::GetDataPlan& plan, bool packing) {
  std::vector<GuardedFolder> guarded;
  for (lookups::SiblingProduct product : lookups::kAllProducts) {
    const auto& dataPath = plan.dataPaths[static_cast<size_t>(product)];
    if (packing && dataPath)
      guarded.push_back({*dataPath + "Data", std::string("the ") + lookups::Describe(product).name + " data folder",
                         "which Get Data packs"});
  }
  if (!plan.tempFolder.empty())
    guarded.push_back({delivery::OwnFolder(plan.tempFolder), "Tavisto's own folder", "whose files Tavisto removes"});
  return guarded;
}

// Data.zip copied into the file asked for, once its drive is known to take it.
void CopyDataZip(const delivery::OwnedFile& dataZip, delivery::ReplacingFile& out, os::ProgressSink& progress) {
  const uint64_t bytes = static_cast<uint64_t>(dataZip.state.size);
  if (const auto problem = delivery::FileRoomProblem(bytes, os::VolumeOf(out.Path()), os::FreeDiskSpace(out.Path())))
    throw Error("Data.zip cannot be written to " + out.Path() + ": " + *problem);
  progress.BeginStage("Copying Data.zip to " + out.Path());
  delivery::CopyFileInto(dataZip.path, out.File(), out.Path(), &progress);
}

// Puts every file in its place, the first raising when it cannot (nothing is written then); a
// later one that cannot is named, and the run is incomplete. The output names each file where it
// really is, and what each one lacks.
RunEnd PutInPlace(std::vector<Target>& targets, RunOutput& output) {
  // Refused now rather than after the first is in place: each either can or the run writes none.
  for (const Target& target : targets) target.file.CheckReplaceable();
  bool incomplete = false;
  size_t written = 0;
  for (Target& target : targets) {
    const std::string where = target.file.RealPath();
    try {
      target.file.Commit();
    } catch (const std::exception& error) {
      if (written == 0) throw;
      output.ErrorLine(std::string(target.what) + " was not written: " + error.what());
      incomplete = true;
      continue;
    }
    ++written;
    output.Line(std::string(target.what) + " written to " + where);
    if (target.missing.empty()) continue;
    output.Line(target.incomplete);
    for (const std::string& line : target.missing) output.Line("  " + line);
    incomplete = true;
  }
  if (!incomplete) return RunEnd::Complete;
  output.Line("Written, but incomplete.");
  return RunEnd::Incomplete;
}

}  // namespace

std::optional<std::string> TargetsRefusal(const std::vector<NamedTarget>& targets,
                                          const std::vector<GuardedFolder>& guarded) {
  for (size_t i = 0; i < targets.size(); ++i)
    for (size_t j = i + 1; j < targets.size(); ++j)
      if (os::SameFile(targets[i].path, targets[j].path))
        return targets[i].option + " and " + targets[j].option + " name the same file (" + targets[j].path +
               " is " + targets[i].path + "): each needs a file of its own.";
  for (const NamedTarget& target : targets)
    for (const GuardedFolder& folder : guarded)
      if (os::LiesInside(target.path, folder.folder))
        return target.option + " names " + target.path + ", inside " + folder.what + " " +
               WithoutLastSeparator(folder.folder) + ", " + folder.why + ": choose a file outside it.";
  return std::nullopt;
}

RunEnd RunUnattended(const UnattendedRequest& request, RunOutput& output) {
  try {
    const sysinfo::TSystemInfo system;
    const sysinfo::TExeInfo exe;
    Session session(Face::CommandLine);
    // Before any work: the files asked for must be two files, and none where the run reads or
    // removes files.
    const delivery::GetDataPlan plan = delivery::PlanGetData();
    std::vector<NamedTarget> named;
    if (request.dataFile) named.push_back({"/data", *request.dataFile});
    if (request.reportFile) named.push_back({"/report", *request.reportFile});
    if (const auto refusal = TargetsRefusal(named, GuardedFolders(plan, request.dataFile.has_value()))) {
      output.ErrorLine(*refusal);
      return RunEnd::Refused;
    }
    // The files asked for are opened first: a folder that does not exist stops the run before
    // any work is done. Each new file is in the session's journal before it holds a byte.
    std::optional<delivery::ReplacingFile> dataOut, reportOut;
    if (request.dataFile) dataOut.emplace(delivery::ReplacingFile::Open(*request.dataFile, &session.Journal()));
    if (request.reportFile) reportOut.emplace(delivery::ReplacingFile::Open(*request.reportFile, &session.Journal()));
    delivery::UnattendedAsker asker;
    OutputProgress progress(output);
    std::vector<Target> targets;

    if (dataOut) {
      GetDataJob job(session, asker, RunFactsOf(system, exe));
      job.Prepare();
      const GetDataOutcome done = job.Run(progress);
      CopyDataZip(done.dataZip, *dataOut, progress);
      targets.push_back({"Data.zip", *dataOut, done.missing, kDataZipIncomplete});
    } else if (reportOut) {
      // The report's CS.log sections read the data folders Get Data would pack; nothing is packed.
      session.RecordDataFolders(plan.dataPaths);
    }
    if (reportOut) {
      report::FileLines lines(reportOut->File(), reportOut->Path());
      const AnalysisOutcome done = RunAnalysis(session, AnalysisFactsOf(system, exe), lines, progress);
      std::vector<std::string> missing;
      if (done.Stopped()) {
        lines.Add(done.stopLine);
        missing.push_back(done.stopText);
      }
      missing.insert(missing.end(), done.problems.begin(), done.problems.end());
      lines.Flush();
      targets.push_back({"Report", *reportOut, missing, "The report is incomplete:"});
    }
    progress.ThrowIfStopped();
    return PutInPlace(targets, output);
  } catch (const os::Cancelled&) {
    output.ErrorLine("Stopped: nothing was written.");
    return RunEnd::Failed;
  } catch (const std::exception& error) {
    output.ErrorLine(std::string("Nothing was written: ") + error.what());
    return RunEnd::Failed;
  }
}

}  // namespace tavisto::jobs
