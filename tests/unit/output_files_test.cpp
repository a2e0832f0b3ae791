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

TEST(WriteOutputFiles, WritesEveryFileAndLeavesNoTemporary) {
  TempDir dir;
  testing::WriteFileBytes(dir / "a.plt", {9, 9, 9, 9, 9, 9});
  const OutputFile files[] = {{dir / "a.plt", kNew1, 3}, {dir / "a.bin", kNew2, 2}};
  WriteOutputFiles(files);
  EXPECT_EQ(testing::ReadFileBytes(dir / "a.plt"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(testing::ReadFileBytes(dir / "a.bin"), (std::vector<std::uint8_t>{4, 5}));
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
