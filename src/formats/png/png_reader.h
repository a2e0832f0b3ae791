#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "formats/png/png_error.h"
#include "picture/picture.h"

namespace tilora {

// Whether the bytes start with the eight-byte PNG signature.
bool LooksLikePng(std::span<const std::uint8_t> firstBytes) noexcept;

// Decodes a whole PNG file. Palette pictures of 1, 2, 4 and 8 bits come out
// indexed, at the file's bit depth, with the PLTE entries as palette; every
// other colour type comes out as truecolour at its stored bits per pixel,
// 16-bit samples cut to their top 8 bits, a tRNS colour key made alpha 0.
// Throws PngError for a damaged file, one larger than kPngMaxSide either
// way, or a palette picture using an index beyond its palette.
Picture DecodePng(std::span<const std::uint8_t> bytes);

class RowsArriving;

// A PNG decoded in two steps, so that a reader of its rows can start on the
// top ones while the rest are still decoded (on another thread): the
// constructor reads the file up to its pixels, DecodePixels the pixels.
// Both throw PngError as DecodePng does. The bytes must outlive it.
class PngDecoding {
 public:
  explicit PngDecoding(std::span<const std::uint8_t> bytes);
  ~PngDecoding();
  PngDecoding(const PngDecoding&) = delete;
  PngDecoding& operator=(const PngDecoding&) = delete;

  // The picture as DecodePng gives it without its pixels (and a truecolour
  // one's alpha not yet known): nothing the size of the picture is taken
  // before the caller has judged it.
  Picture Shape() const;
  // Throws PngError when the file is too short to hold the pixels its
  // header declares, so that a few bytes of header cannot claim memory the
  // size of a large picture.
  void RefuseWhatTheFileCannotHold() const;
  // Whether DecodePixels makes rows whole top first (not interlaced, indexed).
  bool RowsInOrder() const;
  // Decodes the pixels into picture, a Shape of this file whose pixel
  // storage SizePixels has sized (before another thread reads its rows). Publishes to
  // arriving, when given, the rows that are whole as they come, top first.
  // Stops arriving in every case before returning, throwing or not.
  void DecodePixels(Picture& picture, RowsArriving* arriving);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tilora
