// Folder listing through FindFirstFileW / FindNextFileW, names turned into UTF-8.
#include "os/dir_listing.h"

#include <windows.h>

#include "os/handle.h"
#include "os/win32/wide.h"

namespace tavisto::os {

struct DirListing::State {
  struct FindTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type handle) { FindClose(handle); }
  };
  ScopedHandle<FindTraits> find;
  WIN32_FIND_DATAW data{};
  bool pending = false;  // data holds an entry not handed out yet
  DWORD error = ERROR_SUCCESS;
};

DirListing::DirListing(const std::string& pattern) : state_(new State) {
  state_->find.Reset(FindFirstFileW(win32::WidePath(pattern).c_str(), &state_->data));
  state_->pending = state_->find.IsValid();
  if (!state_->pending) {
    // "Not found" is a folder where nothing matches the mask: an empty listing, not a failure.
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) state_->error = error;
  }
}

DirListing::~DirListing() { delete state_; }

bool DirListing::Next(DirEntry& entry) {
  if (!state_->pending) {
    if (!state_->find.IsValid()) return false;
    if (!FindNextFileW(state_->find.Get(), &state_->data)) {
      const DWORD error = GetLastError();
      if (error != ERROR_NO_MORE_FILES) state_->error = error;
      state_->find.Reset();
      return false;
    }
  }
  state_->pending = false;
  const WIN32_FIND_DATAW& data = state_->data;
  entry.name = win32::Narrow(data.cFileName);
  entry.attributes = data.dwFileAttributes;
  // For a reparse point, the search puts its tag in the first reserved field.
  entry.reparseTag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0;
  entry.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  entry.lastWrite.ticks = static_cast<int64_t>((uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                               data.ftLastWriteTime.dwLowDateTime);
  return true;
}

uint32_t DirListing::Error() const noexcept { return state_->error; }

}  // namespace tavisto::os
