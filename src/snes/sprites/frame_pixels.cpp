#include "snes/sprites/frame_pixels.h"

#include <algorithm>

#include "palettes/reduction/colour_difference.h"
#include "snes/sprites/sprite_refusals.h"

namespace tilora::sprites {
namespace {

constexpr std::uint8_t kOpaque = 128;  // alpha below this is transparent

}  // namespace

bool FramePixels::Empty() const {
  return std::all_of(pixels.begin(), pixels.end(), [](FramePixel p) { return p == 0; });
}

bool IsFlipped(const FramePixels& shape, const FramePixels& frame, int flips) {
  if (shape.width != frame.width || shape.height != frame.height) return false;
  const auto width = static_cast<std::size_t>(frame.width);
  for (int y = 0; y < frame.height; ++y) {
    const int fromY = (flips & kFlipV) != 0 ? frame.height - 1 - y : y;
    const FramePixel* from = shape.pixels.data() + static_cast<std::size_t>(fromY) * width;
    const FramePixel* row = frame.pixels.data() + static_cast<std::size_t>(y) * width;
    if ((flips & kFlipH) != 0 ? !std::equal(row, row + width, std::make_reverse_iterator(from + width))
                              : !std::equal(row, row + width, from))
      return false;
  }
  return true;
}

std::uint64_t FlipInvariantHash(const FramePixels& frame) {
  const auto key = [](std::uint64_t v) {
    v = (v ^ v >> 30) * std::uint64_t{0xBF58476D1CE4E5B9};
    v = (v ^ v >> 27) * std::uint64_t{0x94D049BB133111EB};
    return v ^ v >> 31;
  };
  // Pixels mixed with a key for their distance from the nearer side, in
  // 32-bit sums the compiler can vectorise; rows by their distance from the
  // nearer end. Frames that collide are told apart by comparing them.
  const auto width = static_cast<std::size_t>(frame.width);
  std::vector<std::uint32_t> weights(2 * width);
  for (std::size_t x = 0; x < width; ++x) {
    const std::uint64_t k = key(std::min(x, width - 1 - x));
    weights[x] = static_cast<std::uint32_t>(k) | 1u;
    weights[width + x] = static_cast<std::uint32_t>(k >> 32) | 1u;
  }
  std::uint64_t h = 0;
  const FramePixel* p = frame.pixels.data();
  for (int y = 0; y < frame.height; ++y, p += width) {
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    for (std::size_t x = 0; x < width; ++x) {
      const std::uint32_t v = p[x] + 1u;
      a += v ^ weights[x];
      b += (v + weights[x]) ^ weights[width + x];
    }
    const auto row = static_cast<std::uint64_t>(std::min(y, frame.height - 1 - y));
    h += key((static_cast<std::uint64_t>(a) << 32 | b) ^ key(row + 0x10000));
  }
  return key(h);
}

FrameReader::FrameReader(const Picture& sheet, const SpriteSettings& settings)
    : sheet_(sheet), blocks_(TakesBlocks(sheet, settings)), width_(settings.frameWidth), height_(settings.frameHeight) {
  if (settings.transparentColour) {
    const std::uint32_t c = *settings.transparentColour;
    key_ = packing::Colour15Of(
        {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
  }
}

std::optional<Failure> FrameReader::Read(std::int32_t x, std::int32_t y, FramePixels& out) const {
  out.width = width_;
  out.height = height_;
  out.pixels.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
  const auto sheetWidth = static_cast<std::size_t>(sheet_.width);
  FramePixel* to = out.pixels.data();
  for (int r = 0; r < height_; ++r, to += width_) {
    const std::size_t first = static_cast<std::size_t>(y + r) * sheetWidth + static_cast<std::size_t>(x);
    if (blocks_) {
      const std::uint8_t* from = sheet_.indices.data() + first;
      unsigned seen = 0;
      for (int c = 0; c < width_; ++c) {
        const std::uint8_t index = from[c];
        seen |= index;
        to[c] = (index & 15) != 0 ? index : 0;
      }
      if ((seen & 0x80) != 0) {
        const int c = static_cast<int>(std::find_if(from, from + width_, [](std::uint8_t i) { return i >= 128; }) - from);
        return refusals::IndexPastReach(x, y, x + c, y + r, from[c]);
      }
    } else if (sheet_.indexed) {
      const std::uint8_t* from = sheet_.indices.data() + first;
      for (int c = 0; c < width_; ++c) {
        const std::uint8_t index = from[c];
        const Rgb p = index < sheet_.palette.size() ? sheet_.palette[index] : Rgb{};
        const std::uint16_t c15 = packing::Colour15Of({p.red, p.green, p.blue});
        to[c] = index == 0 || (key_ && *key_ == c15) ? FramePixel{0} : static_cast<FramePixel>(kTruecolour | c15);
      }
    } else {
      const Rgba* from = sheet_.colours.data() + first;
      for (int c = 0; c < width_; ++c) {
        const Rgba& p = from[c];
        const std::uint16_t c15 = packing::Colour15Of({p.red, p.green, p.blue});
        to[c] = p.alpha < kOpaque || (key_ && *key_ == c15) ? FramePixel{0} : static_cast<FramePixel>(kTruecolour | c15);
      }
    }
  }
  return std::nullopt;
}

}  // namespace tilora::sprites
