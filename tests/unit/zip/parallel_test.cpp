// Entries compressed by workers: the same bytes as on one thread, and what the caller sees
// (events, questions, left-out files) on its own thread in entry order.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "os/dir_listing.h"
#include "os/files.h"
#include "tests/support/peer_archives.h"
#include "tests/unit/zip/zip_test_util.h"
#include "zip/internal/entry_feed.h"
#include "zip/parallel_deflate.h"

namespace tavisto::zip {
namespace {

using testing::ArchiveUnderTest;
using testing::MakeFile;
using Strings = std::vector<std::string>;

// A tree with what changes the work per entry: empty, tiny and multi-chunk files, stored and
// deflated, nested folders.
void MakeWorkTree(const test::TempDir& dir) {
  MakeFile(dir, "data/empty.txt", "");
  for (int i = 0; i < 40; ++i) MakeFile(dir, "data/sub" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".txt",
                                        testing::TextBytes(100 + i * 997, i));
  MakeFile(dir, "data/big.log", testing::TextBytes(1600000, 3));
  MakeFile(dir, "data/sub1/noise.bin", testing::RandomBytes(1100000, 4));
  MakeFile(dir, "data/sub2/deep/stored.dat", testing::TextBytes(2200000, 5));
  MakeFile(dir, "data/zz.txt", "last");
}

TEST(ParallelDeflate, SameBytesWhateverTheNumberOfThreads) {
  test::TempDir dir;
  MakeWorkTree(dir);
  for (const int64_t volume : {int64_t(0), int64_t(300000)}) {
    std::vector<Strings> results;
    // 3 is two threads again, with a second mask that finds every .txt file a second time: the
    // workers that started during the scan are dropped and the commit compresses on its own.
    for (const unsigned threads : {1u, 2u, 5u, 3u}) {
      SCOPED_TRACE("threads " + std::to_string(threads) + ", volume " + std::to_string(volume));
      const std::string name = "t" + std::to_string(threads) + "v" + std::to_string(volume) + ".zip";
      const bool foundTwice = threads == 3;
      ArchiveUnderTest under(dir, name);
      if (volume) under.Split(volume);
      under.archive.SetDeflateThreads(foundTwice ? 2 : threads);
      under.archive.NoCompressionMasks().push_back("*.dat");
      under.archive.OpenArchive(kCreateMode);
      if (foundTwice) under.archive.FileMasks() = {"*.*", "*.TXT"};
      under.archive.AddFiles(foundTwice ? "" : "*.*", kDefaultSearchAttr);
      under.archive.CloseArchive();
      const Strings paths = volume ? testing::SplitVolumePaths(under.path) : Strings{under.path};
      if (volume) {
        EXPECT_GT(paths.size(), 10u);
      }
      results.push_back(testing::MaskedFolderTimes(paths));
      if (threads == 2) test::KeepForPeers(paths, test::PeerHandOff().Label(name).Expect(dir.Path("data")));
    }
    EXPECT_TRUE(results[0] == results[1]) << "two threads against one";
    EXPECT_TRUE(results[0] == results[2]) << "five threads against one";
    EXPECT_TRUE(results[0] == results[3]) << "files found twice, against one thread";
  }
}

// Sources that cannot be opened at the start, in the middle and at the end of a parallel run:
// each is asked about at its turn, events come in entry order, and a retry after the file is back
// packs it.
TEST(ParallelDeflate, FailuresAreAskedInEntryOrder) {
  test::TempDir dir;
  const Strings names{"a.txt", "b.txt", "c.log", "d.txt", "e.txt"};
  for (const std::string& name : names) MakeFile(dir, "data/" + name, testing::TextBytes(700000, name[0]));
  ArchiveUnderTest under(dir);
  under.archive.SetDeflateThreads(2);
  Strings events;
  under.archive.OnFileProgress = [&](TBaseArchiver&, const std::string& file, double, Operation,
                                     ProgressPhase phase, bool&) {
    if (phase != ProgressPhase::Running) events.push_back(file.substr(file.size() - 5) + (phase == ProgressPhase::Begin ? "<" : ">"));
  };
  under.archive.OnProcessFileFailure = [&](TBaseArchiver&, const std::string& file, Operation, int32_t, int32_t,
                                           const std::string&, FailureAction& action) {
    events.push_back(file.substr(file.size() - 5) + "?");
    // The middle one comes back and is retried; the first and last are left out.
    if (file.find("c.log") != std::string::npos) {
      MakeFile(dir, "data/c.log", "back again");
      action = FailureAction::Retry;
    } else {
      action = FailureAction::Skip;
    }
  };
  under.archive.OpenArchive(kCreateMode);
  under.archive.BeginUpdate();
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  for (const char* gone : {"data/a.txt", "data/c.log", "data/e.txt"}) ASSERT_TRUE(os::RemoveFile(dir.Path(gone)));
  under.archive.EndUpdate();
  under.archive.CloseArchive();
  EXPECT_EQ(events, (Strings{"a.txt<", "a.txt?", "b.txt<", "b.txt>", "c.log<", "c.log?", "c.log<", "c.log>",
                             "d.txt<", "d.txt>", "e.txt<", "e.txt?"}));
  EXPECT_EQ(under.archive.LastUpdateOutcome(), UpdateOutcome::Committed);
  ASSERT_EQ(under.archive.LeftOut().size(), 2u);
  EXPECT_EQ(under.archive.LeftOut()[0].path, dir.Path("data/a.txt"));
  EXPECT_EQ(under.archive.LeftOut()[1].path, dir.Path("data/e.txt"));
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(testing::Names(zip), (Strings{"b.txt", "c.log", "d.txt"}));
  EXPECT_EQ(testing::Contents(zip).at("c.log"), "back again");
  test::KeepForPeers({under.path});
}

// A cancel inside a big file while workers read ahead: the update is rolled back, as on one thread.
TEST(ParallelDeflate, CancelInsideABigFileRollsBack) {
  test::TempDir dir;
  MakeFile(dir, "data/a.txt", "small");
  MakeFile(dir, "data/big.log", testing::TextBytes(5000000, 9));
  MakeFile(dir, "data/c.txt", "after");
  ArchiveUnderTest under(dir);
  under.archive.SetDeflateThreads(2);
  int chunks = 0;
  under.archive.OnFileProgress = [&](TBaseArchiver&, const std::string& file, double, Operation, ProgressPhase phase,
                                     bool& cancel) {
    if (phase == ProgressPhase::Running && file.find("big.log") != std::string::npos) cancel = ++chunks == 3;
  };
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  EXPECT_EQ(under.archive.LastUpdateOutcome(), UpdateOutcome::Cancelled);
  EXPECT_EQ(chunks, 3) << "no chunk is handed on after the cancel";
  under.archive.CloseArchive();
  EXPECT_EQ(test::ReadFile(under.path).size(), 22u) << "rolled back to the empty archive";
}

// Archives share nothing while they scan and commit: two of them at once on two threads (the
// ThreadSanitizer build would see a race) each hold their own tree.
TEST(ParallelDeflate, TwoArchivesPackAtOnce) {
  test::TempDir dir;
  MakeWorkTree(dir);
  MakeFile(dir, "other/x.txt", testing::TextBytes(900000, 7));
  ArchiveUnderTest first(dir, "first.zip");
  ArchiveUnderTest second(dir, "second.zip", "other");
  const auto pack = [](ArchiveUnderTest& under) {
    under.archive.SetDeflateThreads(2);
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    under.archive.CloseArchive();
  };
  std::thread other([&] { pack(second); });
  pack(first);
  other.join();
  EXPECT_EQ(testing::Names(testing::ReadSoundArchive(second.path)), Strings{"x.txt"});
  EXPECT_EQ(testing::ReadSoundArchive(first.path).entries.size(), 49u);
}

// An entry's data as the writing thread takes it from a feed: complete, or the failure it raised.
std::string Drained(EntryFeed& feed) {
  struct Collect final : EntryPipeline::Host {
    std::string bytes;
    bool ChunkProgress(uint64_t, uint64_t) override { return true; }
    bool WriteChunk(const unsigned char* data, size_t count) override {
      bytes.append(reinterpret_cast<const char*>(data), count);
      return true;
    }
  } collect;
  const auto opened = feed.Open();
  if (!opened.size) return "not opened";
  const EntryResult result = feed.Drain(*opened.size, collect);
  EXPECT_TRUE(result.complete);
  return collect.bytes;
}

std::vector<DeflateJob> JobsFor(const test::TempDir& dir, const Strings& names) {
  std::vector<DeflateJob> jobs;
  for (const std::string& name : names)
    jobs.push_back(DeflateJob{dir.Path("data/" + name), os::kShareAll, 1, kMethodDeflated, 900000});
  return jobs;
}

// While the writing thread is held up on the first entry, the workers go on past their memory
// budget into a scratch file; every entry still comes out as the calling thread compresses it,
// and the scratch file leaves nothing in its folder.
TEST(ParallelDeflate, ChunksPastTheBudgetWaitInAScratchFile) {
  test::TempDir dir;
  Strings names{"a.txt"};
  MakeFile(dir, "data/a.txt", "first");
  for (int i = 0; i < 8; ++i) {
    names.push_back("r" + std::to_string(i) + ".bin");
    MakeFile(dir, "data/" + names.back(), testing::RandomBytes(900000, 20 + i));
  }
  testing::MakeFolder(dir, "scratch");
  const std::vector<DeflateJob> jobs = JobsFor(dir, names);
  {
    ParallelDeflate pool(jobs, 2, dir.Path("scratch"));
    // The workers have 7 MB to put somewhere and 4 MB of memory.
    for (int wait = 0; wait < 3000 && pool.SpilledBytes() == 0; ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(pool.SpilledBytes(), 0u) << "no chunk went to the scratch file";
    EntryPipeline pipeline;
    for (size_t i = 0; i < jobs.size(); ++i) {
      PooledFeed pooled(pool, i);
      InlineFeed inline_(pipeline, jobs[i]);
      EXPECT_EQ(Drained(pooled), Drained(inline_)) << names[i];
    }
  }
  EXPECT_EQ(testing::FilesIn(dir.Path("scratch")), Strings{});
}

// A worker that fails outside the compression itself (here its source cannot even be opened
// for want of memory) does not end the process: that entry alone fails, with a WorkerError raised
// on the thread that asks for it (which the commit asks about like any file that failed).
TEST(ParallelDeflate, AWorkerFailureIsThatEntrysFailure) {
  test::TempDir dir;
  const Strings names{"a.txt", "b.txt", "c.txt"};
  for (const std::string& name : names) MakeFile(dir, "data/" + name, testing::TextBytes(700000, name[0]));
  const std::vector<DeflateJob> jobs = JobsFor(dir, names);
  ParallelDeflate pool(jobs, 2, {}, [](const DeflateJob& job) -> os::OpenResult {
    if (job.path.find("b.txt") != std::string::npos) throw std::bad_alloc();
    return os::File::Open(job.path, os::Access::Read, job.share, os::Disposition::OpenExisting);
  });
  EntryPipeline pipeline;
  for (size_t i = 0; i < jobs.size(); ++i) {
    PooledFeed pooled(pool, i);
    InlineFeed inline_(pipeline, jobs[i]);
    if (i != 1) {
      EXPECT_EQ(Drained(pooled), Drained(inline_)) << names[i];
      continue;
    }
    try {
      (void)Drained(pooled);
      ADD_FAILURE() << "the failure of b.txt's worker was not raised";
    } catch (const WorkerError& error) {
      EXPECT_STREQ(error.what(), "not enough memory to compress it");
    }
    pool.Leave(i);
  }
  EXPECT_FALSE(pool.Failed()) << "one entry's failure stops no other";
}

}  // namespace
}  // namespace tavisto::zip
