#include "jobs/get_data_job.h"

namespace tavisto::jobs {

GetDataJob::GetDataJob(Session& session, delivery::Asker& asker, delivery::RunFacts facts)
    : session_(session), asker_(asker), facts_(std::move(facts)) {}

void GetDataJob::Prepare() {
  // One Get Data at a time: another run writes with the same journal folder and products.
  lock_ = delivery::TakeGetDataLock();
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
    std::optional<os::InstanceLock>& lock;
    ~GiveBack() { lock.reset(); }
  } giveBack{lock_};
  const delivery::CollectedData collected =
      delivery::CollectData(plan_, check_, session_.Products(), session_.DataZipWriter(), session_.Journal(), asker_,
                            progress, facts_);
  session_.KeepDataZip(collected);
  return GetDataOutcome{collected.dataZip, collected.leftOut};
}

}  // namespace tavisto::jobs
