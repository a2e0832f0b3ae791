// Writes the pictures of the converter checks into the current folder, with
// the reference encoder's bytes for each picture that converts.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "bmp_builder.h"
#include "reference_encoder.h"

namespace {

using tilora::testing::BmpShape;

BmpShape Picture(std::int32_t width, std::int32_t height, std::uint16_t depth, std::uint32_t seed) {
  BmpShape shape;
  shape.width = width;
  shape.height = height;
  shape.depth = depth;
  const auto rows = static_cast<std::size_t>(height < 0 ? -height : height);
  shape.pixels = tilora::testing::RandomPixels(static_cast<std::size_t>(width) * rows, 1 << depth, seed);
  return shape;
}

void WriteWithReference(const std::string& base, const BmpShape& shape) {
  tilora::testing::WriteFileBytes(base + ".bmp", tilora::testing::BuildBmp(shape));
  tilora::testing::WriteFileBytes(base + ".ref.bin", tilora::testing::ReferenceTiles(shape));
  tilora::testing::WriteFileBytes(base + ".ref.plt", tilora::testing::ReferencePalette(shape));
}

}  // namespace

int main() {
  try {
    // Odd sizes, so the padding to whole tiles and the 4-bit filler nibble count.
    BmpShape pic4 = Picture(37, 21, 4, 11);
    pic4.filler = 0x5A;
    WriteWithReference("pic4", pic4);

    // Stored top row first, with a long header and a short colour table.
    BmpShape pic8 = Picture(50, -19, 8, 12);
    pic8.headerSize = 124;
    pic8.tableEntries = 40;
    pic8.coloursUsed = 40;
    WriteWithReference("pic8", pic8);

    WriteWithReference("screen8", Picture(256, 224, 8, 13));

    // Cut inside its pixel rows.
    auto truncated = tilora::testing::BuildBmp(Picture(64, 64, 8, 14));
    truncated.resize(truncated.size() - 1000);
    tilora::testing::WriteFileBytes("truncated.bmp", truncated);

    std::filesystem::create_directories("folder.bmp");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_pictures: %s\n", e.what());
    return 1;
  }
}
