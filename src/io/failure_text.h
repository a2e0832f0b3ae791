#pragma once

// How a failure reads for the user, the same in the converter and the
// window: the table of file operation codes and the one-line message.

#include <string>

#include "io/failure.h"

namespace tilora {

// Codes of the file layer itself; everything else is the platform's own:
// Windows' error numbers, or on POSIX systems codes from 1000 up (see
// posix_error.h).
inline constexpr int kErrFileNotFound = 2;
inline constexpr int kErrInvalidFilename = 3;
inline constexpr int kErrTooManyOpenFiles = 4;
inline constexpr int kErrAccessDenied = 5;
inline constexpr int kErrReadBeyondEnd = 100;
inline constexpr int kErrDiskFull = 101;
inline constexpr int kErrFileNotOpen = 103;
inline constexpr int kErrInvalidNumericInput = 106;

// The table text for a code ("File not found", "I/O error 32", ...).
std::string IoErrorText(int code);

// The failure in one line, without the closing "." rule: the context and
// the code's words for a file operation, what was refused otherwise.
std::string FailureMessage(const Failure& failure);

// The text as the failure box and the converter show it: a "." is appended
// when the last character sorts after ".".
std::string FailureText(const std::string& text);

}  // namespace tilora
