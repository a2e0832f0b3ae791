#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "support/io_error.h"
#include "support/platform_file.h"
#include "support/platform_file_set.h"

namespace tilora::platform {
namespace {

bool ParentFolderExists(const std::string& name) {
  const auto slash = name.find_last_of('/');
  if (slash == std::string::npos) return true;  // the current folder
  const std::string parent = slash == 0 ? "/" : name.substr(0, slash);
  struct stat st {};
  return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Gives POSIX errors the meanings of the table, so messages read the same
// as on Windows: a missing folder is a bad name there, not a missing file.
int MapErrno(int err, const std::string& name) {
  switch (err) {
    case 0: return 0;
    case ENOENT: return ParentFolderExists(name) ? kErrFileNotFound : kErrInvalidFilename;
    case ENOTDIR:
    case ENAMETOOLONG: return kErrInvalidFilename;
    case EMFILE:
    case ENFILE: return kErrTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kErrAccessDenied;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return kErrDiskFull;
    default: return err;
  }
}

int FdOf(Handle handle) { return static_cast<int>(handle); }

}  // namespace

int OpenRead(const std::string& name, Handle& handle) {
  handle = kNoHandle;
  // An empty name would otherwise give ENOENT, which reads as "not found".
  if (name.empty()) return kErrInvalidFilename;
  // Without O_NONBLOCK, opening a named pipe would wait for a writer forever.
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return MapErrno(errno, name);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return MapErrno(err, name);
  }
  // Opening a folder succeeds here, not on Windows; pipes, sockets and
  // devices are no picture files either.
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return kErrAccessDenied;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int err = errno;
    ::close(fd);
    return MapErrno(err, name);
  }
  handle = fd;
  return 0;
}

int ReadAt(Handle handle, std::int64_t pos, void* dest, std::size_t count, std::size_t& got) {
  got = 0;
  auto* out = static_cast<unsigned char*>(dest);
  while (got < count) {
    const std::size_t want = count - got < SSIZE_MAX ? count - got : SSIZE_MAX;
    const ssize_t n = ::pread(FdOf(handle), out + got, want, static_cast<off_t>(pos) + static_cast<off_t>(got));
    if (n < 0) {
      if (errno == EINTR) continue;
      return MapErrno(errno, std::string());
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return 0;
}

int Close(Handle handle) {
  return ::close(FdOf(handle)) == 0 ? 0 : MapErrno(errno, std::string());
}

int CreateNew(const std::string& name, Handle& handle) {
  handle = kNoHandle;
  if (name.empty()) return kErrInvalidFilename;
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? kAlreadyExists : MapErrno(errno, name);
  handle = fd;
  return 0;
}

int Write(Handle handle, const void* src, std::size_t count) {
  const auto* in = static_cast<const unsigned char*>(src);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(FdOf(handle), in + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return MapErrno(errno, std::string());
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

int Replace(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : MapErrno(errno, to);
}

int Remove(const std::string& name) {
  return ::unlink(name.c_str()) == 0 ? 0 : MapErrno(errno, name);
}

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

int LastErrorCode(const std::string& name) { return MapErrno(errno, name); }

}  // namespace tilora::platform
