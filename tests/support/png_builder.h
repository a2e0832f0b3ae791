#pragma once

// Builds PNG files of every colour type for tests and fuzz seeds, through
// libspng's encoder and, for damaged files, chunk by chunk.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tilora::testing {

inline constexpr std::uint8_t kPngGrey = 0;
inline constexpr std::uint8_t kPngRgb = 2;
inline constexpr std::uint8_t kPngPalette = 3;
inline constexpr std::uint8_t kPngGreyAlpha = 4;
inline constexpr std::uint8_t kPngRgba = 6;

struct PngShape {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  std::uint8_t bitDepth = 8;
  std::uint8_t colourType = kPngRgb;
  bool interlaced = false;
  // One value per channel per pixel, rows top first (palette: the index).
  std::vector<std::uint16_t> samples;
  std::vector<std::array<std::uint8_t, 3>> palette;  // PLTE, if not empty
  std::vector<std::uint8_t> paletteAlpha;            // tRNS of a palette picture, if not empty
  std::optional<std::array<std::uint16_t, 3>> colourKey;  // tRNS of grey (first value) or RGB
};

int PngChannels(std::uint8_t colourType);

std::vector<std::uint8_t> BuildPng(const PngShape& shape);

// Samples 0..maxValue from a seeded generator.
std::vector<std::uint16_t> RandomSamples(std::size_t count, std::uint16_t maxValue, std::uint32_t seed);

// A shape of the given type, with random samples and, for a palette
// picture, a full palette of distinct colours.
PngShape RandomPngShape(std::uint32_t width, std::uint32_t height, std::uint8_t colourType, std::uint8_t bitDepth,
                        std::uint32_t seed);

struct PngChunk {
  std::string type;
  std::vector<std::uint8_t> data;
};

// The chunks of a well-formed file, and a file from chunks with fresh CRCs.
std::vector<PngChunk> SplitPng(const std::vector<std::uint8_t>& file);
std::vector<std::uint8_t> JoinPng(const std::vector<PngChunk>& chunks);

// The data of an IHDR chunk, and zlib's compression of raw scanlines.
std::vector<std::uint8_t> IhdrData(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth,
                                   std::uint8_t colourType, std::uint8_t interlace = 0);
std::vector<std::uint8_t> ZlibCompressed(const std::vector<std::uint8_t>& raw);

}  // namespace tilora::testing
