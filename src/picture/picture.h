#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/colour.h"

namespace tilora {

// A decoded picture, whatever file it came from: rows top first. An indexed
// picture has one colour index per pixel and its colour table with as many
// entries as the file gives; a truecolour one has a colour per pixel.
struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int depth = 0;         // bits per pixel as the file stores them
  bool indexed = true;
  bool hasAlpha = false;  // truecolour: whether any alpha came from the file
  std::vector<std::uint8_t> indices;  // indexed: width * height
  std::vector<Rgb> palette;           // indexed: the colour table
  std::vector<Rgba> colours;          // truecolour: width * height

  std::size_t PixelCount() const {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  }
  std::uint8_t IndexAt(std::int32_t x, std::int32_t y) const {
    return indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
  const Rgba& ColourAt(std::int32_t x, std::int32_t y) const {
    return colours[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

// A picture of colours as a window or a PNG shows it, rows top first.
struct RgbImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<Rgb> pixels;
};

// Sizes the pixel storage for the picture's width and height, all 0; raises
// std::bad_alloc when that much memory is not to be had.
inline void SizePixels(Picture& picture) {
  if (picture.indexed) picture.indices.assign(picture.PixelCount(), 0);
  else picture.colours.assign(picture.PixelCount(), Rgba{});
}

}  // namespace tilora
