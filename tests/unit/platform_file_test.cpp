#include "io/platform_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "io/io_error.h"
#include "temp_dir.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io/posix_error.h"
#endif

namespace tilora {
namespace {

using testing::TempDir;

// Both platforms must give the codes Windows gives, so messages read alike.
TEST(PlatformFile, OpenReadRefusalsMeanTheSameEverywhere) {
  TempDir dir;
  testing::WriteFileBytes(dir / "pic.bmp", {1, 2, 3});
  std::filesystem::create_directory(dir / "folder.bmp");
  const struct {
    std::string name;
    int code;
  } cases[] = {
      {dir / "missing.bmp", kErrFileNotFound},
      {dir / "nodir/pic.bmp", kErrInvalidFilename},
      {(dir / "pic.bmp") + "/inner.bmp", kErrInvalidFilename},  // a file used as a folder
      {dir / "folder.bmp", kErrAccessDenied},
      {dir / (std::string(300, 'n') + ".bmp"), kErrInvalidFilename},
      {"", kErrInvalidFilename},
  };
  for (const auto& c : cases) {
    platform::Handle handle = 7;
    EXPECT_EQ(platform::OpenRead(c.name, handle), c.code) << c.name;
    EXPECT_EQ(handle, platform::kNoHandle) << c.name;
  }
}

TEST(PlatformFile, ReadAtStopsShortOnlyAtTheEnd) {
  TempDir dir;
  testing::WriteFileBytes(dir / "pic.bmp", {10, 11, 12, 13, 14});
  platform::Handle handle = platform::kNoHandle;
  ASSERT_EQ(platform::OpenRead(dir / "pic.bmp", handle), 0);
  const struct {
    std::int64_t pos;
    std::size_t count;
    std::size_t got;
    unsigned char first;
  } cases[] = {{0, 5, 5, 10}, {3, 4, 2, 13}, {1, 1, 1, 11}, {5, 3, 0, 0xEE}, {1000, 2, 0, 0xEE}};
  for (const auto& c : cases) {
    unsigned char buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    std::size_t got = 99;
    EXPECT_EQ(platform::ReadAt(handle, c.pos, buffer, c.count, got), 0) << c.pos;
    EXPECT_EQ(got, c.got) << c.pos;
    EXPECT_EQ(buffer[0], c.first) << c.pos;
    EXPECT_EQ(buffer[c.got], 0xEE) << c.pos;  // nothing stored past what arrived
  }
  EXPECT_EQ(platform::Close(handle), 0);
}

// Other programs may go on writing a picture while it is read.
TEST(PlatformFile, OpenReadSharesWithAWriter) {
  TempDir dir;
  std::ofstream writer(dir / "pic.bmp", std::ios::binary);
  writer << "AB" << std::flush;
  platform::Handle handle = platform::kNoHandle;
  ASSERT_EQ(platform::OpenRead(dir / "pic.bmp", handle), 0);
  char buffer[2] = {};
  std::size_t got = 0;
  EXPECT_EQ(platform::ReadAt(handle, 0, buffer, 2, got), 0);
  EXPECT_EQ(std::string(buffer, got), "AB");
  EXPECT_EQ(platform::Close(handle), 0);
}

TEST(PlatformFile, CreateNewNeverTakesAnExistingName) {
  TempDir dir;
  testing::WriteFileBytes(dir / "Pic.bin", {1});
  std::filesystem::create_directory(dir / "Pic.plt");
  const struct {
    std::string name;
    int code;
  } cases[] = {
      {dir / "Pic.bin", platform::kAlreadyExists},
      {dir / "Pic.plt", platform::kAlreadyExists},
      {dir / "nodir/Pic.bin", kErrInvalidFilename},
      {dir / (std::string(300, 'n') + ".bin"), kErrInvalidFilename},
      {"", kErrInvalidFilename},
  };
  for (const auto& c : cases) {
    platform::Handle handle = 7;
    EXPECT_EQ(platform::CreateNew(c.name, handle), c.code) << c.name;
    EXPECT_EQ(handle, platform::kNoHandle) << c.name;
  }
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.bin"), std::vector<std::uint8_t>{1});
}

TEST(PlatformFile, WrittenFileReplacesTargetAndIsRemovable) {
  TempDir dir;
  testing::WriteFileBytes(dir / "Pic.bin", {9, 9, 9, 9});
  platform::Handle handle = platform::kNoHandle;
  ASSERT_EQ(platform::CreateNew(dir / "new.tmp", handle), 0);
  const unsigned char bytes[] = {1, 2};
  EXPECT_EQ(platform::Write(handle, bytes, sizeof bytes), 0);
  EXPECT_EQ(platform::Close(handle), 0);
  EXPECT_EQ(platform::Replace(dir / "new.tmp", dir / "Pic.bin"), 0);
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.bin"), (std::vector<std::uint8_t>{1, 2}));
  EXPECT_EQ(platform::Remove(dir / "Pic.bin"), 0);
  EXPECT_EQ(platform::Remove(dir / "Pic.bin"), kErrFileNotFound);
  EXPECT_TRUE(dir.List().empty());
}

// The name the core is given, as UTF-8, for a leaf in dir.
std::string Utf8Name(const TempDir& dir, const std::u8string& leaf) {
  const std::u8string name = (dir.path() / std::filesystem::path(leaf)).u8string();
  return std::string(name.begin(), name.end());
}

std::vector<std::uint8_t> ReadAll(const std::string& name) {
  platform::Handle handle = platform::kNoHandle;
  EXPECT_EQ(platform::OpenRead(name, handle), 0);
  std::vector<std::uint8_t> bytes(16);
  std::size_t got = 0;
  EXPECT_EQ(platform::ReadAt(handle, 0, bytes.data(), bytes.size(), got), 0);
  EXPECT_EQ(platform::Close(handle), 0);
  bytes.resize(got);
  return bytes;
}

void WriteNew(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  platform::Handle handle = platform::kNoHandle;
  ASSERT_EQ(platform::CreateNew(name, handle), 0);
  EXPECT_EQ(platform::Write(handle, bytes.data(), bytes.size()), 0);
  EXPECT_EQ(platform::Close(handle), 0);
}

// Greek, CJK and an emoji share no code page: on Windows only the wide file
// functions reach such a name.
TEST(PlatformFile, NamesOutsideAnyCodePageWork) {
  TempDir dir;
  const std::u8string leaf = u8"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1-\u6F22\u5B57-\U0001F3A8";
  const std::string target = Utf8Name(dir, leaf + u8".bin");
  const std::string temp = Utf8Name(dir, leaf + u8".tmp");
  WriteNew(target, {1, 2, 3});
  EXPECT_TRUE(std::filesystem::exists(dir.path() / std::filesystem::path(leaf + u8".bin")));
  EXPECT_EQ(ReadAll(target), (std::vector<std::uint8_t>{1, 2, 3}));
  WriteNew(temp, {4, 5});
  EXPECT_EQ(platform::Replace(temp, target), 0);
  EXPECT_EQ(ReadAll(target), (std::vector<std::uint8_t>{4, 5}));
  EXPECT_EQ(platform::Remove(target), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// A NUL would end the name early and reach another, shorter one.
TEST(PlatformFile, NamesWithANulAreRefusedUntouched) {
  TempDir dir;
  testing::WriteFileBytes(dir / "pic", {7});
  const std::string name = dir / std::string("pic\0.bin", 8);
  platform::Handle handle = platform::kNoHandle;
  EXPECT_EQ(platform::OpenRead(name, handle), kErrInvalidFilename);
  EXPECT_EQ(platform::CreateNew(dir / std::string("new\0", 4), handle), kErrInvalidFilename);
  EXPECT_EQ(platform::Replace(dir / "pic", name), kErrInvalidFilename);
  EXPECT_EQ(platform::Remove(name), kErrInvalidFilename);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"pic"});
}

#ifndef _WIN32
int OpenCode(const std::string& name) {
  platform::Handle handle = platform::kNoHandle;
  return platform::OpenRead(name, handle);
}

#ifdef __linux__
int ReadCodeAt(const std::string& name, std::int64_t pos) {
  platform::Handle handle = platform::kNoHandle;
  if (const int opened = platform::OpenRead(name, handle)) return opened;
  unsigned char byte = 0;
  std::size_t got = 0;
  const int code = platform::ReadAt(handle, pos, &byte, 1, got);
  platform::Close(handle);
  return code;
}
#endif

bool BindSocket(const std::string& name) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (name.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) ::close(fd);
  return bound;
}

// Errors the table has no code for keep their own meaning and text.
TEST(PlatformFilePosix, OtherErrorsReadAsWhatHappened) {
  TempDir dir;
  std::filesystem::create_symlink(dir / "loop-b", dir / "loop-a");
  std::filesystem::create_symlink(dir / "loop-a", dir / "loop-b");
  ASSERT_TRUE(BindSocket(dir / "socket"));
  const struct {
    int code;
    int err;
    const char* text;
  } cases[] = {
      {OpenCode(dir / "loop-a"), ELOOP, "Too many levels of symbolic links"},
      {OpenCode(dir / "socket"), ENXIO, "No such device or address"},
#ifdef __linux__
      {ReadCodeAt("/proc/self/mem", 0), EIO, "Input/output error"},  // unmapped memory
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.code, platform::kPosixErrorBase + c.err) << c.text;
    EXPECT_EQ(IoErrorText(c.code), c.text);
  }
}
#endif

