#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <climits>

#include "io/io_error.h"
#include "io/platform_file.h"
#include "io/platform_file_set.h"

namespace tilora::platform {
namespace {

// Windows' codes are the table's own. Two meanings that Windows spells in
// more than one way are folded into the table's code, so that both platforms
// say the same: disk full, and a name too long (which Windows mostly answers
// with 3, but some of its calls, and Wine, with 206).
int LastError() {
  const DWORD err = ::GetLastError();
  if (err == ERROR_DISK_FULL || err == ERROR_HANDLE_DISK_FULL) return kErrDiskFull;
  if (err == ERROR_FILENAME_EXCED_RANGE) return kErrInvalidFilename;
  // A failure must never read as success, even without a reason given.
  return err == 0 ? static_cast<int>(ERROR_GEN_FAILURE) : static_cast<int>(err);
}

HANDLE HandleOf(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

Handle FromHandle(HANDLE handle) { return reinterpret_cast<Handle>(handle); }

// ReadFile and WriteFile take 32-bit counts.
constexpr std::size_t kMaxChunk = 1u << 30;

// No file system of Windows' holds a longer name in one folder. The wide
// functions do not all say so (Wine answers "not found"), where the 8-bit
// ones refused such a name as too long.
constexpr std::size_t kMaxLeafLength = 255;

bool HasOverlongLeaf(const std::wstring& name) {
  std::size_t leafLength = 0;
  for (const wchar_t c : name) {
    leafLength = c == L'\\' || c == L'/' ? 0 : leafLength + 1;
    if (leafLength > kMaxLeafLength) return true;
  }
  return false;
}

// Names arrive as UTF-8 and go to the wide functions, which take any name;
// the 8-bit ones take only names within the local code page. False, for code
// 3, when the name is empty, holds a NUL (it would name a shorter, other
// file), is no valid UTF-8 or has a part too long to exist.
bool WideName(const std::string& name, std::wstring& wide) {
  wide.clear();
  if (name.empty() || name.find('\0') != std::string::npos || name.size() > static_cast<std::size_t>(INT_MAX))
    return false;
  const int size = static_cast<int>(name.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), size, nullptr, 0);
  if (length <= 0) return false;
  wide.resize(static_cast<std::size_t>(length));
  if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), size, wide.data(), length) != length)
    return false;
  return !HasOverlongLeaf(wide);
}

}  // namespace

int OpenRead(const std::string& name, Handle& handle) {
  handle = kNoHandle;
  std::wstring wide;
  if (!WideName(name, wide)) return kErrInvalidFilename;
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder is refused with code 5.
  const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastError();
  handle = FromHandle(h);
  return 0;
}

int ReadAt(Handle handle, std::int64_t pos, void* dest, std::size_t count, std::size_t& got) {
  got = 0;
  LARGE_INTEGER where;
  where.QuadPart = pos;
  if (!::SetFilePointerEx(HandleOf(handle), where, nullptr, FILE_BEGIN)) return LastError();
  auto* out = static_cast<unsigned char*>(dest);
  while (got < count) {
    const std::size_t want = count - got < kMaxChunk ? count - got : kMaxChunk;
    DWORD n = 0;
    if (!::ReadFile(HandleOf(handle), out + got, static_cast<DWORD>(want), &n, nullptr)) return LastError();
    if (n == 0) break;
    got += n;
  }
  return 0;
}

int Close(Handle handle) { return ::CloseHandle(HandleOf(handle)) ? 0 : LastError(); }

int StampOf(Handle handle, FileStamp& stamp) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(HandleOf(handle), &info)) return LastError();
  stamp.size = static_cast<std::int64_t>(static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow);
  stamp.modified = static_cast<std::int64_t>(static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 |
                                             info.ftLastWriteTime.dwLowDateTime);
  return 0;
}

int CreateNew(const std::string& name, Handle& handle) {
  handle = kNoHandle;
  std::wstring wide;
  if (!WideName(name, wide)) return kErrInvalidFilename;
  const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = ::GetLastError();
    if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) return kAlreadyExists;
    return LastError();
  }
  handle = FromHandle(h);
  return 0;
}

int Write(Handle handle, const void* src, std::size_t count) {
  const auto* in = static_cast<const unsigned char*>(src);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t want = count - done < kMaxChunk ? count - done : kMaxChunk;
    DWORD n = 0;
    if (!::WriteFile(HandleOf(handle), in + done, static_cast<DWORD>(want), &n, nullptr)) return LastError();
    if (n == 0) return kErrDiskFull;  // a write that takes nothing cannot go on
    done += n;
  }
  return 0;
}

int Replace(const std::string& from, const std::string& to) {
  std::wstring wideFrom;
  std::wstring wideTo;
  if (!WideName(from, wideFrom) || !WideName(to, wideTo)) return kErrInvalidFilename;
  return ::MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : LastError();
}

int Remove(const std::string& name) {
  std::wstring wide;
  if (!WideName(name, wide)) return kErrInvalidFilename;
  return ::DeleteFileW(wide.c_str()) ? 0 : LastError();
}

// Windows' codes have no texts of their own here: "I/O error 32" is what
// the table has always said.
const char* ErrorText(int) { return nullptr; }

unsigned long ProcessId() { return ::GetCurrentProcessId(); }

int LastErrorCode(const std::string&) { return LastError(); }

bool ToWideName(const std::string& name, std::wstring& wide) { return WideName(name, wide); }

}  // namespace tilora::platform
