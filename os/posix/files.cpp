// Files through POSIX descriptors, seen the way Windows would show them.
#include "os/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "os/posix/native_path.h"

namespace tavisto::os {

using posix::NativePath;

namespace {

int Fd(const ScopedHandle<FileHandleTraits>& handle) { return static_cast<int>(handle.Get()); }

}  // namespace

void FileHandleTraits::Close(Type handle) noexcept { ::close(static_cast<int>(handle)); }

OpenResult File::Open(const std::string& path, Access access, unsigned /*share*/, Disposition disposition) {
  int flags = O_CLOEXEC;
  switch (access) {
    case Access::Read: flags |= O_RDONLY; break;
    case Access::Write: flags |= O_WRONLY; break;
    case Access::ReadWrite: flags |= O_RDWR; break;
    case Access::WriteRemovable: flags |= O_WRONLY; break;
  }
  if (disposition == Disposition::CreateAlways) flags |= O_CREAT | O_TRUNC;
  if (disposition == Disposition::OpenAlways) flags |= O_CREAT;
  // A new file's owner is the process's user here, whatever the disposition.
  if (disposition == Disposition::CreateNew || disposition == Disposition::CreateScratch ||
      disposition == Disposition::CreateOwned)
    flags |= O_CREAT | O_EXCL;
  const std::string native = NativePath(path);
  struct stat existing {};
  if (access != Access::Read && (flags & O_EXCL) == 0 && ::stat(native.c_str(), &existing) == 0 &&
      S_ISREG(existing.st_mode) && !(existing.st_mode & S_IWUSR)) {
    // Windows refuses to write a read-only file, whoever asks (root included).
    return OpenResult::Failed(kErrorAccessDenied);
  }
  const int fd = ::open(native.c_str(), flags, 0666);
  if (fd < 0) return OpenResult::Failed(LastErrorCode());
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    // Windows refuses to open a folder as a file.
    ::close(fd);
    return OpenResult::Failed(kErrorAccessDenied);
  }
  // Unlinked while open: the file lives on until it is closed, and no process end leaves it.
  if (disposition == Disposition::CreateScratch) (void)::unlink(native.c_str());
  File file;
  file.handle_.Reset(fd);
  return file;
}

bool File::IsOpen() const noexcept { return handle_.IsValid(); }

void File::Close() noexcept { handle_.Reset(); }

bool File::CloseChecked() noexcept {
  if (!handle_.IsValid()) return true;
  return ::close(static_cast<int>(handle_.Release())) == 0;
}

std::optional<std::string> File::RealPath() {
  char real[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(Fd(handle_));
  const ssize_t length = ::readlink(link.c_str(), real, sizeof real);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof real) return std::nullopt;
  return std::string(real, static_cast<size_t>(length));
}

namespace {

// Reads until count bytes or the end, as ReadFile does; readSome(bytes, count, done) is one call
// of the system's that may give fewer.
template <typename ReadSome>
std::optional<size_t> ReadFully(void* buffer, size_t count, ReadSome readSome) {
  auto* bytes = static_cast<char*>(buffer);
  size_t total = 0;
  while (total < count) {
    const ssize_t got = readSome(bytes + total, count - total, total);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (got == 0) break;
    total += static_cast<size_t>(got);
  }
  return total;
}

}  // namespace

std::optional<size_t> File::Read(void* buffer, size_t count) {
  return ReadFully(buffer, count, [this](char* to, size_t want, size_t) { return ::read(Fd(handle_), to, want); });
}

std::optional<size_t> File::ReadAt(int64_t position, void* buffer, size_t count) {
  return ReadFully(buffer, count, [&](char* to, size_t want, size_t done) {
    return ::pread(Fd(handle_), to, want, static_cast<off_t>(position + int64_t(done)));
  });
}

std::optional<size_t> File::Write(const void* buffer, size_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  size_t total = 0;
  while (total < count) {
    const ssize_t put = ::write(Fd(handle_), bytes + total, count - total);
    if (put < 0) {
      if (errno == EINTR) continue;
      // A full disk is a short write, not an error: the caller decides what it means.
      if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) return total;
      return std::nullopt;
    }
    total += static_cast<size_t>(put);
  }
  return total;
}

bool File::Seek(int64_t position) {
  return ::lseek(Fd(handle_), position, SEEK_SET) >= 0;
}

bool File::SeekToEnd() { return ::lseek(Fd(handle_), 0, SEEK_END) >= 0; }

std::optional<int64_t> File::Position() {
  const off_t now = ::lseek(Fd(handle_), 0, SEEK_CUR);
  if (now < 0) return std::nullopt;
  return now;
}

std::optional<int64_t> File::Size() {
  struct stat info {};
  if (fstat(Fd(handle_), &info) != 0) return std::nullopt;
  return info.st_size;
}

