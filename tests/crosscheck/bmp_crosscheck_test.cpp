// The test pictures are read back by an independent decoder (Qt's), so the
// golden tests do not rest on our own idea of the file format alone.

#include <QImage>
#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "temp_dir.h"

namespace {

using tilora::testing::BmpShape;

TEST(BmpCrossCheck, QtReadsTheSamePixelsAndColours) {
  const struct {
    std::int32_t w, h;
    std::uint16_t depth;
    std::uint32_t headerSize;
  } cases[] = {{1, 1, 4, 40}, {9, 8, 4, 40}, {13, 11, 8, 40}, {16, -16, 4, 40}, {21, -10, 8, 40},
               {16, 16, 4, 124}, {16, 8, 8, 108}, {256, 224, 4, 40}};
  for (const auto& c : cases) {
    BmpShape shape;
    shape.width = c.w;
    shape.height = c.h;
    shape.depth = c.depth;
    shape.headerSize = c.headerSize;
    const auto rows = c.h < 0 ? -c.h : c.h;
    shape.pixels = tilora::testing::RandomPixels(static_cast<std::size_t>(c.w * rows), 1 << c.depth, 11);
    const auto bytes = tilora::testing::BuildBmp(shape);
    QImage image;
    ASSERT_TRUE(image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "BMP"))
        << c.w << "x" << c.h << " " << c.depth;
    ASSERT_EQ(image.width(), c.w);
    ASSERT_EQ(image.height(), rows);
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < c.w; ++x) {
        const auto index = shape.pixels[static_cast<std::size_t>(y * c.w + x)];
        const auto entry = tilora::testing::PaletteEntry(shape, index);
        ASSERT_EQ(image.pixel(x, y), qRgb(entry[2], entry[1], entry[0]))
            << c.w << "x" << c.h << " at " << x << "," << y;
      }
  }
}

}  // namespace
