// Save Result and Save Data as jobs, with no window of their own: the report text or the
// session's Data.zip put on the user's desktop, never over a file of the user's, and over the
// session's own earlier save only once the new one is whole and on the disk.
//   const SaveOutcome saved = SaveData(session, progress);
//   if (!saved.message.empty()) show(saved.message);
#pragma once

#include <string>

#include "jobs/session.h"
#include "os/progress.h"

namespace tavisto::jobs {

struct SaveOutcome {
  bool saved = false;
  // Saved: "File saved on your desktop." (naming the file when it got another name). Stopped:
  // what became of the earlier save it would have replaced; "" when there is nothing to say.
  std::string message;
};

// Writes the report text as "Analysis Result.txt" on the desktop. An Error saying why when it
// cannot, and, when it was to replace this session's earlier save, that this one is as it was.
[[nodiscard]] SaveOutcome SaveResult(Session& session, const std::string& memoText);

// Copies the session's Data.zip to the desktop as "Data.zip" (into a folder of that name when
// there is one), under progress, which may stop it. Errors as SaveResult's.
[[nodiscard]] SaveOutcome SaveData(Session& session, os::ProgressSink& progress);

}  // namespace tavisto::jobs
