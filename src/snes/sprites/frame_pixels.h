#pragma once

// A frame's pixels as the rest of the sprite conversion takes them, read
// from the sheet once: whatever the sheet's format, a pixel is 0 where
// transparent, an indexed sheet's colour index 16b + k (k > 0), or a
// truecolour sheet's 15-bit colour with kTruecolour set (an indexed sheet
// read as truecolour too).

#include <cstdint>
#include <optional>
#include <vector>

#include "snes/sprites/sprite_sheet.h"

namespace tilora::sprites {

using FramePixel = std::uint16_t;
inline constexpr FramePixel kTruecolour = 0x8000;

// Flips as the object attributes give them.
inline constexpr int kFlipH = 1;
inline constexpr int kFlipV = 2;

struct FramePixels {
  int width = 0;
  int height = 0;
  std::vector<FramePixel> pixels;  // rows top first

  FramePixel At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
  bool Empty() const;
  bool operator==(const FramePixels&) const = default;
};

// Opaque pixels of different classes never share an object: an indexed
// sheet's sub-palette block, the one class of a truecolour sheet.
inline int ClassOf(FramePixel p) { return (p & kTruecolour) != 0 ? 0 : p >> 4; }

// The colour within its sub-palette of an indexed sheet's pixel.
inline int ColourInBlock(FramePixel p) { return p & 15; }

// Whether frame is shape flipped so.
bool IsFlipped(const FramePixels& shape, const FramePixels& frame, int flips);

// A hash that a frame and its flips share: each pixel weighed by its
// distances from the nearer side and the nearer end.
std::uint64_t FlipInvariantHash(const FramePixels& frame);

class FrameReader {
 public:
  FrameReader(const Picture& sheet, const SpriteSettings& settings);

  // The frame whose top-left pixel on the sheet is (x, y), into out; a
  // colour index past the eight sub-palettes is refused.
  std::optional<Failure> Read(std::int32_t x, std::int32_t y, FramePixels& out) const;

 private:
  const Picture& sheet_;
  bool blocks_;
  int width_;
  int height_;
  std::optional<std::uint16_t> key_;  // truecolour: the transparent 15-bit colour
};

}  // namespace tilora::sprites
