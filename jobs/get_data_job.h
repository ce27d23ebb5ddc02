// Get Data as a job, with no window of its own: it takes the session it works in, the asker that
// answers for the files the writers cannot process and the run's facts, checks before anything
// is written (Prepare), then packs under a progress display of the caller's (Run). Its outcome
// says what Data.zip lacks, one line each, which both faces show as they are.
//   GetDataJob job(session, asker, facts);
//   job.Prepare();                      // an Error when it cannot start: nothing is written
//   const GetDataOutcome done = job.Run(progress);
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "delivery/asker.h"
#include "delivery/get_data.h"
#include "jobs/session.h"
#include "os/progress.h"

namespace tavisto::jobs {

// Another run of Get Data (another window's, an unattended one) holds the lock.
class GetDataRunsElsewhere : public Error {
 public:
  GetDataRunsElsewhere() : Error(delivery::GetDataRunsElsewhereText()) {}
};

// What heads the lines of what Data.zip lacks.
inline constexpr char kDataZipIncomplete[] = "Data.zip is incomplete:";

struct GetDataOutcome {
  delivery::OwnedFile dataZip;  // as it was built, in a folder of the session's
  // What Data.zip lacks, a line each: no product found for the user, a product that was not
  // packed, a file or folder left out, a link not followed; each with its reason.
  std::vector<std::string> missing;
  [[nodiscard]] bool Complete() const { return missing.empty(); }
  // The window's word at the end: "Finished", or what is missing (the first lines of it).
  [[nodiscard]] std::string EndMessage() const;
};

class GetDataJob {
 public:
  GetDataJob(Session& session, delivery::Asker& asker, delivery::RunFacts facts);

  // Takes the lock (GetDataRunsElsewhere when another run holds it), looks the products up,
  // records their data folders in the session, sweeps what killed runs left, measures the data
  // and checks the room: an Error saying why when Get Data cannot start.
  void Prepare();
  // Packs (Prepare first); the Data.zip it builds becomes the session's. A run that does not
  // finish raises (os::Cancelled for a stop) and leaves the session's earlier Data.zip as it
  // was. The lock is given back when it ends, however it ends.
  [[nodiscard]] GetDataOutcome Run(os::ProgressSink& progress);

 private:
  Session& session_;
  delivery::Asker& asker_;
  const delivery::RunFacts facts_;
  std::optional<delivery::GetDataLock> lock_;
  delivery::GetDataPlan plan_;
  delivery::GetDataCheck check_;
};

}  // namespace tavisto::jobs
