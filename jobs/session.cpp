#include "jobs/session.h"

#include "lookups/known_folders.h"
#include "common/errors.h"

namespace tavisto::jobs {

Session::Session(Face face) : face_(face) {
  if (const std::string temp = TempFolder(); !temp.empty()) delivery::SweepAbandonedJournals(delivery::OwnFolder(temp));
}

Session::~Session() {
  // The archive writers close first: a file they hold open could not be removed.
  for (delivery::ProductSlot& slot : products_) slot.archiver.CloseArchive();
  dataZipWriter_.CloseArchive();
  journal_.reset();
}

std::string Session::TempFolder() { return lookups::GetTempFolder(); }

delivery::FileJournal& Session::Journal() {
  if (!journal_) {
    const std::string temp = TempFolder();
    if (temp.empty()) throw Error("Tavisto cannot tell where the temporary folder is");
    journal_.emplace(delivery::OwnFolder(temp));
  }
  return *journal_;
}

void Session::RecordDataFolders(const std::array<std::optional<std::string>, 5>& dataPaths) {
  for (delivery::ProductSlot& slot : products_)
    if (const auto& path = dataPaths[static_cast<size_t>(slot.product)]) slot.dataPath = *path;
}

void Session::KeepDataZip(const delivery::CollectedData& collected) {
  if (dataZip_ && journal_) journal_->RemoveFolderIfOurs(dataZipFolder_);
  dataZip_ = collected.dataZip;
  dataZipFolder_ = collected.folder;
}

const delivery::OwnedFile& Session::DataZip() const {
  if (!dataZip_ || !dataZip_->Unchanged()) throw Error(kDataZipGone);
  return *dataZip_;
}

}  // namespace tavisto::jobs