bool File::Truncate() {
  const auto now = Position();
  return now && ::ftruncate(Fd(handle_), *now) == 0;
}

bool File::Flush() { return ::fsync(Fd(handle_)) == 0; }

std::optional<FileTime> File::LastWriteTime() {
  struct stat info {};
  if (fstat(Fd(handle_), &info) != 0) return std::nullopt;
  return posix::FileTimeFromStat(info);
}

bool File::SetLastWriteTime(FileTime time) {
  constexpr int64_t kSeconds1601To1970 = 11644473600LL;
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(time.ticks / 10000000 - kSeconds1601To1970);
  times[1].tv_nsec = static_cast<long>(time.ticks % 10000000) * 100;
  return ::futimens(Fd(handle_), times) == 0;
}

std::optional<FileState> File::State() {
  struct stat info {};
  if (fstat(Fd(handle_), &info) != 0) return std::nullopt;
  return posix::StateFromStat(info);
}

bool RemoveOpenFile(File& file, const std::string& path) {
  // POSIX removes names, not files: the name goes only while it still names the open file.
  struct stat open {}, named {};
  const std::string native = NativePath(path);
  const bool same = fstat(Fd(file.handle_), &open) == 0 && ::lstat(native.c_str(), &named) == 0 &&
                    open.st_dev == named.st_dev && open.st_ino == named.st_ino;
  file.Close();
  return same && ::unlink(native.c_str()) == 0;
}

uint32_t FileAttributes(const std::string& path) {
  struct stat link {}, info {};
  const std::string native = NativePath(path);
  if (::stat(native.c_str(), &info) != 0) return kInvalidAttributes;
  std::string name = native;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  const auto slash = name.rfind('/');
  uint32_t attributes = posix::AttributesFromStat(info, slash == std::string::npos ? name : name.substr(slash + 1));
  // A link shows what it points to and that it is a link, as Windows shows one.
  if (::lstat(name.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) attributes |= kAttrReparsePoint;
  return attributes;
}

bool ChangeAttributes(const std::string& path, uint32_t attributes) {
  struct stat info {};
  const std::string native = NativePath(path);
  if (::stat(native.c_str(), &info) != 0) return false;
  mode_t mode = info.st_mode & 07777;
  mode = (attributes & kAttrReadOnly) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
  return ::chmod(native.c_str(), mode) == 0;
}

bool RemoveFile(const std::string& path) {
  const std::string native = NativePath(path);
  struct stat info {};
  if (::lstat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    errno = EACCES;
    return false;
  }
  return ::unlink(native.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
  // MoveFile refuses to replace an existing target: the kernel checks and moves in one step
  // where the file system can (no other program can slip a file in between).
  const std::string source = NativePath(from);
  const std::string target = NativePath(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (::access(target.c_str(), F_OK) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(source.c_str(), target.c_str()) == 0;
}

bool MoveOver(const std::string& from, const std::string& to) {
  const std::string target = NativePath(to);
  struct stat info {};
  // Windows refuses to replace a folder or a read-only file, whoever asks (root included).
  if (::stat(target.c_str(), &info) == 0 && (S_ISDIR(info.st_mode) || !(info.st_mode & S_IWUSR))) {
    errno = EACCES;
    return false;
  }
  // rename replaces in one step, and refuses (EXDEV) to move to another file system.
  return ::rename(NativePath(from).c_str(), target.c_str()) == 0;
}

uint32_t ReplaceRefusal(const std::string& path) {
  struct stat info {};
  if (::stat(NativePath(path).c_str(), &info) != 0) return kErrorSuccess;
  // What MoveOver refuses; nothing here holds a file against its removal.
  return S_ISDIR(info.st_mode) || !(info.st_mode & S_IWUSR) ? kErrorAccessDenied : kErrorSuccess;
}

bool MakeDirectory(const std::string& path) { return ::mkdir(NativePath(path).c_str(), 0777) == 0; }

bool RemoveFolder(const std::string& path) {
  // Removing a link to a folder removes the link, as on Windows; never what it points to.
  std::string native = NativePath(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  struct stat link {}, info {};
  if (::lstat(native.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (::stat(native.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      errno = ENOTDIR;
      return false;
    }
    return ::unlink(native.c_str()) == 0;
  }
  return ::rmdir(native.c_str()) == 0;
}

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

std::string SystemTempFolder() {
  const char* temp = std::getenv("TMPDIR");
  std::string folder = temp && *temp ? temp : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

char PathSeparator() { return '/'; }

bool ChangeCurrentDirectory(const std::string& path) { return ::chdir(NativePath(path).c_str()) == 0; }

}  // namespace tavisto::os
