#include <fcntl.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "io/io_error.h"
#include "io/platform_file_set.h"

namespace tilora::platform {
namespace {

int FdOf(Handle handle) { return static_cast<int>(handle); }

FileId IdOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::string FolderOf(const std::string& name) {
  const auto slash = name.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

// The system's own limit on links in a row.
constexpr int kMaxLinks = 40;

}  // namespace

int FollowLinks(const std::string& name, std::string& target) {
  target = name;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0)
      return errno == ENOENT || errno == ENOTDIR ? 0 : LastErrorCode(name);
    if (!S_ISLNK(st.st_mode)) return 0;
    std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(target.c_str(), buffer.data(), buffer.size());
    if (n < 0) return LastErrorCode(name);
    if (static_cast<std::size_t>(n) >= buffer.size()) continue;  // changed meanwhile: look again
    const std::string value(buffer.data(), static_cast<std::size_t>(n));
    target = value.front() == '/' ? value : FolderOf(target) + "/" + value;
  }
  errno = ELOOP;
  return LastErrorCode(name);
}

int Inspect(const std::string& name, ExistingFile& file) {
  file = ExistingFile{};
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) return errno == ENOENT ? 0 : LastErrorCode(name);
  file.exists = true;
  file.regular = S_ISREG(st.st_mode);
  file.writable = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  file.id = IdOf(st);
  file.mode = static_cast<std::uint32_t>(st.st_mode & 0777);
  file.group = static_cast<std::int64_t>(st.st_gid);
  return 0;
}

int OpenFolder(const std::string& folder, const std::string& name, FolderLock& lock) {
  lock = FolderLock{};
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
  if (fd < 0 && errno == EACCES) {
    // Writable but not readable: identified, yet not locked.
    fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    lock.lockable = false;
  }
#endif
  if (fd < 0) return errno == ENOENT ? kErrInvalidFilename : LastErrorCode(name);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int code = LastErrorCode(name);
    ::close(fd);
    return code;
  }
  lock.folder = fd;
  lock.id = IdOf(st);
  return 0;
}

int LockFolder(FolderLock& lock) {
  if (!lock.lockable) return 0;
  while (::flock(FdOf(lock.folder), LOCK_EX) != 0) {
    if (errno == EBADF || errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS) {
      lock.lockable = false;  // NFS, for one, locks only files open for writing
      return 0;
    }
    if (errno != EINTR) return LastErrorCode(std::string());
  }
  return 0;
}

bool FolderAllowsRemoval(const FolderLock& lock) {
#if defined(__linux__) && defined(FS_IOC_GETFLAGS)
  int flags = 0;
  if (lock.folder == kNoHandle || ::ioctl(FdOf(lock.folder), FS_IOC_GETFLAGS, &flags) != 0) return true;
  return (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) == 0;
#else
  (void)lock;
  return true;
#endif
}

void ReleaseFolder(FolderLock& lock) {
  if (lock.folder != kNoHandle) ::close(FdOf(lock.folder));  // closing unlocks
  lock.folder = kNoHandle;
}

int CreateUnnamed(const std::string& folder, Handle& handle) {
  handle = kNoHandle;
#ifdef O_TMPFILE
  const int fd = ::open(folder.c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
  if (fd >= 0) {
    handle = fd;
    return 0;
  }
  // Kernels and file systems without unnamed files answer in several ways.
  if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOENT) return kNoUnnamedFiles;
  return LastErrorCode(folder + "/");
#else
  (void)folder;
  return kNoUnnamedFiles;
#endif
}

namespace {

int LinkUnnamedOnce(Handle handle, const std::string& name) {
  // Through /proc, linking needs no privilege; AT_EMPTY_PATH does.
  const std::string self = "/proc/self/fd/" + std::to_string(FdOf(handle));
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
#ifdef AT_EMPTY_PATH
  if (errno == ENOENT && ::linkat(FdOf(handle), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
#endif
  return errno;
}

}  // namespace

int LinkUnnamed(Handle handle, const std::string& name) {
  // A leftover is rare, so it is removed only when it is met.
  int error = LinkUnnamedOnce(handle, name);
  if (error == EEXIST) {
    if (const int removed = RemoveIfPresent(name); removed != 0) return removed;
    error = LinkUnnamedOnce(handle, name);
  }
  if (error == 0) return 0;
  errno = error;
  return LastErrorCode(name);
}

int Exchange(const std::string& a, const std::string& b) {
#if defined(__linux__) && defined(RENAME_EXCHANGE)
  if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) return 0;
  // Kernels before 3.15 and file systems without the swap answer so.
  if (errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) return kNoExchange;
  return LastErrorCode(b);
#else
  (void)a;
  (void)b;
  return kNoExchange;
#endif
}

int CreateTemporary(const std::string& name, Handle& handle) {
  handle = kNoHandle;
  // Only a process that died leaves this name behind; the caller holds the
  // folder's lock, so no living one is writing it.
  if (const int removed = RemoveIfPresent(name); removed != 0) return removed;
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return LastErrorCode(name);
  handle = fd;
  return 0;
}

int MatchPermissions(Handle handle, const ExistingFile& old) {
  // Another owner's group may be out of reach for us; the bits never are.
  if (::fchown(FdOf(handle), static_cast<uid_t>(-1), static_cast<gid_t>(old.group)) != 0 && errno != EPERM)
    return LastErrorCode(std::string());
  if (::fchmod(FdOf(handle), static_cast<mode_t>(old.mode)) != 0) return LastErrorCode(std::string());
  return 0;
}

int HardLink(const std::string& existing, const std::string& link) {
  return ::link(existing.c_str(), link.c_str()) == 0 ? 0 : LastErrorCode(link);
}

int RemoveIfPresent(const std::string& name) {
  if (::unlink(name.c_str()) == 0 || errno == ENOENT) return 0;
  return LastErrorCode(name);
}

}  // namespace tilora::platform
