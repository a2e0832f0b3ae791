#pragma once

// The few file operations the core needs from the operating system. Each
// returns 0 or an error code with the meaning of the IoError table, so the
// layers above never see errno or GetLastError. Names are UTF-8 on Windows
// and taken as they are elsewhere.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tilora::platform {

using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = -1;

// CreateNew's answer when the name is taken (Windows' ERROR_FILE_EXISTS).
inline constexpr int kAlreadyExists = 80;

// Opens an existing file for reading; other programs may go on reading and
// writing it. A folder is refused with code 5.
int OpenRead(const std::string& name, Handle& handle);

// Reads up to count bytes at pos; got is how many arrived (fewer only at the
// end of the file).
int ReadAt(Handle handle, std::int64_t pos, void* dest, std::size_t count, std::size_t& got);

int Close(Handle handle);

// What tells one version of a file from another without reading it.
struct FileStamp {
  std::int64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds (POSIX) or 100-ns units (Windows)
  bool operator==(const FileStamp&) const = default;
};
int StampOf(Handle handle, FileStamp& stamp);

// Creates a new file that must not exist yet, for writing, with the
// permissions a new file gets by default.
int CreateNew(const std::string& name, Handle& handle);

int Write(Handle handle, const void* src, std::size_t count);

// Moves a file over another, replacing it in one step.
int Replace(const std::string& from, const std::string& to);

int Remove(const std::string& name);

// The text of a code this platform adds to the table, or nullptr.
const char* ErrorText(int code);

// A number that differs between processes running at the same time, to make
// names of temporary files unique.
unsigned long ProcessId();

}  // namespace tilora::platform
