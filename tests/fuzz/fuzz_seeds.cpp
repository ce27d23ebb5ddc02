// Writes the fuzzers' first inputs into FOLDER/archive, FOLDER/split_set and FOLDER/manifest:
// our writer's Data.zip, its volumes and its manifest; archives and sets of the tests' own maker,
// honest (stored, deflated, Zip64, split) and hostile (the tricks the open tests table). They are
// made afresh each time, never kept in the source tree.
//   fuzz_seeds FOLDER
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/fuzz/harnesses.h"
#include "tests/support/data_zip_maker.h"
#include "tests/support/zip_maker.h"
#include "zip/read/central_directory.h"
#include "zip/read/end_records.h"
#include "zip/read/entry_data.h"

namespace {

namespace fs = std::filesystem;
using tavisto::test::RawArchive;
using tavisto::test::RawEntry;

void Put(const fs::path& folder, const std::string& name, const std::string& bytes) {
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string Noise(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
  return bytes;
}

// The tests' tricks, each in a small archive beside an honest entry.
std::vector<RawArchive> Archives() {
  const std::string text(3000, 't');
  std::vector<RawArchive> all;
  const auto with = [&](std::vector<RawEntry> more) {
    RawArchive archive;
    archive.entries.push_back({"good.txt", "good"});
    archive.entries.push_back({"dir/deflated.txt", text, true});
    for (RawEntry& entry : more) archive.entries.push_back(entry);
    all.push_back(archive);
    return &all.back();
  };
  with({});
  with({})->zip64 = true;
  with({{"../evil.txt", "x"}, {"..\\evil.txt", "x"}, {"C:\\evil", "x"}, {"a:stream", "x"}, {"CON", "x"}, {"GOOD.TXT", "x"}});
  with({{"logs", "/tmp", false, {}, (3 << 8) | 20, 0120777u << 16}, {"logs/passwd", "x"}});
  RawEntry overlap("copy.txt", "good");
  overlap.sharesHeaderOf = 0;
  with({overlap});
  with({{"big.txt", text, true, text.size() - 10}, {"small.txt", text, true, text.size() + 10}});
  with({{"bomb.txt", text, true, uint64_t(1) << 31}});
  RawEntry bzip2("x.bz", "x");
  bzip2.method = 12;
  RawEntry encrypted("secret", "x");
  encrypted.flags = 1;
  with({bzip2, encrypted});
  with({})->declaredCount = 0xFFFF;
  with({})->cutDirectory = 20;
  RawEntry utf8("\xCE\xA9mega.txt", "omega");
  utf8.flags = 0x800;
  with({utf8});
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  const fs::path out = argv[1];
  try {
    int n = 0;
    for (RawArchive archive : Archives()) {
      const std::string name = "maker-" + std::to_string(++n);
      Put(out / "archive", name + ".zip", tavisto::test::MakeZip(archive).front());
      archive.partSize = 150;
      Put(out / "split_set", name, tavisto::fuzz::SplitSetInput(tavisto::test::MakeZip(archive), 0));
    }
    // Our writer's Data.zip of a small tree, its volumes as a split set, and its manifest.
    const fs::path work = fs::temp_directory_path() / ("tavisto-fuzz-seeds-" + std::to_string(::getpid()));
    fs::create_directories(work / "Data" / "logs");
    std::ofstream(work / "Data" / "logs" / "CS.log") << std::string(2000, 'l');
    std::ofstream(work / "Data" / "blob.bin", std::ios::binary) << Noise(70000, 5);
    std::ofstream(work / "Data" / "empty.txt");
    const std::string dataZip = tavisto::test::MakeDataZip(
        work.string(), {{tavisto::lookups::SiblingProduct::Zorvel, (work / "Data").string()}}, 65536);
    std::ifstream in(dataZip, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Put(out / "archive", "data-zip.zip", bytes);
    using namespace tavisto::zip::read;
    const MemorySource source(bytes, "Data.zip");
    const PartSet parts({{"Data.zip", &source, 0}});
    const CentralDirectory directory = ReadCentralDirectory(parts, FindEndOfDirectory(source));
    const std::vector<EntryPlace> places = PlaceEntries(parts, directory);
    std::vector<std::string> volumes;
    for (size_t i = 0; i < directory.entries.size(); ++i) {
      EntryDataReader reader(parts, directory.entries[i], places[i].data);
      std::string data(directory.entries[i].uncompressedSize + 1, '\0');
      data.resize(reader.Read(data.data(), data.size()));
      if (directory.entries[i].name == "manifest.json")
        Put(out / "manifest", "get-data.json", data);
      else
        volumes.push_back(data);
    }
    Put(out / "split_set", "our-volumes", tavisto::fuzz::SplitSetInput(volumes, 0));
    Put(out / "split_set", "our-volumes-one-missing", tavisto::fuzz::SplitSetInput(volumes, 1));
    Put(out / "manifest", "empty.json", R"({"manifest": 1, "products": []})");
    fs::remove_all(work);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
