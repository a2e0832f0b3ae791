#pragma once

// How errno values become codes of the IoError table (POSIX only). Where an
// errno means what a table code means, it takes that code, so messages read
// as on Windows; every other errno gets a code of its own above the table,
// so no platform error is ever shown under another error's text.

namespace tilora::platform {

// An errno value err without a table meaning has the code kPosixErrorBase + err.
inline constexpr int kPosixErrorBase = 1000;

// What the failed call was given: a file's name (then EINVAL and EILSEQ mean
// the name itself is refused) or an open file.
enum class ErrnoContext { kName, kOpenFile };

// The code for the errno of a failed call. ENOENT is "File not found"; the
// caller knows whether a missing folder makes it a bad name instead. A
// failure without an errno still gets a code, never 0.
int CodeOfErrno(int err, ErrnoContext context);

// The fixed English text of a code from kPosixErrorBase up, or nullptr when
// that errno has no text of its own here.
const char* PosixErrorText(int code);

}  // namespace tilora::platform
