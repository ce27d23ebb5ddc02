// The data of entries: chunking, the raw deflate stream, CRC-32, stored entries, and files that
// change while they are read.
#include "zip/entry_pipeline.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "os/files.h"
#include "tests/support/peer_archives.h"
#include "tests/unit/zip/zip_test_util.h"

namespace tavisto::zip {
namespace {

using testing::ArchiveUnderTest;
using testing::MakeFile;

// zlib level 1 with the zlib wrapper, in one call per chunk as given, header and trailer cut:
// what a reader must find, computed apart from the writer's pipeline.
std::string ReferenceDeflate(const std::vector<std::string>& chunks) {
  z_stream s{};
  EXPECT_EQ(deflateInit2(&s, 1, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out;
  for (size_t i = 0; i < chunks.size(); ++i) {
    std::string buffer(chunks[i].size() * 2 + 1024, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunks[i].data()));
    s.avail_in = static_cast<uInt>(chunks[i].size());
    s.next_out = reinterpret_cast<Bytef*>(buffer.data());
    s.avail_out = static_cast<uInt>(buffer.size());
    deflate(&s, i + 1 == chunks.size() ? Z_FINISH : Z_SYNC_FLUSH);
    out.append(buffer.data(), buffer.size() - s.avail_out);
  }
  deflateEnd(&s);
  return out.substr(2, out.size() - 6);
}

test::ZipImage ArchiveOneFile(const test::TempDir& dir, const std::string& content,
                              const std::function<void(TArchiver&)>& configure = {},
                              const std::string& label = {}) {
  MakeFile(dir, "data/f.bin", content);
  ArchiveUnderTest under(dir);
  if (configure) configure(under.archive);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  test::KeepForPeers({under.path}, test::PeerHandOff().Label(label));
  return testing::ReadSoundArchive(under.path);
}

TEST(EntryPipeline, ChunkSizesFollowTheCompressionMode) {
  EXPECT_EQ(ChunkSize(0), 1048576u);
  for (uint8_t mode : {1, 2, 3}) EXPECT_EQ(ChunkSize(mode), 524288u);
  for (uint8_t mode : {4, 5, 6}) EXPECT_EQ(ChunkSize(mode), 1048576u);
  for (uint8_t mode : {7, 8, 9}) EXPECT_EQ(ChunkSize(mode), 1572864u);
}

TEST(EntryPipeline, Crc32MatchesTheBitwiseReference) {
  EXPECT_EQ(Crc32(0, "", 0), 0u);
  EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);  // the CRC-32 check value
  const std::string data = testing::RandomBytes(100000);
  const uint32_t inTwo = Crc32(Crc32(0, data.data(), 40000), data.data() + 40000, 60000);
  EXPECT_EQ(inTwo, test::ReferenceCrc32(data));
}

TEST(EntryPipeline, OneChunkIsOneFinishedRawDeflateStream) {
  test::TempDir dir;
  const std::string content = testing::TextBytes(524288);
  test::ZipImage zip = ArchiveOneFile(dir, content);
  ASSERT_EQ(zip.entries.size(), 1u);
  const auto& c = zip.entries[0].central;
  EXPECT_EQ(c.method, 8);
  EXPECT_EQ(c.uncompressedSize, 524288u);
  EXPECT_EQ(c.crc, test::ReferenceCrc32(content));
  EXPECT_LT(c.compressedSize, 524288u / 2);
  EXPECT_EQ(test::RawEntryData(zip, 0), ReferenceDeflate({content}));
}

TEST(EntryPipeline, ChunksAreJoinedBySyncFlushEmptyStoredBlocks) {
  test::TempDir dir;
  const std::string content = testing::TextBytes(524289);
  test::ZipImage zip = ArchiveOneFile(dir, content);
  ASSERT_EQ(zip.entries.size(), 1u);
  const std::string raw = test::RawEntryData(zip, 0);
  const std::string first = ReferenceDeflate({content.substr(0, 524288), content.substr(524288)});
  EXPECT_EQ(raw, first);
  // The first chunk's output, alone, is a prefix ending in the empty stored block 00 00 FF FF.
  const std::string firstChunk = ReferenceDeflate({content.substr(0, 524288), ""});
  const size_t boundary = raw.find(std::string("\x00\x00\xFF\xFF", 4));
  ASSERT_NE(boundary, std::string::npos);
  EXPECT_EQ(raw.substr(0, boundary + 4), firstChunk.substr(0, boundary + 4));
  EXPECT_EQ(testing::Contents(zip).at("f.bin"), content);
}

TEST(EntryPipeline, IncompressibleDataIsStillDeflated) {
  test::TempDir dir;
  const std::string content = testing::RandomBytes(300000);
  test::ZipImage zip = ArchiveOneFile(dir, content);
  ASSERT_EQ(zip.entries.size(), 1u);
  EXPECT_EQ(zip.entries[0].central.method, 8);
  EXPECT_GT(zip.entries[0].central.compressedSize, 300000u);
  EXPECT_EQ(testing::Contents(zip).at("f.bin"), content);
}

TEST(EntryPipeline, StoredModesCopyTheBytes) {
  const std::string content = testing::TextBytes(1500000);
  {
    test::TempDir dir;
    test::ZipImage zip = ArchiveOneFile(dir, content, [](TArchiver& a) { a.SetCompressionMode(0); }, "stored");
    EXPECT_EQ(zip.entries[0].central.method, 0);
    EXPECT_EQ(zip.entries[0].central.compressedSize, 1500000u);
    EXPECT_EQ(test::RawEntryData(zip, 0), content);
  }
  {
    // Other modes deflate at their zlib level; the data reads back the same.
    test::TempDir dir;
    test::ZipImage zip = ArchiveOneFile(dir, content, [](TArchiver& a) { a.SetCompressionLevel(clMax); }, "max");
    EXPECT_EQ(zip.entries[0].central.method, 8);
    EXPECT_EQ(testing::Contents(zip).at("f.bin"), content);
  }
}

TEST(EntryPipeline, ManyEntriesShareOneResetStream) {
  // Small and large entries in turn: each must be a stream of its own.
  test::TempDir dir;
  std::map<std::string, std::string> files;
  for (int i = 0; i < 12; ++i) {
    const std::string name = "f" + std::to_string(10 + i) + ".txt";
    files[name] = i % 3 == 0 ? testing::TextBytes(600000 + i, i) : testing::TextBytes(50 + i * 7, i);
    MakeFile(dir, "data/" + name, files[name]);
  }
  MakeFile(dir, "data/f99.txt", "");
  files["f99.txt"] = "";
  ArchiveUnderTest under(dir);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(testing::Contents(zip), files);
  test::KeepForPeers({under.path});
}

// A file still being written to (a log) while it is read.
TEST(EntryPipeline, GrowthWhileReadingIsTakenUntilTheLastChunk) {
  test::TempDir dir;
  const std::string start = testing::TextBytes(600000);
  MakeFile(dir, "data/app.log", start);
  ArchiveUnderTest under(dir);
  under.archive.SetDeflateThreads(1);  // reads in step with the events
  int chunk = 0;
  under.archive.OnFileProgress = [&](TBaseArchiver&, const std::string&, double, Operation, ProgressPhase phase,
                                     bool&) {
    if (phase != ProgressPhase::Running) return;
    // Before the first chunk: grows, and the growth is read. Before the last chunk (after its
    // size was taken): grows again, and that part is left for next time.
    if (++chunk <= 2) {
      auto file = os::File::Open(dir.Path("data/app.log"), os::Access::Write, os::kShareAll,
                                 os::Disposition::OpenExisting);
      ASSERT_TRUE(file && file->SeekToEnd());
      ASSERT_EQ(file->Write("appended line\r\n", 15), 15u);
    }
  };
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  EXPECT_TRUE(under.failures.empty());
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  ASSERT_EQ(zip.entries.size(), 1u);
  EXPECT_EQ(testing::Contents(zip).at("app.log"), start + "appended line\r\n");
  EXPECT_EQ(zip.entries[0].central.uncompressedSize, 600015u);
  test::KeepForPeers({under.path});
}

// A file cut short while it is read (a log its program rotates). On one thread reads follow the
// events, so the cut lands before the second chunk; with workers reading ahead it may land
// anywhere, and the file is then taken as it was. Cut while it is read, it is asked about like
// a file that cannot be opened, with its name and the cause: Retry reads it again from its start
// (here, restored), Ignore leaves it out and names it. Never a failed update, never a corrupt
// archive, and progress counts the retried file once.
TEST(EntryPipeline, AFileCutShortWhileReadIsAskedAbout) {
  for (const unsigned threads : {1u, 2u}) {
    for (uint8_t mode : {0, 1}) {
      for (const FailureAction answer : {FailureAction::Retry, FailureAction::Skip}) {
        const std::string label = "m" + std::to_string(mode) + "t" + std::to_string(threads) +
                                  (answer == FailureAction::Retry ? "retry" : "skip");
        SCOPED_TRACE(label);
        test::TempDir dir;
        const std::string log = testing::TextBytes(1200000);
        MakeFile(dir, "data/a.txt", "kept");
        MakeFile(dir, "data/b.log", log);
        ArchiveUnderTest under(dir);
        under.archive.SetDeflateThreads(threads);
        under.archive.SetCompressionMode(mode);
        int chunk = 0;
        under.archive.OnFileProgress = [&](TBaseArchiver&, const std::string& name, double, Operation,
                                           ProgressPhase phase, bool&) {
          // Cut the log to 100 bytes before its second chunk is handed on (its size already taken).
          if (phase == ProgressPhase::Running && name.find("b.log") != std::string::npos && ++chunk == 2) {
            auto file = os::File::Open(dir.Path("data/b.log"), os::Access::Write, os::kShareAll,
                                       os::Disposition::OpenExisting);
            ASSERT_TRUE(file && file->Seek(100) && file->Truncate());
          }
        };
        std::vector<double> progress;
        under.archive.OnOverallProgress = [&](TBaseArchiver&, double percent, Operation, ProgressPhase, bool&) {
          progress.push_back(percent);
        };
        under.archive.OnProcessFileFailure = [&](TBaseArchiver&, const std::string& name, Operation, int32_t code,
                                                 int32_t, const std::string& message, FailureAction& action) {
          under.failures.push_back(message);
          EXPECT_EQ(name, dir.Path("data/b.log"));
          EXPECT_EQ(code, kErrorSizeMismatch);
          if (answer == FailureAction::Retry) MakeFile(dir, "data/b.log", log);
          action = answer;
        };
        under.archive.OpenArchive(kCreateMode);
        under.archive.AddFiles("*.*", kDefaultSearchAttr);
        under.archive.CloseArchive();
        EXPECT_EQ(under.archive.LastUpdateOutcome(), UpdateOutcome::Committed);
        // A retry reads the file again from its start, but its failed try is not counted on top.
        EXPECT_LE(*std::max_element(progress.begin(), progress.end()), 100.0);
        test::ZipImage zip = testing::ReadSoundArchive(under.path);
        const auto contents = testing::Contents(zip);
        if (threads == 1) {
          EXPECT_EQ(under.failures.size(), 1u);
        }
        if (under.failures.empty() || answer == FailureAction::Retry) {
          // Read whole before the cut, or read again whole.
          EXPECT_EQ(contents.at("b.log"), log);
        } else {
          EXPECT_EQ(testing::Names(zip), std::vector<std::string>{"a.txt"});
          ASSERT_EQ(under.archive.LeftOut().size(), 1u);
          EXPECT_EQ(under.archive.LeftOut()[0].path, dir.Path("data/b.log"));
        }
        for (const std::string& failure : under.failures) {
          EXPECT_NE(failure.find("Invalid compressed size, rfs.size = "), std::string::npos) << failure;
          EXPECT_NE(failure.find("- Native error: 00034 (" + dir.Path("data/b.log") +
                                 ": the file changed while it was read)"),
                    std::string::npos)
              << failure;
        }
        test::KeepForPeers({under.path}, test::PeerHandOff().Label(label));
      }
    }
  }
}

}  // namespace
}  // namespace tavisto::zip
