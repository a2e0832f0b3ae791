#include "io/posix_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <set>
#include <string>

#include "io/io_error.h"

namespace tilora::platform {
namespace {

constexpr int kTableCodes[] = {kErrFileNotFound, kErrInvalidFilename, kErrTooManyOpenFiles, kErrAccessDenied,
                               kErrReadBeyondEnd, kErrDiskFull,       kErrFileNotOpen,      kErrInvalidNumericInput};

// The errno values that mean what a table code means, and so may share it.
std::set<int> ErrnosMeaning(int code, ErrnoContext context) {
  switch (code) {
    case kErrFileNotFound: return {ENOENT};
    case kErrInvalidFilename:
      if (context == ErrnoContext::kName) return {ENOTDIR, ENAMETOOLONG, EINVAL, EILSEQ};
      return {ENOTDIR, ENAMETOOLONG};
    case kErrTooManyOpenFiles: return {EMFILE, ENFILE};
    case kErrAccessDenied: return {EACCES, EPERM, EROFS, EISDIR};
    case kErrDiskFull: return {ENOSPC, EFBIG, EDQUOT};
    default: return {};
  }
}

// Linux numbers errno up to 133; the loop goes past that for other systems.
TEST(PosixErrors, NoErrnoIsShownAsAnotherError) {
  std::map<std::string, int> tableTexts;
  for (const int code : kTableCodes) tableTexts[IoErrorText(code)] = code;
  for (const auto context : {ErrnoContext::kName, ErrnoContext::kOpenFile}) {
    std::map<std::string, int> errnoOfText;
    for (int err = 0; err <= 200; ++err) {
      const int code = CodeOfErrno(err, context);
      const std::string text = IoErrorText(code);
      if (code < kPosixErrorBase) {
        EXPECT_TRUE(ErrnosMeaning(code, context).count(err)) << "errno " << err << " read as " << text;
        continue;
      }
      EXPECT_EQ(code, kPosixErrorBase + err) << err;
      EXPECT_FALSE(tableTexts.count(text)) << "errno " << err << " read as " << text;
      const auto [other, fresh] = errnoOfText.emplace(text, err);
      EXPECT_TRUE(fresh) << "errno " << err << " and " << other->second << " both read " << text;
    }
  }
}

TEST(PosixErrors, FileErrorsReadAsTheyMean) {
  const struct {
    int err;
    const char* text;
  } cases[] = {
      {EIO, "Input/output error"},
      {ELOOP, "Too many levels of symbolic links"},
      {ENXIO, "No such device or address"},
      {EXDEV, "Cannot move a file to another file system"},
      {ETXTBSY, "Program file in use"},
      {EBUSY, "Device or file busy"},
      {ENOMEM, "Not enough memory"},
      {EOVERFLOW, "File size or position out of range"},
      {EINTR, "Interrupted by a signal"},
      {ENETUNREACH, "Network unreachable"},
      {EINVAL, "Invalid argument"},  // of an open file; in a name it is a bad name
      {0, "I/O error 1000"},         // a failure without a reason is still one
  };
  for (const auto& c : cases)
    EXPECT_EQ(IoError(CodeOfErrno(c.err, ErrnoContext::kOpenFile)).what(), std::string(c.text)) << c.err;
}

// Every errno that open, pread, write, close, rename, unlink or stat may
// give, network and FUSE file systems included, has a text of its own.
TEST(PosixErrors, EveryFileErrnoHasItsOwnText) {
  for (const int err : {EINTR,     EIO,        ENXIO,       EBADF,     EAGAIN,       ENOMEM,  EFAULT,    EBUSY,
                        EEXIST,    EXDEV,      ENODEV,      EINVAL,    ETXTBSY,      ESPIPE,  EMLINK,    EPIPE,
                        EDEADLK,   ENOLCK,     ENOSYS,      ENOTEMPTY, ELOOP,        EOVERFLOW, EILSEQ,  EOPNOTSUPP,
                        ENOTSUP,   EWOULDBLOCK, ENOBUFS,    ENETDOWN,  ENETUNREACH,  ECONNRESET, ENOTCONN, ETIMEDOUT,
                        ECONNREFUSED, EHOSTUNREACH, ESTALE, ECANCELED, EPROTO,       EBADMSG, ENODATA,   ENOLINK})
    EXPECT_NE(PosixErrorText(CodeOfErrno(err, ErrnoContext::kOpenFile)), nullptr) << err;
}

}  // namespace
}  // namespace tilora::platform
