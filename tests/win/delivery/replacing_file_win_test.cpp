// What only Windows enforces: a file another program holds open is not replaced under it; the
// new file goes, and the held file stays as it was.
#include <gtest/gtest.h>

#include "delivery/replacing_file.h"
#include "common/errors.h"
#include "os/files.h"
#include "tests/support/temp_dir.h"

namespace tavisto::delivery {
namespace {

TEST(ReplacingFile, LeavesAFileThatAnotherProgramHoldsAsItWas) {
  test::TempDir dir;
  const std::string data = dir.Path("Data.zip");
  test::WriteFile(data, "the old archive");
  {
    // Held as a viewer holds what it shows: others may read it, no more.
    auto held = os::File::Open(data, os::Access::Read, os::kShareRead, os::Disposition::OpenExisting);
    ASSERT_TRUE(held) << held.Error();
    ReplacingFile out = ReplacingFile::Open(data);
    ASSERT_EQ(out.File().Write("PK", 2).value_or(0), 2u);
    // Known before any file of a run takes its place.
    EXPECT_THROW(out.CheckReplaceable(), FileReplaceError);
    try {
      out.Commit();
      ADD_FAILURE() << "replaced while held";
    } catch (const FileReplaceError& error) {
      const std::string text = error.what();
      EXPECT_EQ(text.rfind("The new file could not take the place of " + data + " (", 0), 0u) << text;
    }
    EXPECT_FALSE(os::FileExists(out.NewPath()));
  }
  EXPECT_EQ(test::ReadFile(data), "the old archive");
  // Let go, it is replaced.
  ReplacingFile out = ReplacingFile::Open(data);
  ASSERT_EQ(out.File().Write("PK", 2).value_or(0), 2u);
  out.CheckReplaceable();
  out.Commit();
  EXPECT_EQ(test::ReadFile(data), "PK");
}

}  // namespace
}  // namespace tavisto::delivery
