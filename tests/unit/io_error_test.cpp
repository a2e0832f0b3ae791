#include "support/io_error.h"

#include <gtest/gtest.h>

#include "support/app_title.h"

namespace tilora {
namespace {

TEST(IoErrorText, EachCodeHasItsText) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {2, "File not found"},       {3, "Invalid filename"},  {4, "Too many open files"},
      {5, "File access denied"},   {100, "Read beyond end of file"}, {101, "Disk full"},
      {106, "Invalid numeric input"}, {32, "I/O error 32"}, {103, "I/O error 103"},
      {123, "I/O error 123"},      {-7, "I/O error -7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IoErrorText(c.code), c.text) << c.code;
    const IoError error(c.code);
    EXPECT_EQ(error.code(), c.code);
    EXPECT_STREQ(error.what(), c.text);
  }
}

TEST(FailureText, AppendsPeriodOnlyAfterCharactersSortingAfterIt) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"Read beyond end of file", "Read beyond end of file."},
      {"I/O error 32", "I/O error 32."},
      {"Already ends.", "Already ends."},
      {"Ends with a dash -", "Ends with a dash -"},  // '-' sorts before '.'
      {"Ends with a comma,", "Ends with a comma,"},
      {"Ends with a slash/", "Ends with a slash/."},  // '/' sorts after '.'
      {"Ends with a bracket)", "Ends with a bracket)"},
      {"", ""},
      {"caf\xC3\xA9", "caf\xC3\xA9."},  // bytes above 127 sort after '.'
  };
  for (const auto& c : cases) EXPECT_EQ(FailureText(c.in), c.out) << c.in;
}

TEST(ApplicationTitle, FollowsTheExecutableName) {
  const struct {
    const char* path;
    const char* title;
  } cases[] = {
      {"C:\\x\\MYCONV.EXE", "Myconv"},
      {"/usr/bin/tilora", "tilora"},
      {"./tilora", "tilora"},
      {"/opt/TILORA.bin.old", "Tilora"},
      {"/usr/bin/Tilora-Convert", "Tilora-convert"},
      {"/a/b/x.y/Prog", "Prog"},
      {"lower", "lower"},
  };
  for (const auto& c : cases) EXPECT_EQ(ApplicationTitle(c.path), c.title) << c.path;
  EXPECT_EQ(ApplicationTitle("/" + std::string(300, 'A')).size(), 255u);
}

}  // namespace
}  // namespace tilora
