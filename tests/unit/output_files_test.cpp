#include "support/output_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "bmp_builder.h"
#include "support/io_error.h"
#include "temp_dir.h"

namespace tilora {
namespace {

using testing::TempDir;

const std::uint8_t kNew1[] = {1, 2, 3};
const std::uint8_t kNew2[] = {4, 5};

struct HookReset {
  ~HookReset() { BeforeReplaceHook = nullptr; }
};

TEST(WriteOutputFiles, WritesEveryFileAndLeavesNoTemporary) {
  TempDir dir;
  testing::WriteFileBytes(dir / "a.plt", {9, 9, 9, 9, 9, 9});
  const OutputFile files[] = {{dir / "a.plt", kNew1, 3}, {dir / "a.bin", kNew2, 2}};
  WriteOutputFiles(files);
  EXPECT_EQ(testing::ReadFileBytes(dir / "a.plt"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(testing::ReadFileBytes(dir / "a.bin"), (std::vector<std::uint8_t>{4, 5}));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.bin", "a.plt"}));
}

TEST(WriteOutputFiles, FailuresNameTheFileAndTouchNothing) {
  TempDir dir;
  testing::WriteFileBytes(dir / "plain", {7});
  std::filesystem::create_directory(dir.path() / "folder.plt");
  const struct {
    std::string base;
    std::string message;
  } cases[] = {
      {dir / "missing/Pic", "Cannot create file \"" + (dir / "missing/Pic") + ".plt\". Invalid filename"},
      {dir / "plain/Pic", "Cannot create file \"" + (dir / "plain/Pic") + ".plt\". Invalid filename"},
      {dir / "folder", "Cannot create file \"" + (dir / "folder") + ".plt\". File access denied"},
  };
  for (const auto& c : cases) {
    const OutputFile files[] = {{c.base + ".plt", kNew1, 3}, {c.base + ".bin", kNew2, 2}};
    try {
      WriteOutputFiles(files);
      ADD_FAILURE() << c.base;
    } catch (const IoError& e) {
      EXPECT_EQ(e.what(), c.message);
      EXPECT_EQ(FailureText(e.what()), c.message + ".");
    }
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"folder.plt", "plain"})) << c.base;
  }
}

TEST(WriteOutputFiles, InterruptionBetweenReplacementsKeepsTheRest) {
  TempDir dir;
  HookReset reset;
  testing::WriteFileBytes(dir / "a.plt", {8});
  testing::WriteFileBytes(dir / "a.bin", {8, 8});
  BeforeReplaceHook = [](std::size_t index) {
    if (index == 1) throw IoError(kErrDiskFull);
  };
  const OutputFile files[] = {{dir / "a.plt", kNew1, 3}, {dir / "a.bin", kNew2, 2}};
  EXPECT_THROW(WriteOutputFiles(files), IoError);
  // Each file is either wholly old or wholly new.
  EXPECT_EQ(testing::ReadFileBytes(dir / "a.plt"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(testing::ReadFileBytes(dir / "a.bin"), (std::vector<std::uint8_t>{8, 8}));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.bin", "a.plt"}));
}

#ifndef _WIN32
TEST(WriteOutputFiles, NewFilesGetTheDefaultPermissions) {
  TempDir dir;
  const mode_t old = ::umask(027);
  const OutputFile files[] = {{dir / "p.plt", kNew1, 3}};
  WriteOutputFiles(files);
  ::umask(old);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "p.plt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}
#endif

}  // namespace
}  // namespace tilora
