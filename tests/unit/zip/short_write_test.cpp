// A disk that fills up under the writer, made real on POSIX by a limit on the size of the files
// the process writes (the system then writes short, as on a full disk).
#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "common/errors.h"
#include "tests/unit/zip/zip_test_util.h"
#include "zip/archive_stream.h"

namespace tavisto::zip {
namespace {

// Files this process writes stop growing at limit bytes while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &before_);
    previous_ = signal(SIGXFSZ, SIG_IGN);  // a short write, not the end of the process
    rlimit now = before_;
    now.rlim_cur = limit;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &now), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &before_);
    signal(SIGXFSZ, previous_);
  }

 private:
  rlimit before_{};
  sighandler_t previous_;
};

// What FileStream still buffers when it is closed belongs to the file: bytes the disk did not
// take make the close fail, naming the file and the room, never leave the file quietly short.
TEST(FileStream, AShortWriteAtCloseIsAnError) {
  test::TempDir dir;
  const std::string path = dir.Path("ZorvelData.Z01");
  const std::string bytes(150000, 'x');  // small enough to wait in the buffer until the close
  auto stream = FileStream::Create(path);
  {
    FileSizeLimit limit(100000);
    EXPECT_EQ(stream->Write(bytes.data(), bytes.size()), bytes.size());
    try {
      stream->Close();
      ADD_FAILURE() << "closed without a word";
    } catch (const StreamWriteError& error) {
      EXPECT_NE(std::string(error.what()).find("(" + path + ": not enough space on the disk in "), std::string::npos)
          << error.what();
      EXPECT_NE(std::string(error.what()).find(": 50000 bytes to write, "), std::string::npos) << error.what();
    }
  }
  EXPECT_EQ(test::ReadFile(path).size(), 100000u);
}

}  // namespace
}  // namespace tavisto::zip
