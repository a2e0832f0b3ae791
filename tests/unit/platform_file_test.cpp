#include "support/platform_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "support/io_error.h"
#include "temp_dir.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
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

#ifdef _WIN32
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
