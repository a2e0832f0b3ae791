#include "io/checked_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "bmp_builder.h"
#include "io/io_error.h"
#include "temp_dir.h"

namespace tilora {
namespace {

using testing::TempDir;

int OpenCode(const std::string& name) {
  CheckedFile file;
  file.Bind(name);
  try {
    file.Open();
  } catch (const IoError& e) {
    return e.code();
  }
  return 0;
}

TEST(CheckedFileOpen, MapsFailuresOntoTheTable) {
  TempDir dir;
  testing::WriteFileBytes(dir / "file", {1, 2, 3});
  std::filesystem::create_directory(dir.path() / "folder");
  const struct {
    std::string name;
    int code;
  } cases[] = {
      {dir / "file", 0},
      {dir / "missing", kErrFileNotFound},
      {dir / "no-such-folder/file", kErrInvalidFilename},
      {dir / "file/below-a-file", kErrInvalidFilename},
      {dir / "folder", kErrAccessDenied},
      {"", kErrInvalidFilename},
      {dir / std::string(5000, 'x'), kErrInvalidFilename},
  };
  for (const auto& c : cases) EXPECT_EQ(OpenCode(c.name), c.code) << c.name;
}

TEST(CheckedFileOpen, ReadOnlyFilesOpen) {
  TempDir dir;
  testing::WriteFileBytes(dir / "ro", {1});
  std::filesystem::permissions(dir / "ro", std::filesystem::perms::owner_read);
  EXPECT_EQ(OpenCode(dir / "ro"), 0);
}

class CheckedFileRead : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::uint8_t> bytes(20);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
    testing::WriteFileBytes(dir_ / "twenty", bytes);
    file_.Bind(dir_ / "twenty");
    file_.Open();
  }
  TempDir dir_;
  CheckedFile file_;
};

TEST_F(CheckedFileRead, ShortReadStoresWhatWasThereAndFailsWith100) {
  std::uint8_t dest[4] = {1, 2, 3, 4};
  file_.Seek(18);
  try {
    file_.Read(dest, 4);
    FAIL() << "no failure";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), kErrReadBeyondEnd);
    EXPECT_STREQ(e.what(), "Read beyond end of file");
  }
  EXPECT_EQ(dest[0], 0xB2);
  EXPECT_EQ(dest[1], 0xB3);
  EXPECT_EQ(dest[2], 3);
  EXPECT_EQ(dest[3], 4);
}

TEST_F(CheckedFileRead, SeekFarBeyondEndSucceedsAndNextReadFails) {
  std::uint8_t b = 0;
  EXPECT_NO_THROW(file_.Seek(1'000'000'000'000));
  EXPECT_THROW(file_.Read(&b, 1), IoError);
}

TEST_F(CheckedFileRead, ReadsExactlyAtPosition) {
  std::uint8_t b[2] = {};
  file_.Seek(5);
  file_.Read(b, 2);
  EXPECT_EQ(b[0], 0xA5);
  EXPECT_EQ(b[1], 0xA6);
  EXPECT_EQ(file_.Position(), 7);
  EXPECT_EQ(file_.ReadUpTo(b, 2), 2u);
  file_.Seek(19);
  EXPECT_EQ(file_.ReadUpTo(b, 2), 1u);
}

TEST_F(CheckedFileRead, OperationsOnAClosedFileFailWith103) {
  file_.Close();
  std::uint8_t b = 0;
  const auto code = [](auto&& op) {
    try {
      op();
    } catch (const IoError& e) {
      return e.code();
    }
    return 0;
  };
  EXPECT_EQ(code([&] { file_.Seek(0); }), kErrFileNotOpen);
  EXPECT_EQ(code([&] { file_.Read(&b, 1); }), kErrFileNotOpen);
  EXPECT_EQ(code([&] { file_.Close(); }), kErrFileNotOpen);
  EXPECT_EQ(IoError(kErrFileNotOpen).what(), std::string("I/O error 103"));
}

TEST_F(CheckedFileRead, RebindingClosesTheOpenFile) {
  file_.Bind(dir_ / "other");
  EXPECT_FALSE(file_.IsOpen());
  EXPECT_EQ(file_.Name(), dir_ / "other");
}

}  // namespace
}  // namespace tilora
