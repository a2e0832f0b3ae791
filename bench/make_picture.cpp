// Writes a picture of seeded random pixels for the timing script.
// Usage: make_picture WIDTH HEIGHT DEPTH FILE

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bmp_builder.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_picture WIDTH HEIGHT DEPTH FILE\n");
    return 2;
  }
  tilora::testing::BmpShape shape;
  shape.width = std::atoi(argv[1]);
  shape.height = std::atoi(argv[2]);
  shape.depth = static_cast<std::uint16_t>(std::atoi(argv[3]));
  const auto rows = static_cast<std::size_t>(shape.height < 0 ? -shape.height : shape.height);
  shape.pixels = tilora::testing::RandomPixels(static_cast<std::size_t>(shape.width) * rows, 1 << shape.depth, 1);
  tilora::testing::WriteFileBytes(argv[4], tilora::testing::BuildBmp(shape));
  return 0;
}
