#include "io/io_error.h"

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

IoError::IoError(int code) : std::runtime_error(IoErrorText(code)), code_(code) {}

IoError::IoError(int code, const std::string& message)
    : std::runtime_error(message), code_(code) {}

std::string FailureText(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

}  // namespace tilora
