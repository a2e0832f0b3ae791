#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "io/io_error.h"
#include "io/platform_file.h"
#include "io/platform_file_set.h"
#include "io/posix_error.h"

namespace tilora::platform {
namespace {

// A signal may interrupt a call before it did anything; it is then simply
// made again. Not for close(), which has released the handle even then.
template <typename Call>
auto RetryInterrupted(Call call) {
  for (;;) {
    const auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

// An empty name would give ENOENT ("not found"); one with a NUL in it would
// name a shorter, other file.
bool UsableName(const std::string& name) { return !name.empty() && name.find('\0') == std::string::npos; }

bool ParentFolderExists(const std::string& name) {
  const auto slash = name.find_last_of('/');
  if (slash == std::string::npos) return true;  // the current folder
  const std::string parent = slash == 0 ? "/" : name.substr(0, slash);
  struct stat st {};
  return RetryInterrupted([&] { return ::stat(parent.c_str(), &st); }) == 0 && S_ISDIR(st.st_mode);
}

// A missing folder is a bad name on Windows, not a missing file; so here.
int NameError(int err, const std::string& name) {
  const int code = CodeOfErrno(err, ErrnoContext::kName);
  return code == kErrFileNotFound && !ParentFolderExists(name) ? kErrInvalidFilename : code;
}

int FileError(int err) { return CodeOfErrno(err, ErrnoContext::kOpenFile); }

int FdOf(Handle handle) { return static_cast<int>(handle); }

// Counts above SSIZE_MAX have no defined meaning for read and write.
std::size_t ChunkOf(std::size_t remaining) { return remaining < SSIZE_MAX ? remaining : SSIZE_MAX; }

// Whatever fails after the open is reported, and the file closed again.
int CloseAfter(int fd, int code) {
  ::close(fd);
  return code;
}

}  // namespace

int OpenRead(const std::string& name, Handle& handle) {
  handle = kNoHandle;
  if (!UsableName(name)) return kErrInvalidFilename;
  // Without O_NONBLOCK, opening a named pipe would wait for a writer forever.
  const int fd = RetryInterrupted([&] { return ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); });
  if (fd < 0) return NameError(errno, name);
  struct stat st {};
  if (RetryInterrupted([&] { return ::fstat(fd, &st); }) != 0) return CloseAfter(fd, FileError(errno));
  // Opening a folder succeeds here, not on Windows; pipes, sockets and
  // devices are no picture files either.
  if (!S_ISREG(st.st_mode)) return CloseAfter(fd, kErrAccessDenied);
  const int flags = RetryInterrupted([&] { return ::fcntl(fd, F_GETFL); });
  if (flags < 0 || RetryInterrupted([&] { return ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK); }) != 0)
    return CloseAfter(fd, FileError(errno));
  handle = fd;
  return 0;
}

int ReadAt(Handle handle, std::int64_t pos, void* dest, std::size_t count, std::size_t& got) {
  got = 0;
  auto* out = static_cast<unsigned char*>(dest);
  while (got < count) {
    const off_t at = static_cast<off_t>(pos) + static_cast<off_t>(got);
    const ssize_t n = RetryInterrupted([&] { return ::pread(FdOf(handle), out + got, ChunkOf(count - got), at); });
    if (n < 0) return FileError(errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return 0;
}

// An interrupted close has released the handle but may not have stored
// everything, so it is reported, not made again.
int Close(Handle handle) { return ::close(FdOf(handle)) == 0 ? 0 : FileError(errno); }

int StampOf(Handle handle, FileStamp& stamp) {
  struct stat st {};
  if (RetryInterrupted([&] { return ::fstat(FdOf(handle), &st); }) != 0) return FileError(errno);
  stamp.size = static_cast<std::int64_t>(st.st_size);
  stamp.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return 0;
}

int CreateNew(const std::string& name, Handle& handle) {
  handle = kNoHandle;
  if (!UsableName(name)) return kErrInvalidFilename;
  const int fd =
      RetryInterrupted([&] { return ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
  if (fd < 0) return errno == EEXIST ? kAlreadyExists : NameError(errno, name);
  handle = fd;
  return 0;
}

int Write(Handle handle, const void* src, std::size_t count) {
  const auto* in = static_cast<const unsigned char*>(src);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = RetryInterrupted([&] { return ::write(FdOf(handle), in + done, ChunkOf(count - done)); });
    if (n < 0) return FileError(errno);
    if (n == 0) return kErrDiskFull;  // a write that takes nothing cannot go on
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

int Replace(const std::string& from, const std::string& to) {
  if (!UsableName(from) || !UsableName(to)) return kErrInvalidFilename;
  return RetryInterrupted([&] { return std::rename(from.c_str(), to.c_str()); }) == 0 ? 0 : NameError(errno, to);
}

int Remove(const std::string& name) {
  if (!UsableName(name)) return kErrInvalidFilename;
  return RetryInterrupted([&] { return ::unlink(name.c_str()); }) == 0 ? 0 : NameError(errno, name);
}

const char* ErrorText(int code) { return PosixErrorText(code); }

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

int LastErrorCode(const std::string& name) { return name.empty() ? FileError(errno) : NameError(errno, name); }

}  // namespace tilora::platform
