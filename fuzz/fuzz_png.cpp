// Feeds arbitrary bytes to the PNG reader, as they are and again with every
// chunk's CRC made right (so mutations reach past the checksums). Besides
// the sanitizers' findings it aborts when a refusal's message is not one
// line, when a decoded picture breaks the picture value's promises, or when
// a small decoded picture does not survive being written and read again.

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "formats/png/png_reader.h"
#include "formats/png/png_writer.h"

namespace {

using tilora::Picture;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_png: %s\n", what.c_str());
  std::abort();
}

std::uint32_t BigEndianAt(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// The bytes with the CRC of every whole chunk recomputed.
std::vector<std::uint8_t> WithFixedCrcs(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> out(bytes.begin(), bytes.end());
  for (std::size_t at = 8; out.size() >= 12 && at <= out.size() - 12;) {
    const std::uint32_t length = BigEndianAt(out.data() + at);
    if (length > out.size() - 12 - at) break;
    const uLong crc = crc32(0L, out.data() + at + 4, static_cast<uInt>(length + 4));
    for (int i = 0; i < 4; ++i) out[at + 8 + length + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    at += 12 + std::size_t{length};
  }
  return out;
}

void CheckPromises(const Picture& p) {
  if (p.width < 1 || p.height < 1 || p.width > tilora::kPngMaxSide || p.height > tilora::kPngMaxSide)
    Fail("a picture of impossible size");
  if (p.indexed) {
    if (p.depth != 1 && p.depth != 2 && p.depth != 4 && p.depth != 8) Fail("an indexed picture of odd depth");
    if (p.indices.size() != p.PixelCount() || !p.colours.empty()) Fail("indices do not match the size");
    if (p.palette.empty() || p.palette.size() > 256) Fail("a palette of impossible length");
    for (const std::uint8_t i : p.indices)
      if (i >= p.palette.size()) Fail("an index past the palette");
  } else {
    static constexpr int kDepths[] = {1, 2, 4, 8, 16, 24, 32, 48, 64};
    bool known = false;
    for (const int d : kDepths) known = known || d == p.depth;
    if (!known) Fail("a truecolour picture of odd depth");
    if (p.colours.size() != p.PixelCount() || !p.indices.empty() || !p.palette.empty())
      Fail("colours do not match the size");
  }
}

// A picture the writer can hold must come back unchanged.
void CheckRoundTrip(const Picture& p) {
  if (p.PixelCount() > (1u << 16)) return;
  if (p.indexed) {
    if (p.palette.size() > (std::size_t{1} << p.depth)) return;
    const Picture back = tilora::DecodePng(tilora::EncodePngIndexed(p));
    if (back.indices != p.indices || back.palette != p.palette || back.depth != p.depth) Fail("indexed round trip");
  } else if (!p.hasAlpha) {
    std::vector<tilora::Rgb> rgb;
    for (const auto& c : p.colours) rgb.push_back({c.red, c.green, c.blue});
    const Picture back = tilora::DecodePng(tilora::EncodePngRgb(p.width, p.height, rgb));
    if (back.colours != p.colours) Fail("RGB round trip");
  }
}

void DecodeOnce(std::span<const std::uint8_t> bytes) {
  Picture picture;
  try {
    picture = tilora::DecodePng(bytes);
  } catch (const tilora::PngError& e) {
    const std::string text = e.what();
    if (text.empty() || text.find('\n') != std::string::npos || text.back() != '.') Fail("message: " + text);
    return;
  }
  CheckPromises(picture);
  CheckRoundTrip(picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  DecodeOnce(bytes);
  const std::vector<std::uint8_t> fixed = WithFixedCrcs(bytes);
  if (fixed != std::vector<std::uint8_t>(bytes.begin(), bytes.end())) DecodeOnce(fixed);
  return 0;
}
