// Every PNG colour type and bit depth decodes to the picture value worked
// out by hand; interlaced files decode as their plain twins.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/png/png_reader.h"
#include "png_builder.h"

namespace tilora {
namespace {

using testing::BuildPng;
using testing::PngShape;

PngShape Shape(std::uint32_t w, std::uint32_t h, std::uint8_t type, std::uint8_t depth,
               std::vector<std::uint16_t> samples) {
  PngShape s;
  s.width = w;
  s.height = h;
  s.colourType = type;
  s.bitDepth = depth;
  s.samples = std::move(samples);
  return s;
}

std::vector<std::array<std::uint8_t, 3>> Palette(int entries) {
  std::vector<std::array<std::uint8_t, 3>> p;
  for (int i = 0; i < entries; ++i)
    p.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i), static_cast<std::uint8_t>(255 - i)});
  return p;
}

std::vector<Rgb> PaletteColours(int entries) {
  std::vector<Rgb> p;
  for (const auto& e : Palette(entries)) p.push_back({e[0], e[1], e[2]});
  return p;
}

TEST(PngReader, PalettePicturesKeepTheirIndicesAndPalette) {
  const struct {
    const char* name;
    PngShape shape;
    int entries;
    std::vector<std::uint8_t> indices;
  } cases[] = {
      // Ten 1-bit pixels cross a byte; the row's filler bits are not pixels.
      {"1-bit", Shape(10, 1, 3, 1, {1, 0, 1, 1, 0, 0, 1, 0, 1, 1}), 2, {1, 0, 1, 1, 0, 0, 1, 0, 1, 1}},
      {"2-bit", Shape(5, 2, 3, 2, {0, 1, 2, 2, 1, 2, 0, 0, 1, 2}), 3, {0, 1, 2, 2, 1, 2, 0, 0, 1, 2}},
      {"4-bit", Shape(3, 1, 3, 4, {15, 0, 9}), 16, {15, 0, 9}},
      {"8-bit", Shape(2, 1, 3, 8, {255, 3}), 256, {255, 3}},
      {"one entry", Shape(2, 2, 3, 8, {0, 0, 0, 0}), 1, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    PngShape shape = c.shape;
    shape.palette = Palette(c.entries);
    const Picture p = DecodePng(BuildPng(shape));
    EXPECT_TRUE(p.indexed) << c.name;
    EXPECT_EQ(p.width, static_cast<std::int32_t>(shape.width)) << c.name;
    EXPECT_EQ(p.height, static_cast<std::int32_t>(shape.height)) << c.name;
    EXPECT_EQ(p.depth, shape.bitDepth) << c.name;
    EXPECT_EQ(p.indices, c.indices) << c.name;
    EXPECT_EQ(p.palette, PaletteColours(c.entries)) << c.name;
    EXPECT_TRUE(p.colours.empty()) << c.name;
  }
}

TEST(PngReader, TruecolourPicturesGiveTheirColoursAndStoredDepth) {
  const std::optional<std::array<std::uint16_t, 3>> noKey;
  const struct {
    const char* name;
    PngShape shape;
    std::optional<std::array<std::uint16_t, 3>> key;
    int depth;
    bool hasAlpha;
    std::vector<Rgba> colours;
  } cases[] = {
      // Grey below 8 bits spreads over 0..255 (n * 255 / max).
      {"grey 1", Shape(3, 1, 0, 1, {1, 0, 1}), noKey, 1, false, {{255, 255, 255, 255}, {0, 0, 0, 255}, {255, 255, 255, 255}}},
      {"grey 2", Shape(4, 1, 0, 2, {0, 1, 2, 3}), noKey, 2, false,
       {{0, 0, 0, 255}, {85, 85, 85, 255}, {170, 170, 170, 255}, {255, 255, 255, 255}}},
      {"grey 4", Shape(3, 1, 0, 4, {0, 5, 15}), noKey, 4, false, {{0, 0, 0, 255}, {85, 85, 85, 255}, {255, 255, 255, 255}}},
      {"grey 8", Shape(2, 1, 0, 8, {7, 200}), noKey, 8, false, {{7, 7, 7, 255}, {200, 200, 200, 255}}},
      // 16-bit samples keep their top byte, without rounding.
      {"grey 16", Shape(2, 1, 0, 16, {0x12F4, 0xFF00}), noKey, 16, false, {{0x12, 0x12, 0x12, 255}, {0xFF, 0xFF, 0xFF, 255}}},
      {"grey+alpha 8", Shape(1, 1, 4, 8, {9, 200}), noKey, 16, true, {{9, 9, 9, 200}}},
      {"grey+alpha 16", Shape(1, 1, 4, 16, {0xABCD, 0x80FF}), noKey, 32, true, {{0xAB, 0xAB, 0xAB, 0x80}}},
      {"rgb 8", Shape(2, 1, 2, 8, {1, 2, 3, 250, 251, 252}), noKey, 24, false, {{1, 2, 3, 255}, {250, 251, 252, 255}}},
      {"rgb 16", Shape(1, 1, 2, 16, {0x01FF, 0x8000, 0xFFFF}), noKey, 48, false, {{1, 128, 255, 255}}},
      {"rgba 8", Shape(1, 1, 6, 8, {1, 2, 3, 4}), noKey, 32, true, {{1, 2, 3, 4}}},
      {"rgba 16", Shape(1, 1, 6, 16, {0x1000, 0x20FF, 0x3080, 0x40FF}), noKey, 64, true, {{0x10, 0x20, 0x30, 0x40}}},
      // A colour key makes exactly that colour transparent; at 16 bits the
      // whole sample is compared, not the top byte kept.
      {"rgb 8 key", Shape(2, 1, 2, 8, {1, 2, 3, 1, 2, 4}), std::array<std::uint16_t, 3>{1, 2, 3}, 24, true,
       {{1, 2, 3, 0}, {1, 2, 4, 255}}},
      {"rgb 16 key", Shape(2, 1, 2, 16, {0x0102, 0x0304, 0x0506, 0x01FF, 0x0304, 0x0506}),
       std::array<std::uint16_t, 3>{0x0102, 0x0304, 0x0506}, 48, true, {{1, 3, 5, 0}, {1, 3, 5, 255}}},
      {"grey 2 key", Shape(2, 1, 0, 2, {0, 1}), std::array<std::uint16_t, 3>{1, 0, 0}, 2, true,
       {{0, 0, 0, 255}, {85, 85, 85, 0}}},
  };
  for (const auto& c : cases) {
    PngShape shape = c.shape;
    shape.colourKey = c.key;
    const Picture p = DecodePng(BuildPng(shape));
    EXPECT_FALSE(p.indexed) << c.name;
    EXPECT_EQ(p.depth, c.depth) << c.name;
    EXPECT_EQ(p.hasAlpha, c.hasAlpha) << c.name;
    EXPECT_EQ(p.colours, c.colours) << c.name;
    EXPECT_TRUE(p.indices.empty() && p.palette.empty()) << c.name;
  }
}

TEST(PngReader, InterlacedFilesDecodeAsTheirPlainTwins) {
  const struct {
    std::uint8_t type;
    std::uint8_t depth;
  } kinds[] = {{3, 1}, {3, 2}, {3, 4}, {3, 8}, {0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16},
               {4, 8}, {4, 16}, {2, 8}, {2, 16}, {6, 8}, {6, 16}};
  for (const auto& k : kinds) {
    PngShape shape = testing::RandomPngShape(13, 11, k.type, k.depth, 5);
    const Picture plain = DecodePng(BuildPng(shape));
    shape.interlaced = true;
    const Picture interlaced = DecodePng(BuildPng(shape));
    const std::string name = std::to_string(k.type) + "/" + std::to_string(k.depth);
    EXPECT_EQ(interlaced.indices, plain.indices) << name;
    EXPECT_EQ(interlaced.colours, plain.colours) << name;
    EXPECT_EQ(interlaced.palette, plain.palette) << name;
    EXPECT_EQ(interlaced.depth, plain.depth) << name;
  }
}

TEST(PngReader, LooksLikePngWantsTheWholeSignature) {
  const std::vector<std::uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(LooksLikePng(signature));
  auto longer = signature;
  longer.push_back(0);
  EXPECT_TRUE(LooksLikePng(longer));
  EXPECT_FALSE(LooksLikePng(std::span(signature).first(7)));
  EXPECT_FALSE(LooksLikePng({}));
  auto textMangled = signature;
  textMangled[4] = '\n';  // a file sent through a line-ending conversion
  EXPECT_FALSE(LooksLikePng(textMangled));
  const std::vector<std::uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(LooksLikePng(bmp));
}

}  // namespace
}  // namespace tilora
