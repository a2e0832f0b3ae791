// The PNG writer's files read back through the reader as the same picture,
// and pictures it cannot write are refused with their message.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "formats/png/png_reader.h"
#include "formats/png/png_writer.h"
#include "png_builder.h"

namespace tilora {
namespace {

std::string Failure(const auto& write) {
  try {
    write();
  } catch (const PngError& e) {
    return e.what();
  }
  return "";
}

TEST(PngWriter, RgbPicturesReadBackUnchanged) {
  const std::vector<Rgb> pixels = {{0, 0, 0}, {255, 128, 1}, {9, 8, 7}, {1, 2, 3}, {200, 201, 202}, {255, 255, 255}};
  const Picture p = DecodePng(EncodePngRgb(3, 2, pixels));
  EXPECT_FALSE(p.indexed);
  EXPECT_FALSE(p.hasAlpha);
  EXPECT_EQ(p.depth, 24);
  ASSERT_EQ(p.width, 3);
  ASSERT_EQ(p.height, 2);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    EXPECT_EQ(p.colours[i], (Rgba{pixels[i].red, pixels[i].green, pixels[i].blue, 255})) << i;
}

TEST(PngWriter, IndexedPicturesReadBackUnchanged) {
  const struct {
    int depth;
    int entries;
  } cases[] = {{1, 2}, {2, 3}, {4, 16}, {8, 200}, {8, 1}};
  for (const auto& c : cases) {
    Picture in;
    in.width = 9;  // rows that end inside a byte at every depth below 8
    in.height = 3;
    in.depth = c.depth;
    const auto samples = testing::RandomSamples(27, static_cast<std::uint16_t>(c.entries - 1), 3);
    in.indices.assign(samples.begin(), samples.end());
    for (int i = 0; i < c.entries; ++i)
      in.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3), 77});
    const Picture out = DecodePng(EncodePngIndexed(in));
    EXPECT_TRUE(out.indexed) << c.depth;
    EXPECT_EQ(out.depth, c.depth);
    EXPECT_EQ(out.width, 9);
    EXPECT_EQ(out.height, 3);
    EXPECT_EQ(out.indices, in.indices) << c.depth;
    EXPECT_EQ(out.palette, in.palette) << c.depth;
  }
}

// The stored form at each depth a palette length gives, rows of 33 pixels
// ending inside a byte below 8 bits.
TEST(PngWriter, StoredIndexedPicturesReadBackUnchanged) {
  for (const int entries : {1, 3, 7, 16, 17, 256}) {
    const auto samples = testing::RandomSamples(33 * 5, static_cast<std::uint16_t>(entries - 1), 9);
    const std::vector<std::uint8_t> indices(samples.begin(), samples.end());
    std::vector<Rgb> palette;
    for (int i = 0; i < entries; ++i)
      palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i / 2)});
    const Picture out = DecodePng(EncodePngIndexedStored(33, 5, indices, palette));
    EXPECT_TRUE(out.indexed);
    EXPECT_EQ(out.depth, entries <= 2 ? 1 : entries <= 4 ? 2 : entries <= 16 ? 4 : 8) << entries;
    EXPECT_EQ(out.width, 33);
    EXPECT_EQ(out.indices, indices) << entries;
    EXPECT_EQ(out.palette, palette) << entries;
  }
}

TEST(PngWriter, RefusesWhatItCannotWrite) {
  Picture indexed;
  indexed.width = 2;
  indexed.height = 1;
  indexed.depth = 2;
  indexed.indices = {0, 3};
  indexed.palette = {{1, 2, 3}, {4, 5, 6}};
  Picture deep = indexed;
  deep.depth = 3;
  Picture bigPalette = indexed;
  bigPalette.palette.resize(5);
  Picture noPalette = indexed;
  noPalette.palette.clear();
  Picture truecolour = indexed;
  truecolour.indexed = false;
  Picture short_ = indexed;
  short_.indices.pop_back();
  const std::vector<Rgb> six(6);
  const struct {
    const char* name;
    std::function<void()> write;
    std::string message;
  } cases[] = {
      {"no width", [&] { EncodePngRgb(0, 6, six); }, "A PNG picture of 0x6 pixels cannot be written."},
      {"negative", [&] { EncodePngRgb(-2, -3, six); }, "A PNG picture of -2x-3 pixels cannot be written."},
      {"too few pixels", [&] { EncodePngRgb(2, 4, six); }, "A PNG picture of 2x4 pixels needs 8 pixels, not 6."},
      {"index past palette", [&] { EncodePngIndexed(indexed); },
       "The picture uses colour index 3 but its palette has 2 entries."},
      {"depth 3", [&] { EncodePngIndexed(deep); },
       "Only indexed pictures of 1, 2, 4 or 8 bits a pixel can be written as palette PNG files."},
      {"truecolour", [&] { EncodePngIndexed(truecolour); },
       "Only indexed pictures of 1, 2, 4 or 8 bits a pixel can be written as palette PNG files."},
      {"palette too long", [&] { EncodePngIndexed(bigPalette); }, "A 2-bit PNG picture cannot have a palette of 5 entries."},
      {"no palette", [&] { EncodePngIndexed(noPalette); }, "A 2-bit PNG picture cannot have a palette of 0 entries."},
      {"indices short", [&] { EncodePngIndexed(short_); }, "A PNG picture of 2x1 pixels needs 2 pixels, not 1."},
      {"stored index past palette",
       [&] { EncodePngIndexedStored(3, 1, std::vector<std::uint8_t>{0, 2, 1}, std::vector<Rgb>(2)); },
       "The picture uses colour index 2 but its palette has 2 entries."},
      {"stored without palette", [&] { EncodePngIndexedStored(1, 1, std::vector<std::uint8_t>{0}, std::vector<Rgb>{}); },
       "An 8-bit PNG picture cannot have a palette of 0 entries."},
      {"stored palette too long",
       [&] { EncodePngIndexedStored(1, 1, std::vector<std::uint8_t>{0}, std::vector<Rgb>(257)); },
       "An 8-bit PNG picture cannot have a palette of 257 entries."},
      {"stored size", [&] { EncodePngIndexedStored(2, 2, std::vector<std::uint8_t>{0}, std::vector<Rgb>(1)); },
       "A PNG picture of 2x2 pixels needs 4 pixels, not 1."},
  };
  for (const auto& c : cases) EXPECT_EQ(Failure(c.write), c.message) << c.name;
}

}  // namespace
}  // namespace tilora
