// What one face of the program (a window, an unattended run) keeps from one job to the next:
// the journal of every file it writes in the program's own folder (and beside the files the user
// names), the five products with their archive writers and the data folders Get Data recorded
// for them, the Data.zip its last Get Data built, and what its saves last put on the desktop. What windows that were killed left behind is swept as a session starts; what
// the session made goes when it ends.
//   jobs::Session session(jobs::Face::Window);
//   GetDataJob(session, asker, facts) ...; session.DataZip().path
#pragma once

#include <array>
#include <optional>
#include <string>

#include "delivery/get_data.h"
#include "delivery/own_files.h"
#include "delivery/product_table.h"
#include "zip/archiver.h"

namespace tavisto::jobs {

// What is said when the Data.zip a session built is gone or changed since.
inline constexpr char kDataZipGone[] = "Data.zip of this window is no longer there: run Get Data again";

// Which face a session serves: what another run is told holds the Get Data lock.
enum class Face { Window, CommandLine };

class Session {
 public:
  explicit Session(Face face);
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  // The files the session made go while they are still those files; nothing else is touched.
  ~Session();

  // The temporary folder, looked up afresh (ending in a backslash; "" when the system cannot say).
  [[nodiscard]] static std::string TempFolder();
  // The journal, begun at the first file the session writes: an Error when there is no
  // temporary folder to keep it in.
  [[nodiscard]] delivery::FileJournal& Journal();

  [[nodiscard]] delivery::ProductTable& Products() { return products_; }
  // The writer of Data.zip ("ArchivioTotale").
  [[nodiscard]] zip::TArchiver& DataZipWriter() { return dataZipWriter_; }

  // The data folders of the products a Get Data packs (or would pack), as it read them: what the
  // report's CS.log sections read. A product left out keeps what an earlier run recorded.
  void RecordDataFolders(const std::array<std::optional<std::string>, 5>& dataPaths);
  [[nodiscard]] std::array<std::string, 5> DataFolders() const { return products_.DataPaths(); }

  // The Data.zip a Get Data just built; the one before it goes, with its folder.
  void KeepDataZip(const delivery::CollectedData& collected);
  // That Data.zip while it is still as it was built; otherwise an Error saying so (kDataZipGone).
  [[nodiscard]] const delivery::OwnedFile& DataZip() const;

  [[nodiscard]] Face Serves() const { return face_; }

  // What Save Result and Save Data last wrote, which a later save may replace.
  std::optional<delivery::OwnedFile> savedResult, savedData;

 private:
  const Face face_;
  std::optional<delivery::FileJournal> journal_;
  delivery::ProductTable products_;
  zip::TArchiver dataZipWriter_{"ArchivioTotale"};
  std::optional<delivery::OwnedFile> dataZip_;
  std::string dataZipFolder_;
};

}  // namespace tavisto::jobs
