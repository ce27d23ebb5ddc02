// Folder listing through FindFirstFileA / FindNextFileA.
#include "os/dir_listing.h"

#include <windows.h>

#include "os/handle.h"

namespace tavisto::os {
namespace {

struct FindTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { FindClose(handle); }
};

}  // namespace

struct DirListing::State {
  ScopedHandle<FindTraits> find;
  WIN32_FIND_DATAA data{};
  bool pending = false;  // data holds an entry not handed out yet
};

DirListing::DirListing(const std::string& pattern) : state_(new State) {
  state_->find.Reset(FindFirstFileA(pattern.c_str(), &state_->data));
  state_->pending = state_->find.IsValid();
}

DirListing::~DirListing() { delete state_; }

bool DirListing::Next(DirEntry& entry) {
  if (!state_->pending) {
    if (!state_->find.IsValid() || !FindNextFileA(state_->find.Get(), &state_->data)) return false;
  }
  state_->pending = false;
  const WIN32_FIND_DATAA& data = state_->data;
  entry.name = data.cFileName;
  entry.attributes = data.dwFileAttributes;
  entry.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  entry.lastWrite.ticks = static_cast<int64_t>((uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                               data.ftLastWriteTime.dwLowDateTime);
  return true;
}

}  // namespace tavisto::os
