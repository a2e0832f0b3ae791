#include "cli/utf8_arguments.h"

#include <gtest/gtest.h>

namespace tilora {
namespace {

TEST(Utf8FromUtf16, EncodesEveryLengthAndKeepsLoneSurrogatesInvalid) {
  const struct {
    std::u16string in;
    std::string out;
  } cases[] = {
      {u"", ""},
      {u"pic.bmp", "pic.bmp"},
      {u"\u00E9\u03A9", "\xC3\xA9\xCE\xA9"},            // two bytes each
      {u"\u6F22\uFFFD", "\xE6\xBC\xA2\xEF\xBF\xBD"},    // three bytes
      {u"\U0001F3A8", "\xF0\x9F\x8E\xA8"},              // a surrogate pair, four bytes
      {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},              // the last character
      {std::u16string{0xD83C}, "\xED\xA0\xBC"},          // a high half alone
      {std::u16string{0xDFA8, 0xD83C}, "\xED\xBE\xA8\xED\xA0\xBC"},  // halves in the wrong order
      {std::u16string{0xD83C, u'a'}, "\xED\xA0\xBC" "a"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8FromUtf16(c.in), c.out) << c.out;
}

}  // namespace
}  // namespace tilora