#ifdef _WIN32
// Names that are no UTF-8 (a stray byte, a surrogate half) name no file.
TEST(PlatformFileWindows, NamesThatAreNoUtf8AreInvalid) {
  TempDir dir;
  for (const char* leaf : {"a\xFF.bmp", "a\xC3.bmp", "a\xED\xA0\x80.bmp", "a\xC0\xAF.bmp"}) {
    // Not through std::filesystem, which would take the bytes as code page text.
    const std::string name = dir.path().string() + "\\" + leaf;
    platform::Handle handle = platform::kNoHandle;
    EXPECT_EQ(platform::OpenRead(name, handle), kErrInvalidFilename) << leaf;
    EXPECT_EQ(platform::CreateNew(name, handle), kErrInvalidFilename) << leaf;
    EXPECT_EQ(platform::Remove(name), kErrInvalidFilename) << leaf;
  }
  EXPECT_TRUE(dir.List().empty());
}

constexpr int kInvalidName = ERROR_INVALID_NAME;
constexpr int kSharingViolation = ERROR_SHARING_VIOLATION;

// Characters only Windows refuses in names come through with its own code.
TEST(PlatformFileWindows, RefusedNamesGiveTheirCode) {
  TempDir dir;
  for (const char* leaf : {"a<b.bmp", "a>b.bmp", "a?b.bmp", "a*b.bmp", "a|b.bmp", "a\"b.bmp"}) {
    platform::Handle handle = platform::kNoHandle;
    EXPECT_EQ(platform::OpenRead(dir / leaf, handle), kInvalidName) << leaf;
    EXPECT_EQ(platform::CreateNew(dir / leaf, handle), kInvalidName) << leaf;
  }
  EXPECT_EQ(IoErrorText(kInvalidName), "I/O error 123");
}

TEST(PlatformFileWindows, FileHeldWithoutSharingGivesCode32) {
  TempDir dir;
  testing::WriteFileBytes(dir / "pic.bmp", {1});
  const HANDLE holder = ::CreateFileA((dir / "pic.bmp").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  platform::Handle handle = platform::kNoHandle;
  EXPECT_EQ(platform::OpenRead(dir / "pic.bmp", handle), kSharingViolation);
  EXPECT_EQ(IoErrorText(kSharingViolation), "I/O error 32");
  ::CloseHandle(holder);
}
#endif

}  // namespace
}  // namespace tilora
