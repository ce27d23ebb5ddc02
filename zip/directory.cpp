// Growth of the directory array and the hashed name index.
#include "zip/directory.h"

#include <algorithm>

#include "zip/archive_error.h"
#include "zip/name_case.h"

namespace tavisto::zip {
namespace {

constexpr size_t kMaxGrowStep = 10000;
constexpr size_t kMinBuckets = 1000;
constexpr size_t kMaxLoad = 5;

}  // namespace

uint32_t TArcHashedStringList::Hash(const std::string& lowerName) {
  uint32_t hash = 0;
  for (const char c : lowerName) hash = ((hash << 2) | (hash >> 30)) ^ static_cast<unsigned char>(c);
  return hash;
}

void TArcHashedStringList::Append(const std::string& name) {
  names_.push_back(FoldCase(name));
  if (heads_.empty()) return;
  if (names_.size() > kMaxLoad * heads_.size()) {
    heads_.clear();
    next_.clear();
    return;
  }
  next_.push_back(-1);
  Link(Count() - 1);
}

void TArcHashedStringList::Set(int32_t index, const std::string& name) {
  if (index < 0 || index >= Count()) throw EArchiveError(kErrorNameListBroken);
  std::string lower = FoldCase(name);
  if (names_[static_cast<size_t>(index)] == lower) return;
  names_[static_cast<size_t>(index)] = std::move(lower);
  heads_.clear();
  next_.clear();
}

void TArcHashedStringList::Delete(int32_t index) {
  if (index < 0 || index >= Count()) throw EArchiveError(kErrorNameListBroken);
  names_.erase(names_.begin() + index);
  heads_.clear();
  next_.clear();
}

void TArcHashedStringList::Clear() {
  std::vector<std::string>().swap(names_);
  heads_.clear();
  next_.clear();
}

void TArcHashedStringList::Link(int32_t index) {
  const size_t bucket = Hash(names_[static_cast<size_t>(index)]) % heads_.size();
  next_[static_cast<size_t>(index)] = heads_[bucket];
  heads_[bucket] = index;
}

void TArcHashedStringList::Rebuild() {
  heads_.assign(std::max(names_.size(), kMinBuckets), -1);
  next_.assign(names_.size(), -1);
  for (int32_t i = 0; i < Count(); ++i) Link(i);
}

int32_t TArcHashedStringList::IndexOf(const std::string& name) {
  if (heads_.empty()) Rebuild();
  const std::string key = FoldCase(name);
  const size_t bucket = Hash(key) % heads_.size();
  // Later indexes are linked first; walk to the earliest one with this name.
  int32_t found = -1;
  for (int32_t i = heads_[bucket]; i != -1; i = next_[static_cast<size_t>(i)]) {
    if (i < 0 || i >= Count()) throw EArchiveError(kErrorNameIndexBroken);
    if (names_[static_cast<size_t>(i)] == key) found = i;
  }
  return found;
}

TDirItem& TArcDirArray::Item(int32_t index) {
  if (index < 0 || index >= Count()) throw EArchiveError(kErrorAccessIndex);
  return items_[static_cast<size_t>(index)];
}

const TDirItem& TArcDirArray::Item(int32_t index) const {
  if (index < 0 || index >= Count()) throw EArchiveError(kErrorAccessIndex);
  return items_[static_cast<size_t>(index)];
}

void TArcDirArray::SetItem(int32_t index, const TDirItem& item) {
  if (index < 0 || index >= Count()) throw EArchiveError(kErrorSetIndex);
  items_[static_cast<size_t>(index)] = item;
  names_.Set(index, item.storedName);
}

void TArcDirArray::CopyItem(int32_t index, const TDirItem& from) {
  if (index < 0 || index >= Count()) throw EArchiveError(kErrorCopyIndex);
  items_[static_cast<size_t>(index)] = from;
  names_.Set(index, from.storedName);
}

void TArcDirArray::Grow(size_t needed) {
  if (needed <= items_.capacity()) return;
  growStep_ = std::min(growStep_ * 2, kMaxGrowStep);
  const size_t capacity = std::max(items_.capacity() + growStep_, needed);
  items_.reserve(capacity);
  names_.Reserve(capacity);
}

void TArcDirArray::Append(TDirItem item) {
  Grow(items_.size() + 1);
  names_.Append(item.storedName);
  items_.push_back(std::move(item));
}

void TArcDirArray::Delete(int32_t index) {
  if (index < 0 || index >= Count()) throw EArchiveError(kErrorDeleteIndex);
  items_.erase(items_.begin() + index);
  names_.Delete(index);
}

void TArcDirArray::Clear() {
  std::vector<TDirItem>().swap(items_);
  growStep_ = 500;
  names_.Clear();
}

int32_t TArcDirArray::IndexOf(const std::string& storedName) { return names_.IndexOf(storedName); }

void TArcDirArray::NameChanged(int32_t index) { names_.Set(index, Item(index).storedName); }

}  // namespace tavisto::zip
