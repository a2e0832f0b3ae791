// Builds without libspng refuse every PNG with one message.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "formats/png/png_reader.h"
#include "formats/png/png_writer.h"

namespace tilora {
namespace {

TEST(PngUnsupported, EveryPngIsRefusedWithOneMessage) {
  const std::vector<std::uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_FALSE(PngSupported());
  EXPECT_TRUE(LooksLikePng(signature));
  const std::vector<Rgb> pixel(1);
  Picture picture;
  const std::function<void()> calls[] = {[&] { DecodePng(signature); }, [&] { EncodePngRgb(1, 1, pixel); },
                                         [&] { EncodePngIndexed(picture); }};
  for (const auto& call : calls) {
    try {
      call();
      ADD_FAILURE() << "not refused";
    } catch (const PngError& e) {
      EXPECT_STREQ(e.what(), "PNG pictures are not supported by this build of Tilora.");
    }
  }
}

}  // namespace
}  // namespace tilora
