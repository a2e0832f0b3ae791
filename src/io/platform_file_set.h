#pragma once

// What writing a set of outputs as one step needs from the operating system,
// beyond platform_file.h. Every function returns 0 or a code with the
// meaning of the IoError table.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/platform_file.h"

namespace tilora::platform {

// Which file a name leads to: device and inode, or volume and file index.
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  auto operator<=>(const FileId&) const = default;
};

// What is at a name now, links followed.
struct ExistingFile {
  bool exists = false;
  bool regular = false;
  bool writable = true;  // some write permission bit, whoever asks (read-only attribute on Windows)
  FileId id;
  std::uint32_t mode = 0;  // permission bits, POSIX only
  std::int64_t group = -1;  // POSIX only
};

// The code the calling thread's last failed system call stands for; name
// is the file it was about, or empty for an open file.
int LastErrorCode(const std::string& name);

#ifdef _WIN32
// A UTF-8 name for the wide functions; false when it cannot name a file.
bool ToWideName(const std::string& name, std::wstring& wide);
#endif

// The file a chain of symbolic links at name ends at, so that outputs are
// written through links; name itself when it is no link. Windows: name.
int FollowLinks(const std::string& name, std::string& target);

// A missing name is no failure: exists stays false.
int Inspect(const std::string& name, ExistingFile& file);

// An exclusive lock on a folder shared by every conversion writing into it,
// released by the system when the process ends. It adds nothing to the disk.
// Where none is to be had (a folder we may not read, a network file system
// without locks), conversions there do not take turns, as before locks.
struct FolderLock {
  Handle folder = kNoHandle;
  Handle lock = kNoHandle;  // Windows only
  FileId id;
  bool lockable = true;
};

// Opens and identifies the folder; name is the output file reported on failure.
int OpenFolder(const std::string& folder, const std::string& name, FolderLock& lock);
int LockFolder(FolderLock& lock);
// Whether files may be renamed and removed in the folder, not only added
// (Linux's append-only and immutable folders allow neither); true where
// that cannot be told.
bool FolderAllowsRemoval(const FolderLock& lock);
void ReleaseFolder(FolderLock& lock);

// CreateUnnamed's answer where the file system keeps no unnamed files.
inline constexpr int kNoUnnamedFiles = -1;

// A file in folder that has no name yet, so a process that dies leaves
// nothing. LinkUnnamed gives it a name, replacing a file left there by a
// process that died; the caller holds the folder's lock, so no living one
// is writing it.
int CreateUnnamed(const std::string& folder, Handle& handle);
int LinkUnnamed(Handle handle, const std::string& name);

#ifdef __linux__
inline constexpr bool kCanExchange = true;
#else
inline constexpr bool kCanExchange = false;
#endif

// Exchange's answer where the system cannot swap two names (no such call, or
// a file system without it).
inline constexpr int kNoExchange = -2;

// Swaps the files two existing names lead to, in one step: each name stays,
// the other file behind it. Linux only; kNoExchange elsewhere.
int Exchange(const std::string& a, const std::string& b);

// Creates name for writing, replacing a file left there by a process that
// died. On Windows another thread may remove it while it is open.
int CreateTemporary(const std::string& name, Handle& handle);

// Gives a new file the permission bits and, where allowed, the group of the
// file it will replace.
int MatchPermissions(Handle handle, const ExistingFile& old);

int HardLink(const std::string& existing, const std::string& link);

// As platform::Remove; a name already gone is no failure.
int RemoveIfPresent(const std::string& name);

}  // namespace tilora::platform
