// What AddFiles takes from a folder tree, seen in the archive it writes.
#include <gtest/gtest.h>

#include <map>

#include "os/os_error.h"
#include "tests/support/folder_link.h"

#include "os/files.h"
#include "tests/support/peer_archives.h"
#include "tests/unit/zip/zip_test_util.h"

namespace tavisto::zip {
namespace {

using testing::ArchiveUnderTest;
using testing::MakeFile;
using testing::MakeFolder;
using testing::Names;
using Strings = std::vector<std::string>;

// A product's data folder in small: hidden and read-only files, an empty file, empty and hidden
// folders, a folder without an extension, nested folders.
void MakeTree(const test::TempDir& dir) {
  MakeFile(dir, "data/b.txt", "bee");
  MakeFile(dir, "data/A.txt", "aye");
  MakeFile(dir, "data/.hidden.txt", "secret");
  ASSERT_TRUE(os::ChangeAttributes(dir.Path("data/.hidden.txt"), os::kAttrHidden | os::kAttrArchive));
  MakeFile(dir, "data/ro.txt", "read only");
  ASSERT_TRUE(os::ChangeAttributes(dir.Path("data/ro.txt"), os::kAttrReadOnly | os::kAttrArchive));
  MakeFile(dir, "data/empty.bin", "");
  MakeFile(dir, "data/Sub/x.zip", "zip-ish");
  MakeFile(dir, "data/Sub/y.txt", "why");
  MakeFile(dir, "data/Sub/Deep/z.txt", "zed");
  MakeFolder(dir, "data/EmptyDir");
  MakeFile(dir, "data/.hiddendir/h.txt", "in a hidden folder");
  ASSERT_TRUE(os::ChangeAttributes(dir.Path("data/.hiddendir"), os::kAttrDirectory | os::kAttrHidden));
  MakeFolder(dir, "data/NoExt");
}

TEST(Scan, WholeTreeFilesFirstThenEachFolderAndItsContent) {
  test::TempDir dir;
  MakeTree(dir);
  test::CopyTree(dir.Path("data"), dir.Path("expected"));
  // The archive lies inside the folder it packs: it must not take itself.
  ArchiveUnderTest under(dir, "../data/self.zip");
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();

  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(Names(zip), (Strings{".hidden.txt", "A.txt", "b.txt", "empty.bin", "ro.txt", ".hiddendir/",
                                 ".hiddendir/h.txt", "EmptyDir/", "NoExt/", "Sub/", "Sub/x.zip", "Sub/y.txt",
                                 "Sub/Deep/", "Sub/Deep/z.txt"}));
  const auto contents = testing::Contents(zip);
  EXPECT_EQ(contents.at("Sub/Deep/z.txt"), "zed");
  EXPECT_EQ(contents.at(".hidden.txt"), "secret");
  for (const auto& entry : zip.entries) {
    const auto& c = entry.central;
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.versionNeeded, 20);
    if (c.name.back() == '/') {
      EXPECT_EQ(c.method, 0);
      EXPECT_EQ(c.flags, 2);
      EXPECT_EQ(c.crc, 0u);
      EXPECT_EQ(c.compressedSize, 0u);
      EXPECT_TRUE(c.externalAttributes & os::kAttrDirectory);
    } else if (c.uncompressedSize == 0) {
      EXPECT_EQ(c.method, 0) << "an empty file is stored";
      EXPECT_EQ(c.crc, 0u);
      EXPECT_EQ(c.flags, 0);
    } else {
      EXPECT_EQ(c.method, 8);
      EXPECT_EQ(c.flags, 0);
      const os::DosDateTime dos = testing::DosOf(testing::kFixedTime);
      EXPECT_EQ(c.time, dos.time);
      EXPECT_EQ(c.date, dos.date);
    }
  }
  EXPECT_EQ(zip.entries[0].central.externalAttributes, uint32_t(os::kAttrHidden | os::kAttrArchive));
  EXPECT_EQ(zip.entries[4].central.externalAttributes, uint32_t(os::kAttrReadOnly | os::kAttrArchive));
  EXPECT_TRUE(zip.entries[5].central.externalAttributes & os::kAttrHidden);
  test::KeepForPeers({under.path}, test::PeerHandOff().Expect(dir.Path("expected")));
}

TEST(Scan, AttributeSetsDecideWhatIsListed) {
  test::TempDir dir;
  MakeTree(dir);
  {
    // Archive bit only: hidden files and all folders stay out, and without Recurse nothing below.
    ArchiveUnderTest under(dir, "plain.zip");
    under.archive.Options().Recurse = false;
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", os::kAttrArchive);
    under.archive.CloseArchive();
    EXPECT_EQ(Names(testing::ReadSoundArchive(under.path)), (Strings{"A.txt", "b.txt", "empty.bin", "ro.txt"}));
    test::KeepForPeers({under.path}, test::PeerHandOff().Label("archive-bit"));
  }
  {
    // Without Recurse, folders asked for are still entered once their entry is taken.
    ArchiveUnderTest under(dir, "norecurse.zip");
    under.archive.Options().Recurse = false;
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    under.archive.CloseArchive();
    const Strings names = Names(testing::ReadSoundArchive(under.path));
    EXPECT_EQ(names.size(), 14u);
    EXPECT_NE(std::find(names.begin(), names.end(), "Sub/Deep/z.txt"), names.end());
    test::KeepForPeers({under.path}, test::PeerHandOff().Label("no-recurse"));
  }
}

TEST(Scan, MaskForVolumesTakesMatchingFilesInEveryFolderWithoutTheirFolders) {
  test::TempDir dir;
  MakeFile(dir, "base/QrxData.zip", "last volume");
  MakeFile(dir, "base/QrxData.Z01", "first volume");
  MakeFile(dir, "base/notes.txt", "not a volume");
  MakeFile(dir, "base/Sub/x.zip", "help archive");
  MakeFile(dir, "base/Sub/y.txt", "no");
  MakeFile(dir, "base/my.zfolder/inner.zip", "in a folder whose name matches");
  MakeFile(dir, "base/my.zfolder/inner.txt", "does not match");
  ArchiveUnderTest under(dir, "Data.zip", "base");
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.z*", kDefaultSearchAttr);
  EXPECT_EQ(under.archive.EntryCount(), 5);
  under.archive.AddFiles("*.Z*", kDefaultSearchAttr);  // finds the same files again: replaces them
  const int64_t size = under.archive.GetArchiveSize();
  under.archive.CloseArchive();

  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(Names(zip), (Strings{"QrxData.Z01", "QrxData.zip", "my.zfolder/", "my.zfolder/inner.zip", "Sub/x.zip"}));
  EXPECT_EQ(testing::Contents(zip).at("Sub/x.zip"), "help archive");
  EXPECT_EQ(size, static_cast<int64_t>(test::ReadFile(under.path).size())) << "end record included";
  test::KeepForPeers({under.path});
}

TEST(Scan, ExclusionsNoMatchAndMissingBase) {
  test::TempDir dir;
  MakeTree(dir);
  {
    ArchiveUnderTest under(dir, "excl.zip");
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr, "Sub");
    under.archive.CloseArchive();
    const Strings names = Names(testing::ReadSoundArchive(under.path));
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::string& n) { return n.rfind("Sub/", 0) == 0; }),
              0);
    EXPECT_EQ(names.size(), 9u);
    test::KeepForPeers({under.path}, test::PeerHandOff().Label("excluded"));
  }
  for (const char* base : {"data/EmptyDir", "data/missing"}) {
    ArchiveUnderTest under(dir, "none.zip", base);
    under.archive.OpenArchive(kCreateMode);
    under.archive.AddFiles("*.*", kDefaultSearchAttr);
    under.archive.AddFiles("*.nothing", kDefaultSearchAttr);
    under.archive.CloseArchive();
    EXPECT_EQ(test::ReadFile(under.path), std::string("PK\x05\x06", 4) + std::string(18, '\0')) << base;
    test::KeepForPeers({under.path}, test::PeerHandOff().Label(base));
  }
}

