#include "io/io_error.h"

#include <gtest/gtest.h>


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

}  // namespace
}  // namespace tilora
