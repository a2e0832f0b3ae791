// Our PNG reading against an independent decoder (Qt's) on generated files
// of every colour type, bit depth and interlacing.

#include <QImage>
#include <gtest/gtest.h>

#include <string>

#include "formats/png/png_reader.h"
#include "png_builder.h"

namespace {

using tilora::testing::PngShape;

// Qt's colour at 8 bits a channel, cut down the way PNG samples are.
tilora::Rgba QtColour(const QImage& image, int x, int y) {
  const QRgba64 c = image.pixelColor(x, y).rgba64();
  return {static_cast<std::uint8_t>(c.red() >> 8), static_cast<std::uint8_t>(c.green() >> 8),
          static_cast<std::uint8_t>(c.blue() >> 8), static_cast<std::uint8_t>(c.alpha() >> 8)};
}

void ExpectSamePicture(const PngShape& shape, const std::string& name) {
  const auto bytes = tilora::testing::BuildPng(shape);
  QImage image;
  ASSERT_TRUE(image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "PNG")) << name;
  const tilora::Picture picture = tilora::DecodePng(bytes);
  ASSERT_EQ(picture.width, image.width()) << name;
  ASSERT_EQ(picture.height, image.height()) << name;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      if (picture.indexed) {
        const tilora::Rgb ours = picture.palette.at(picture.IndexAt(x, y));
        const QRgb theirs = image.pixel(x, y);
        ASSERT_EQ(ours, (tilora::Rgb{static_cast<std::uint8_t>(qRed(theirs)), static_cast<std::uint8_t>(qGreen(theirs)),
                                     static_cast<std::uint8_t>(qBlue(theirs))}))
            << name << " at " << x << "," << y;
        if (image.colorCount() > 0) {
          ASSERT_EQ(picture.IndexAt(x, y), image.pixelIndex(x, y)) << name;
        }
      } else {
        // Qt sometimes clears the colour of a fully transparent pixel.
        const tilora::Rgba ours = picture.ColourAt(x, y);
        tilora::Rgba theirs = QtColour(image, x, y);
        if (ours.alpha == 0 && theirs.alpha == 0) theirs = ours;
        ASSERT_EQ(ours, theirs)
            << name << " at " << x << "," << y;
      }
    }
}

TEST(PngCrossCheck, QtReadsTheSamePixels) {
  const struct {
    std::uint8_t type;
    std::uint8_t depth;
  } kinds[] = {{3, 1}, {3, 2}, {3, 4}, {3, 8}, {0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16},
               {4, 8}, {4, 16}, {2, 8}, {2, 16}, {6, 8}, {6, 16}};
  std::uint32_t seed = 1;
  for (const auto& k : kinds)
    for (const bool interlaced : {false, true}) {
      PngShape shape = tilora::testing::RandomPngShape(37, 19, k.type, k.depth, ++seed);
      shape.interlaced = interlaced;
      ExpectSamePicture(shape, std::to_string(k.type) + "/" + std::to_string(k.depth) + (interlaced ? " interlaced" : ""));
    }
}

TEST(PngCrossCheck, QtAgreesOnTransparency) {
  // A colour key that some pixels match: few sample values make that likely.
  // Not at 16 bits: Qt compares the key after cutting samples to 8 bits, so
  // it takes (3, 1, 2) for the key (1, 1, 0); the unit tests hold the exact
  // comparison.
  const struct {
    std::uint8_t type;
    std::uint8_t depth;
    std::array<std::uint16_t, 3> key;
  } kinds[] = {{0, 1, {1, 0, 0}}, {0, 2, {1, 0, 0}}, {0, 4, {2, 0, 0}}, {0, 8, {3, 0, 0}}, {2, 8, {1, 0, 1}}};
  for (const auto& k : kinds) {
    PngShape shape = tilora::testing::RandomPngShape(16, 16, k.type, k.depth, 9);
    for (auto& v : shape.samples) v = static_cast<std::uint16_t>(v % 4);
    shape.colourKey = k.key;
    ExpectSamePicture(shape, "key " + std::to_string(k.type) + "/" + std::to_string(k.depth));
  }
  PngShape palette = tilora::testing::RandomPngShape(16, 16, 3, 4, 4);
  palette.paletteAlpha = {0, 64, 255};
  ExpectSamePicture(palette, "palette alpha");
}

}  // namespace
