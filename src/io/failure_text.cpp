#include "io/failure_text.h"

#include "io/platform_file.h"

namespace tilora {

std::string IoErrorText(int code) {
  switch (code) {
    case kErrFileNotFound: return "File not found";
    case kErrInvalidFilename: return "Invalid filename";
    case kErrTooManyOpenFiles: return "Too many open files";
    case kErrAccessDenied: return "File access denied";
    case kErrReadBeyondEnd: return "Read beyond end of file";
    case kErrDiskFull: return "Disk full";
    case kErrInvalidNumericInput: return "Invalid numeric input";
    default: break;
  }
  if (const char* text = platform::ErrorText(code)) return text;
  return "I/O error " + std::to_string(code);
}

std::string FailureMessage(const Failure& failure) {
  switch (failure.kind) {
    case FailureKind::Io: {
      const std::string words = failure.detail.empty() ? IoErrorText(failure.ioCode) : failure.detail;
      return failure.message.empty() ? words : failure.message + " " + words;
    }
    case FailureKind::Internal: return "Internal error, nothing was written: " + failure.message;
    case FailureKind::OutOfMemory: return failure.message.empty() ? "Out of memory" : failure.message;
    case FailureKind::Picture:
    case FailureKind::Usage: break;
  }
  return failure.message;
}

std::string FailureText(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

}  // namespace tilora
