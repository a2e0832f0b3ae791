#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

#include "io/io_error.h"
#include "io/platform_file_set.h"

namespace tilora::platform {
namespace {

HANDLE HandleOf(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

Handle FromHandle(HANDLE handle) { return reinterpret_cast<Handle>(handle); }

// Opens name only to look at it; folders too, and it stays free for others.
HANDLE OpenToLook(const std::string& name) {
  std::wstring wide;
  if (!ToWideName(name, wide)) {
    ::SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  return ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

int Identify(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info, FileId& id) {
  if (!::GetFileInformationByHandle(handle, &info)) return LastErrorCode(std::string());
  id.volume = info.dwVolumeSerialNumber;
  id.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return 0;
}

}  // namespace

int FollowLinks(const std::string& name, std::string& target) {
  target = name;
  return 0;
}

int Inspect(const std::string& name, ExistingFile& file) {
  file = ExistingFile{};
  const HANDLE h = OpenToLook(name);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = ::GetLastError();
    if (err == ERROR_INVALID_NAME) return kErrInvalidFilename;
    return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? 0 : LastErrorCode(name);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const int code = Identify(h, info, file.id);
  ::CloseHandle(h);
  if (code != 0) return code;
  file.exists = true;
  file.regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  file.writable = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
  return 0;
}

int OpenFolder(const std::string& folder, const std::string& name, FolderLock& lock) {
  lock = FolderLock{};
  const HANDLE h = OpenToLook(folder);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = ::GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_INVALID_NAME) return kErrInvalidFilename;
    return LastErrorCode(name);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (const int code = Identify(h, info, lock.id); code != 0) {
    ::CloseHandle(h);
    return code;
  }
  lock.folder = FromHandle(h);
  return 0;
}

// Byte-range locks are not to be had on folders, so the lock is a named
// mutex made from the folder's identity: it lives in the kernel only, and
// the system hands it on when its holder dies.
int LockFolder(FolderLock& lock) {
  char name[96];
  std::snprintf(name, sizeof name, "tilora-output-folder-%016llx-%016llx",
                static_cast<unsigned long long>(lock.id.volume), static_cast<unsigned long long>(lock.id.index));
  HANDLE mutex = ::CreateMutexA(nullptr, FALSE, (std::string("Global\\") + name).c_str());
  if (mutex == nullptr) mutex = ::CreateMutexA(nullptr, FALSE, (std::string("Local\\") + name).c_str());
  if (mutex == nullptr) return LastErrorCode(std::string());
  const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    const int code = LastErrorCode(std::string());
    ::CloseHandle(mutex);
    return code;
  }
  lock.lock = FromHandle(mutex);
  return 0;
}

bool FolderAllowsRemoval(const FolderLock&) { return true; }

void ReleaseFolder(FolderLock& lock) {
  if (lock.lock != kNoHandle) {
    ::ReleaseMutex(HandleOf(lock.lock));
    ::CloseHandle(HandleOf(lock.lock));
  }
  if (lock.folder != kNoHandle) ::CloseHandle(HandleOf(lock.folder));
  lock.lock = kNoHandle;
  lock.folder = kNoHandle;
}

int CreateUnnamed(const std::string&, Handle& handle) {
  handle = kNoHandle;
  return kNoUnnamedFiles;
}

int LinkUnnamed(Handle, const std::string&) { return static_cast<int>(ERROR_NOT_SUPPORTED); }

int Exchange(const std::string&, const std::string&) { return kNoExchange; }

int CreateTemporary(const std::string& name, Handle& handle) {
  handle = kNoHandle;
  std::wstring wide;
  if (!ToWideName(name, wide)) return kErrInvalidFilename;
  if (const int removed = RemoveIfPresent(name); removed != 0) return removed;
  // Shared for deletion, so an interruption can remove it while it is written.
  const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastErrorCode(name);
  handle = FromHandle(h);
  return 0;
}

// A replaced file is writable (read-only ones are refused), and its other
// attributes are the new file's defaults too.
int MatchPermissions(Handle, const ExistingFile&) { return 0; }

int HardLink(const std::string& existing, const std::string& link) {
  std::wstring from, to;
  if (!ToWideName(existing, from) || !ToWideName(link, to)) return kErrInvalidFilename;
  return ::CreateHardLinkW(to.c_str(), from.c_str(), nullptr) ? 0 : LastErrorCode(link);
}

int RemoveIfPresent(const std::string& name) {
  std::wstring wide;
  if (!ToWideName(name, wide)) return kErrInvalidFilename;
  if (::DeleteFileW(wide.c_str())) return 0;
  const DWORD err = ::GetLastError();
  return err == ERROR_FILE_NOT_FOUND ? 0 : LastErrorCode(name);
}

}  // namespace tilora::platform
