#include "jobs/get_data_job.h"

namespace tavisto::jobs {
namespace {

// The window names this many of the lines; the rest are counted.
constexpr size_t kNamedInWindow = 5;

}  // namespace

std::string GetDataOutcome::EndMessage() const {
  if (missing.empty()) return "Finished";
  std::string text = std::string("Get Data finished, but ") + kDataZipIncomplete;
  for (size_t i = 0; i < missing.size() && i < kNamedInWindow; ++i) text += "\r\n" + missing[i];
  if (missing.size() > kNamedInWindow) text += "\r\nand " + std::to_string(missing.size() - kNamedInWindow) + " more.";
  return text;
}

GetDataJob::GetDataJob(Session& session, delivery::Asker& asker, delivery::RunFacts facts)
    : session_(session), asker_(asker), facts_(std::move(facts)) {}

void GetDataJob::Prepare() {
  // One Get Data at a time: another run writes with the same journal folder and products.
  lock_ = delivery::TakeGetDataLock(session_.Serves() == Face::Window);
  if (!lock_) throw GetDataRunsElsewhere();
  try {
    plan_ = delivery::PlanGetData();
    session_.RecordDataFolders(plan_.dataPaths);
    check_ = delivery::CheckGetData(plan_);
  } catch (...) {
    lock_.reset();
    throw;
  }
}

GetDataOutcome GetDataJob::Run(os::ProgressSink& progress) {
  if (!lock_) throw Error("Get Data was run without its checks");
  struct GiveBack {
    std::optional<delivery::GetDataLock>& lock;
    ~GiveBack() { lock.reset(); }
  } giveBack{lock_};
  const delivery::CollectedData collected =
      delivery::CollectData(plan_, check_, session_.Products(), session_.DataZipWriter(), session_.Journal(), asker_,
                            progress, facts_);
  session_.KeepDataZip(collected);
  GetDataOutcome outcome{collected.dataZip, {}};
  if (!collected.nothingFound.empty()) outcome.missing.push_back(collected.nothingFound);
  for (const delivery::LeftOutItem& item : collected.leftOut) outcome.missing.push_back(item.line);
  return outcome;
}

}  // namespace tavisto::jobs
