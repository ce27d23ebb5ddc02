// The in-memory directory of an open archive: one TDirItem per entry in archive order, a hashed
// index of the entries' names (case-blind) for lookups, and the manager that holds the current
// directory, its rollback copy and the values of the end records.
//   int32_t index = directory.IndexOf("Sub/a.txt");   // -1 when absent
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "os/file_time.h"
#include "zip/records.h"

namespace tavisto::zip {

// What the commit does with an entry.
enum class EntryAction : uint8_t { New = 0, Replace = 3 };

struct ExtraField {
  uint16_t id = 0;
  std::string data;
};

struct TDirItem {
  CentralFields central;
  std::string storedName;  // "/" separators; folders end in "/"
  std::string comment;
  std::vector<ExtraField> extras;
  bool modified = false;  // to be (re)written at the next commit
  std::string password;
  std::string source;  // absolute path of the file or folder
  uint8_t compressionMode = 0;
  EntryAction action = EntryAction::New;
  // The size the scan listed, for the progress totals; the records take the size the source has
  // when it is read.
  uint64_t listedSize = 0;
  os::FileTime lastWrite;  // the source's, as the scan listed it (UTC)

  [[nodiscard]] bool IsFolder() const { return !storedName.empty() && storedName.back() == '/'; }
};

// Entry names in lower case, kept at the same index as the entries, with a hash index that is
// built on the first lookup: max(count, 1000) buckets; dropped when appends make the count exceed
// five times the bucket count, and when an entry is removed.
class TArcHashedStringList {
 public:
  [[nodiscard]] static uint32_t Hash(const std::string& lowerName);

  [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(names_.size()); }
  void Append(const std::string& name);
  void Set(int32_t index, const std::string& name);
  void Delete(int32_t index);
  void Clear();
  void Reserve(size_t capacity) { names_.reserve(capacity); }
  // Index of the name (any case), or -1.
  [[nodiscard]] int32_t IndexOf(const std::string& name);
  [[nodiscard]] size_t BucketCount() const { return heads_.size(); }

 private:
  void Rebuild();
  void Link(int32_t index);

  std::vector<std::string> names_;
  std::vector<int32_t> heads_;  // per bucket, the latest index in it, or -1; empty: not built
  std::vector<int32_t> next_;   // per index, the next index in its bucket, or -1
};

class TArcDirArray {
 public:
  [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  [[nodiscard]] size_t Capacity() const { return items_.capacity(); }

  // Index errors raise codes 1 (set), 2 (copy), 3 (access) and 4 (delete), without component.
  [[nodiscard]] TDirItem& Item(int32_t index);
  [[nodiscard]] const TDirItem& Item(int32_t index) const;
  void SetItem(int32_t index, const TDirItem& item);
  // Copies the item at index of another array into this one's item at the same index.
  void CopyItem(int32_t index, const TDirItem& from);
  void Append(TDirItem item);
  void Delete(int32_t index);
  // Count 0 frees the storage.
  void Clear();
  [[nodiscard]] int32_t IndexOf(const std::string& storedName);
  // Call after changing an item's stored name in place.
  void NameChanged(int32_t index);

 private:
  void Grow(size_t needed);

  std::vector<TDirItem> items_;
  size_t growStep_ = 500;  // doubled before each growth, up to 10000
  TArcHashedStringList names_;
};

// The directory of the open archive, its copy from before the update, and the values the end
// records were last written with. Archives are only ever created here, so the archive comment
// is always empty and there is no self-extractor stub before the first entry.
struct TArcDirManager {
  TArcDirArray current;
  TArcDirArray rollback;
  DirectoryEnd end;
  uint32_t stubSize = 0;
  int64_t directoryOffset = 0;
};

}  // namespace tavisto::zip