// A name the OEM code page holds exactly is stored in it; any other as UTF-8 with flag bit 11, in
// the local header and the central record alike. Two names that differ in a letter, not in its
// case, are two entries.
TEST(Scan, NamesAreStoredInTheOemCodePageOrAsUtf8) {
  test::TempDir dir;
  const std::map<std::string, std::string> files{
      {"caf\xC3\xA9.txt", "accent"},                  // café: code page 437 has é (0x82)
      {"Omega.txt", "latin"},
      {"\xCE\xA9mega.txt", "greek capital"},          // Ωmega: 437 has Ω (0xEA)
      {"\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82.txt", "greek"},  // λόγος: not in 437
      {"\xE6\x95\xB0\xE6\x8D\xAE.txt", "cjk"},    // 数据
      {"\xC5\xA1.txt", "caron"},                      // š: 437 has only a look-alike "s"
  };
  for (const auto& [name, content] : files) MakeFile(dir, "data/" + name, content);
  ArchiveUnderTest under(dir);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  const std::map<std::string, std::string> oem{{"caf\xC3\xA9.txt", "caf\x82.txt"},
                                               {"Omega.txt", "Omega.txt"},
                                               {"\xCE\xA9mega.txt", "\xEAmega.txt"}};
  std::map<std::string, std::string> contents;
  for (size_t i = 0; i < zip.entries.size(); ++i) {
    const auto& entry = zip.entries[i];
    const bool utf8 = (entry.central.flags & 0x0800) != 0;
    EXPECT_EQ(entry.local.flags, entry.central.flags);
    // The name as UTF-8, whichever way it was stored.
    std::string name = entry.central.name;
    for (const auto& [original, stored] : oem)
      if (!utf8 && stored == name) name = original;
    EXPECT_TRUE(files.count(name)) << entry.central.name;
    EXPECT_EQ(utf8, oem.count(name) == 0) << name;
    contents[name] = test::EntryData(zip, i);
  }
  EXPECT_EQ(contents, files);
  test::KeepForPeers({under.path}, test::PeerHandOff().Expect(dir.Path("data")));
}

