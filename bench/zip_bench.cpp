// Packs a folder tree with the archive component as "Get Data" sets it up (compression mode 1,
// mask "*.*", attribute set 10431; optionally split into volumes), for timing by zip_bench.py.
// With --digest-pairs it times the writer with each file's SHA-256 on and off, in pairs within
// this one process (the order alternating, after one unmeasured run of each), and prints the
// median ratio.
//   [ZIP_BENCH_THREADS=N] [ZIP_BENCH_DIGESTS=1] zip_bench TREE ARCHIVE [VOLUME_SIZE]
//   [ZIP_BENCH_THREADS=N] zip_bench --digest-pairs N TREE OUT_FOLDER [VOLUME_SIZE]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "zip/archiver.h"

namespace {

using namespace tavisto::zip;

struct Packed {
  int entries = 0;
  int failures = 0;
  unsigned digestBits = 0;  // folds every digest in, so none is computed for nothing
};

Packed Pack(const std::string& tree, const std::string& archivePath, long long volume, bool digests) {
  TArchiver archive("ArchivioBench");
  // ZIP_BENCH_THREADS=1 times the one-thread path.
  if (const char* threads = std::getenv("ZIP_BENCH_THREADS")) archive.SetDeflateThreads(unsigned(std::atoi(threads)));
  archive.SetFileName(archivePath);
  archive.SetBaseDir(tree);
  if (volume > 0) {
    archive.SpanningOptions().SetVolumeSize(vsCustom);
    archive.SpanningOptions().SetCustomVolumeSize(volume);
    archive.SpanningOptions().SetFirstVolumeSize(volume);
    archive.SetSpanningMode(smSplitting);
  }
  Packed packed;
  archive.OnProcessFileFailure = [&packed](TBaseArchiver&, const std::string&, Operation, int32_t, int32_t,
                                           const std::string& message, FailureAction& action) {
    std::fprintf(stderr, "%s\n", message.c_str());
    ++packed.failures;
    action = FailureAction::Abort;
  };
  archive.SetDigests(digests);
  if (digests) {
    archive.OnEntryWritten = [&packed](TBaseArchiver&, const TArcWrittenEntry& entry) {
      if (entry.sha256) packed.digestBits ^= (*entry.sha256)[0];
    };
  }
  archive.OpenArchive(kCreateMode);
  archive.AddFiles("*.*", kDefaultSearchAttr);
  packed.entries = archive.EntryCount();
  archive.CloseArchive();
  return packed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One timed run into an emptied folder.
double TimedRun(const std::string& tree, const std::filesystem::path& out, long long volume, bool digests) {
  std::filesystem::remove_all(out);
  std::filesystem::create_directories(out);
  const auto start = std::chrono::steady_clock::now();
  const Packed packed = Pack(tree, (out / "Data.zip").string(), volume, digests);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (packed.failures) throw std::runtime_error("a file failed");
  return seconds;
}

int DigestPairs(int pairs, const std::string& tree, const std::string& outFolder, long long volume) {
  const std::filesystem::path out(outFolder);
  TimedRun(tree, out / "off", volume, false);  // warm the page cache and the allocator
  TimedRun(tree, out / "on", volume, true);
  std::vector<double> off, on, ratios;
  for (int i = 0; i < pairs; ++i) {
    const bool onFirst = i % 2 == 1;
    double withOut = 0, with = 0;
    if (onFirst) with = TimedRun(tree, out / "on", volume, true);
    withOut = TimedRun(tree, out / "off", volume, false);
    if (!onFirst) with = TimedRun(tree, out / "on", volume, true);
    off.push_back(withOut);
    on.push_back(with);
    ratios.push_back(with / withOut);
    std::printf("pair %d: digests off %.3f s, on %.3f s, ratio %.3f\n", i + 1, withOut, with, with / withOut);
    std::fflush(stdout);
  }
  std::printf("medians: digests off %.3f s, on %.3f s; median of the pair ratios %.3f\n", Median(off), Median(on),
              Median(ratios));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc >= 2 && std::strcmp(argv[1], "--digest-pairs") == 0) {
      if (argc < 5 || argc > 6) {
        std::fprintf(stderr, "usage: zip_bench --digest-pairs N TREE OUT_FOLDER [VOLUME_SIZE]\n");
        return 2;
      }
      return DigestPairs(std::atoi(argv[2]), argv[3], argv[4], argc == 6 ? std::atoll(argv[5]) : 0);
    }
    if (argc < 3 || argc > 4) {
      std::fprintf(stderr, "usage: zip_bench TREE ARCHIVE [VOLUME_SIZE]\n");
      return 2;
    }
    // ZIP_BENCH_DIGESTS=1: each file's SHA-256 computed as well (the archive is the same).
    const char* digests = std::getenv("ZIP_BENCH_DIGESTS");
    const Packed packed = Pack(argv[1], argv[2], argc == 4 ? std::atoll(argv[3]) : 0, digests && *digests == '1');
    std::printf("%d entries\n", packed.entries);
    return packed.failures ? 1 : 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
