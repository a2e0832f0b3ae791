#include "io/posix_error.h"

#include <cerrno>

#include "io/io_error.h"

namespace tilora::platform {
namespace {

struct ErrnoText {
  int err;
  const char* text;
};

// Written here rather than taken from strerror, which follows the locale and
// the C library, so a message reads the same on every system. Aliases
// (EWOULDBLOCK, EDEADLOCK, ...) share one entry with the name they equal.
constexpr ErrnoText kTexts[] = {
    {EINTR, "Interrupted by a signal"},
    {EIO, "Input/output error"},
    {ENXIO, "No such device or address"},
    {EBADF, "Bad file handle"},
    {EAGAIN, "File temporarily unavailable"},
    {ENOMEM, "Not enough memory"},
    {EFAULT, "Bad memory address"},
    {EBUSY, "Device or file busy"},
    {EEXIST, "File already exists"},
    {EXDEV, "Cannot move a file to another file system"},
    {ENODEV, "No such device"},
    {EINVAL, "Invalid argument"},
    {ETXTBSY, "Program file in use"},
    {ESPIPE, "File cannot be positioned"},
    {EMLINK, "Too many links"},
    {EPIPE, "Broken pipe"},
    {EDEADLK, "File lock would deadlock"},
    {ENOLCK, "No file locks available"},
    {ENOSYS, "Operation not implemented"},
    {ENOTEMPTY, "Folder not empty"},
    {ELOOP, "Too many levels of symbolic links"},
    {EOVERFLOW, "File size or position out of range"},
    {EILSEQ, "Invalid multibyte character"},
    {EOPNOTSUPP, "Operation not supported"},
#if defined(ENOTSUP) && ENOTSUP != EOPNOTSUPP
    {ENOTSUP, "Operation not supported by the file system"},
#endif
    {ENOBUFS, "No buffer space available"},
    {ENETDOWN, "Network is down"},
    {ENETUNREACH, "Network unreachable"},
    {ENETRESET, "Network connection reset"},
    {ECONNABORTED, "Network connection aborted"},
    {ECONNRESET, "Connection reset by the other side"},
    {ENOTCONN, "Transport endpoint not connected"},
    {ETIMEDOUT, "Connection timed out"},
    {ECONNREFUSED, "Connection refused"},
    {EHOSTUNREACH, "Host unreachable"},
    {ESTALE, "Stale file handle"},
    {ECANCELED, "Operation cancelled"},
    {EPROTO, "Network protocol error"},
    {EBADMSG, "Corrupted data"},
    {ENODATA, "No data available"},
    {ENOLINK, "Network link severed"},
#ifdef ESHUTDOWN
    {ESHUTDOWN, "Connection shut down"},
#endif
#ifdef EHOSTDOWN
    {EHOSTDOWN, "Host is down"},
#endif
#ifdef EREMOTE
    {EREMOTE, "Object is remote"},
#endif
#ifdef ECOMM
    {ECOMM, "Network communication error"},
#endif
#ifdef EUCLEAN
    {EUCLEAN, "File system needs repair"},
#endif
#ifdef EREMOTEIO
    {EREMOTEIO, "Remote input/output error"},
#endif
#ifdef ENOMEDIUM
    {ENOMEDIUM, "No medium in drive"},
#endif
#ifdef EMEDIUMTYPE
    {EMEDIUMTYPE, "Wrong medium type"},
#endif
#ifdef ENOKEY
    {ENOKEY, "Encryption key not available"},
#endif
#ifdef EKEYEXPIRED
    {EKEYEXPIRED, "Encryption key expired"},
#endif
#ifdef EKEYREVOKED
    {EKEYREVOKED, "Encryption key revoked"},
#endif
#ifdef EKEYREJECTED
    {EKEYREJECTED, "Encryption key rejected"},
#endif
#ifdef EHWPOISON
    {EHWPOISON, "Memory hardware error"},
#endif
};

}  // namespace

int CodeOfErrno(int err, ErrnoContext context) {
  switch (err) {
    case ENOENT: return kErrFileNotFound;
    // A path through something that is no folder cannot name a file, as
    // Windows says with its code 3.
    case ENOTDIR:
    case ENAMETOOLONG: return kErrInvalidFilename;
    case EINVAL:
    case EILSEQ:
      if (context == ErrnoContext::kName) return kErrInvalidFilename;
      break;
    case EMFILE:
    case ENFILE: return kErrTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kErrAccessDenied;
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return kErrDiskFull;
    default: break;
  }
  // A failure must never read as success, even without a reason given.
  return err > 0 ? kPosixErrorBase + err : kPosixErrorBase;
}

const char* PosixErrorText(int code) {
  for (const auto& entry : kTexts)
    if (kPosixErrorBase + entry.err == code) return entry.text;
  return nullptr;
}

}  // namespace tilora::platform
