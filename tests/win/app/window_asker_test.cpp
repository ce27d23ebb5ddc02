// The question the window puts about a file another program holds, for Get Data's archive
// writers: a real message box of the program, with the writer's words and the Abort, Retry and
// Ignore buttons.
#include "app/window_asker.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "os/dialogs.h"
#include "os/files.h"
#include "tests/support/peer_archives.h"
#include "tests/support/win/dialog_answerer.h"
#include "tests/unit/zip/zip_test_util.h"

namespace tavisto::app {
namespace {

using zip::testing::ArchiveUnderTest;
using zip::testing::MakeFile;
using Strings = std::vector<std::string>;

TEST(WindowAsker, AHeldFileIsAskedAboutInAMessageBox) {
  test::TempDir dir;
  MakeFile(dir, "data/a.txt", "first");
  MakeFile(dir, "data/locked.db", "held by its program");
  MakeFile(dir, "data/z.txt", "last");
  const test::ScopedDesktop desktop("tavisto-question-tests");
  ASSERT_TRUE(desktop.IsValid());
  auto lock = os::File::Open(dir.Path("data/locked.db"), os::Access::ReadWrite, os::kShareNone,
                             os::Disposition::OpenExisting);
  ASSERT_TRUE(lock);
  for (const int button : {IDIGNORE, IDABORT}) {
    ArchiveUnderTest under(dir, button == IDIGNORE ? "ignored.zip" : "aborted.zip");
    WindowAsker asker(nullptr);
    // The writer's question goes to the asker, as Get Data's watch routes it.
    under.archive.OnProcessFileFailure = [&asker](zip::TBaseArchiver& sender, const std::string& file, zip::Operation,
                                                  int32_t code, int32_t, const std::string& message,
                                                  zip::FailureAction& action) {
      action = asker.AnswerFileProblem(delivery::FileProblem{file, code, sender.FailureSystemError(), message});
    };
    test::DialogAnswerer answerer(os::ApplicationTitle(), button);
    under.archive.OpenArchive(zip::kCreateMode);
    EXPECT_NO_THROW(under.archive.AddFiles("*.*", zip::kDefaultSearchAttr));
    answerer.Wait();
    ASSERT_TRUE(answerer.Answered()) << "no message box appeared";
    EXPECT_EQ(answerer.Text(), "ArchivioTest: Cannot open file \"" + dir.Path("data/locked.db") +
                                   "\" - Native error: 00033. File processing error, possibly disk is full");
    EXPECT_EQ(answerer.Buttons(), (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
    under.archive.CloseArchive();
    if (button == IDIGNORE) {
      EXPECT_EQ(zip::testing::Names(zip::testing::ReadSoundArchive(under.path)), (Strings{"a.txt", "z.txt"}));
    } else {
      EXPECT_EQ(test::ReadFile(under.path), std::string("PK\x05\x06", 4) + std::string(18, '\0'))
          << "as before AddFiles: empty";
    }
    test::KeepForPeers({under.path}, test::PeerHandOff().Label(button == IDIGNORE ? "ignore" : "abort"));
  }
}

}  // namespace
}  // namespace tavisto::app
