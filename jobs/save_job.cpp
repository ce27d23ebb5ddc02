#include "jobs/save_job.h"

#include "common/path_parts.h"
#include "delivery/desktop_save.h"
#include "delivery/desktop_target.h"
#include "lookups/known_folders.h"
#include "os/files.h"

namespace tavisto::jobs {
namespace {

// The desktop the saves write into, looked up as they save: an Error naming the folder the
// system gave and what to do when it cannot be found, so that nothing is written elsewhere.
std::string DesktopForSaving(const std::string& save, const std::string& mail) {
  const lookups::FoundFolder desktop = lookups::FindDesktopFolder();
  if (!desktop.problem.empty())
    throw Error(save + " could not find your desktop folder (" + desktop.problem +
                "). Make that folder available again, then save once more, or use " + mail);
  return desktop.path;
}

std::string EarlierKept(const std::string& name) { return "The " + name + " saved on your desktop before is as it was."; }

// Writes through write into the target for wanted and keeps it: the outcome, or an Error that
// also says the earlier save it was to replace is as it was.
template <typename Write>
SaveOutcome Save(Session& session, const std::string& wanted, std::optional<delivery::OwnedFile>& saved, Write write) {
  // The journal records the new file written beside an earlier save; a first save needs none (nor
  // a temporary folder).
  delivery::SaveTarget target = delivery::SaveTarget::Open(wanted, saved, saved ? &session.Journal() : nullptr);
  try {
    write(target);
    saved = target.Keep();
  } catch (const os::Cancelled&) {
    return SaveOutcome{false, target.ReplacesEarlier() ? EarlierKept(NameOf(wanted)) : std::string()};
  } catch (const FileReplaceError&) {
    throw;  // says itself that the file it was to replace is as it was
  } catch (const std::exception& error) {
    if (!target.ReplacesEarlier()) throw;
    std::string text = error.what();
    if (!text.empty() && text.back() == '.') text.pop_back();
    throw Error(text + ". " + EarlierKept(NameOf(wanted)));
  }
  return SaveOutcome{true, delivery::SavedMessage(wanted, saved->path)};
}

}  // namespace

SaveOutcome SaveResult(Session& session, const std::string& memoText) {
  const std::string wanted = DesktopForSaving("Save Result", "Send result by email") + "\\Analysis Result.txt";
  return Save(session, wanted, session.savedResult, [&memoText](delivery::SaveTarget& target) {
    delivery::WriteMemoText(memoText, target.File(), target.Path());
  });
}

SaveOutcome SaveData(Session& session, os::ProgressSink& progress) {
  const std::string source = session.DataZip().path;
  // A folder named Data.zip on the desktop takes the copy inside it.
  std::string wanted = DesktopForSaving("Save Data", "Send data by email") + "\\Data.zip";
  if (os::DirectoryExists(wanted)) wanted += "\\Data.zip";
  progress.BeginStage("Copying Data.zip to your desktop");
  return Save(session, wanted, session.savedData, [&](delivery::SaveTarget& target) {
    delivery::CopyFileInto(source, target.File(), target.Path(), &progress);
  });
}

}  // namespace tavisto::jobs