// A folder that is a link is stored as an empty folder entry and never entered: a link back to
// its own parent neither loops nor packs anything twice.
TEST(Scan, FolderLinksAreStoredEmptyAndNeverEntered) {
  test::TempDir dir;
  MakeFile(dir, "data/a.txt", "top");
  MakeFile(dir, "data/sub/b.txt", "inside");
  ASSERT_TRUE(test::MakeFolderLink(dir.Path("data/sub/loop"), dir.Path("data")));
  ArchiveUnderTest under(dir);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  EXPECT_TRUE(test::RemoveFolderLink(dir.Path("data/sub/loop")));
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(testing::Names(zip), (std::vector<std::string>{"a.txt", "sub/", "sub/b.txt", "sub/loop/"}));
  // What lies behind the link is named apart from what the host was asked about.
  EXPECT_TRUE(under.archive.LeftOut().empty());
  ASSERT_EQ(under.archive.LinksNotFollowed().size(), 1u);
  EXPECT_EQ(under.archive.LinksNotFollowed()[0].path, dir.Path("data/sub/loop"));
  EXPECT_EQ(under.archive.LinksNotFollowed()[0].kind, LeftOutKind::Link);
  test::KeepForPeers({under.path});
}

// A folder that cannot be read is named among the files left out, never taken for an empty one.
// Reading another process's mapped files is refused even to root: the base folder here.
TEST(Scan, AFolderThatCannotBeReadIsLeftOutByName) {
  const std::string refused = "/proc/1/map_files";
  {
    os::DirListing probe(refused + "/*");
    os::DirEntry entry;
    while (probe.Next(entry)) {
    }
    if (probe.Error() == os::kErrorSuccess) GTEST_SKIP() << refused << " can be read on this machine";
  }
  test::TempDir dir;
  ArchiveUnderTest under(dir);
  under.archive.SetBaseDir(refused);
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();
  EXPECT_EQ(under.archive.LastUpdateOutcome(), UpdateOutcome::Committed);
  ASSERT_EQ(under.archive.LeftOut().size(), 1u);
  const std::string& path = under.archive.LeftOut()[0].path;
  EXPECT_NE(path.find("map_files"), std::string::npos) << path;
  EXPECT_EQ(under.archive.LeftOut()[0].reason, os::ErrorText(os::kErrorAccessDenied));
}

TEST(Scan, StoreFileHandlerRenamesAndNoCompressionMasksStore) {
  test::TempDir dir;
  MakeFile(dir, "data/Sub/a.log", testing::TextBytes(5000));
  MakeFile(dir, "data/Sub/b.txt", testing::TextBytes(5000, 2));
  ArchiveUnderTest under(dir);
  std::vector<std::string> seen;
  under.archive.OnStoreFile = [&](TBaseArchiver&, std::string& name, uint32_t&, std::string& comment,
                                  const std::string&) {
    seen.push_back(name);
    if (name == "Sub\\b.txt") name = "Renamed\\b.txt";
    comment = name == "Sub\\a.log" ? "a comment" : "";
  };
  under.archive.NoCompressionMasks().push_back("*.log");
  under.archive.OpenArchive(kCreateMode);
  under.archive.AddFiles("*.*", kDefaultSearchAttr);
  under.archive.CloseArchive();

  EXPECT_EQ(seen, (Strings{"Sub\\", "Sub\\a.log", "Sub\\b.txt"})) << "the handler sees \\ separators";
  test::ZipImage zip = testing::ReadSoundArchive(under.path);
  EXPECT_EQ(Names(zip), (Strings{"Sub/", "Sub/a.log", "Renamed/b.txt"}));
  EXPECT_EQ(zip.entries[1].central.method, 0);
  EXPECT_EQ(zip.entries[1].central.comment, "a comment");
  EXPECT_EQ(test::RawEntryData(zip, 1), testing::TextBytes(5000)) << "stored as it is";
  EXPECT_EQ(zip.entries[2].central.method, 8);
  test::KeepForPeers({under.path});
}

}  // namespace
}  // namespace tavisto::zip
