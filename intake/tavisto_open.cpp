// tavisto-open DATAZIP FOLDER: opens a received Data.zip into FOLDER (new or empty), checks every
// file against its manifest and writes FOLDER/Verification.txt; one line a step on the standard
// output, and the exit code says how it went (0 as packed, 1 problems, 2 usage, 3 nothing opened).
#include <cstdio>
#include <string>

#include "intake/open_data_zip.h"

namespace {

class StandardOutput final : public tavisto::report::LineSink {
 public:
  void Add(const std::string& line) override {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "Usage: tavisto-open DATAZIP FOLDER\n"
                 "Opens a Data.zip that Tavisto's Get Data made into FOLDER (which must not exist, or be empty),\n"
                 "checks every file against its manifest and writes FOLDER/Verification.txt.\n"
                 "Exit codes: 0 every file as packed, 1 opened with problems (or no manifest),\n"
                 "2 the command line is wrong, 3 nothing opened.\n");
    return tavisto::intake::kExitUsage;
  }
  StandardOutput out;
  tavisto::os::NoProgress progress;
  return tavisto::intake::OpenDataZip({argv[1], argv[2]}, out, progress).exitCode;
}
