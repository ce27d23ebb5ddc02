// Packs a folder tree with the archive component as "Get Data" sets it up (compression mode 1,
// mask "*.*", attribute set 10431; optionally split into volumes), for timing by zip_bench.py.
//   [ZIP_BENCH_THREADS=N] zip_bench TREE ARCHIVE [VOLUME_SIZE]
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "zip/archiver.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: zip_bench TREE ARCHIVE [VOLUME_SIZE]\n");
    return 2;
  }
  using namespace tavisto::zip;
  try {
    TArchiver archive("ArchivioBench");
    // ZIP_BENCH_THREADS=1 times the one-thread path.
    if (const char* threads = std::getenv("ZIP_BENCH_THREADS")) archive.SetDeflateThreads(unsigned(std::atoi(threads)));
    archive.SetFileName(argv[2]);
    archive.SetBaseDir(argv[1]);
    if (argc == 4) {
      const long long volume = std::atoll(argv[3]);
      archive.SpanningOptions().SetVolumeSize(vsCustom);
      archive.SpanningOptions().SetCustomVolumeSize(volume);
      archive.SpanningOptions().SetFirstVolumeSize(volume);
      archive.SetSpanningMode(smSplitting);
    }
    int failures = 0;
    archive.OnProcessFileFailure = [&failures](TBaseArchiver&, const std::string&, Operation, int32_t, int32_t,
                                               const std::string& message, FailureAction& action) {
      std::fprintf(stderr, "%s\n", message.c_str());
      ++failures;
      action = FailureAction::Abort;
    };
    archive.OpenArchive(kCreateMode);
    archive.AddFiles("*.*", kDefaultSearchAttr);
    const int entries = archive.EntryCount();
    archive.CloseArchive();
    std::printf("%d entries\n", entries);
    return failures ? 1 : 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
