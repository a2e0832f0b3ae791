#include "png_builder.h"

#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>

namespace tilora::testing {
namespace {

void Check(int result, const char* what) {
  if (result != SPNG_OK) throw std::runtime_error(std::string("png_builder: ") + what + ": " + spng_strerror(result));
}

struct CtxFree {
  void operator()(spng_ctx* ctx) const noexcept { spng_ctx_free(ctx); }
};

// The scanlines as libspng's encoder takes them: packed below 8 bits, the
// leftmost sample in the high bits; 16-bit samples in host order.
std::vector<std::uint8_t> PackRows(const PngShape& s) {
  const std::size_t perRow = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(PngChannels(s.colourType));
  const std::size_t rowBytes = (perRow * s.bitDepth + 7) / 8;
  std::vector<std::uint8_t> rows(rowBytes * s.height);
  for (std::size_t y = 0; y < s.height; ++y)
    for (std::size_t i = 0; i < perRow; ++i) {
      const std::size_t at = y * perRow + i;
      const std::uint16_t v = at < s.samples.size() ? s.samples[at] : 0;
      std::uint8_t* row = rows.data() + y * rowBytes;
      if (s.bitDepth == 16) {
        std::memcpy(row + 2 * i, &v, 2);
      } else if (s.bitDepth == 8) {
        row[i] = static_cast<std::uint8_t>(v);
      } else {
        const std::size_t bit = i * s.bitDepth;
        row[bit / 8] |= static_cast<std::uint8_t>(v << (8 - s.bitDepth - bit % 8));
      }
    }
  return rows;
}

void SetTransparency(spng_ctx* ctx, const PngShape& s) {
  if (s.paletteAlpha.empty() && !s.colourKey) return;
  spng_trns trns{};
  if (s.colourKey) {
    trns.gray = (*s.colourKey)[0];
    trns.red = (*s.colourKey)[0];
    trns.green = (*s.colourKey)[1];
    trns.blue = (*s.colourKey)[2];
  }
  trns.n_type3_entries = static_cast<std::uint32_t>(s.paletteAlpha.size());
  std::copy(s.paletteAlpha.begin(), s.paletteAlpha.end(), trns.type3_alpha);
  Check(spng_set_trns(ctx, &trns), "tRNS");
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint32_t BigEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes.at(at) << 24 | bytes.at(at + 1) << 16 | bytes.at(at + 2) << 8 | bytes.at(at + 3));
}

}  // namespace

int PngChannels(std::uint8_t colourType) {
  switch (colourType) {
    case kPngGreyAlpha: return 2;
    case kPngRgb: return 3;
    case kPngRgba: return 4;
    default: return 1;
  }
}

std::vector<std::uint8_t> BuildPng(const PngShape& s) {
  const std::unique_ptr<spng_ctx, CtxFree> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  Check(spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1), "buffer");
  spng_ihdr ihdr{s.width, s.height, s.bitDepth, s.colourType, 0, 0, static_cast<std::uint8_t>(s.interlaced ? 1 : 0)};
  Check(spng_set_ihdr(ctx.get(), &ihdr), "IHDR");
  if (!s.palette.empty()) {
    spng_plte plte{};
    plte.n_entries = static_cast<std::uint32_t>(s.palette.size());
    for (std::size_t i = 0; i < s.palette.size() && i < 256; ++i)
      plte.entries[i] = {s.palette[i][0], s.palette[i][1], s.palette[i][2], 255};
    Check(spng_set_plte(ctx.get(), &plte), "PLTE");
  }
  SetTransparency(ctx.get(), s);
  const std::vector<std::uint8_t> rows = PackRows(s);
  Check(spng_encode_image(ctx.get(), rows.data(), rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE), "encode");
  std::size_t size = 0;
  int error = 0;
  void* buffer = spng_get_png_buffer(ctx.get(), &size, &error);
  Check(error, "buffer");
  std::vector<std::uint8_t> out(static_cast<std::uint8_t*>(buffer), static_cast<std::uint8_t*>(buffer) + size);
  std::free(buffer);
  return out;
}

std::vector<std::uint16_t> RandomSamples(std::size_t count, std::uint16_t maxValue, std::uint32_t seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> pick(0, maxValue);
  std::vector<std::uint16_t> out(count);
  for (auto& v : out) v = static_cast<std::uint16_t>(pick(gen));
  return out;
}

PngShape RandomPngShape(std::uint32_t width, std::uint32_t height, std::uint8_t colourType, std::uint8_t bitDepth,
                        std::uint32_t seed) {
  PngShape s;
  s.width = width;
  s.height = height;
  s.colourType = colourType;
  s.bitDepth = bitDepth;
  const std::size_t count = static_cast<std::size_t>(width) * height * static_cast<std::size_t>(PngChannels(colourType));
  s.samples = RandomSamples(count, static_cast<std::uint16_t>((1u << bitDepth) - 1u), seed);
  if (colourType == kPngPalette)
    for (int i = 0; i < (1 << bitDepth); ++i)
      s.palette.push_back({static_cast<std::uint8_t>(i * 7 + 1), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i * 13 + 5)});
  return s;
}

std::vector<PngChunk> SplitPng(const std::vector<std::uint8_t>& file) {
  std::vector<PngChunk> chunks;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::uint32_t length = BigEndianAt(file, at);
    PngChunk chunk;
    chunk.type.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 4), file.begin() + static_cast<std::ptrdiff_t>(at + 8));
    const auto data = file.begin() + static_cast<std::ptrdiff_t>(at + 8);
    chunk.data.assign(data, data + length);
    chunks.push_back(std::move(chunk));
    at += 12 + length;
  }
  return chunks;
}

std::vector<std::uint8_t> JoinPng(const std::vector<PngChunk>& chunks) {
  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const auto& chunk : chunks) {
    PutBigEndian(out, static_cast<std::uint32_t>(chunk.data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), chunk.type.begin(), chunk.type.end());
    out.insert(out.end(), chunk.data.begin(), chunk.data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    PutBigEndian(out, static_cast<std::uint32_t>(crc));
  }
  return out;
}

std::vector<std::uint8_t> IhdrData(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth,
                                   std::uint8_t colourType, std::uint8_t interlace) {
  std::vector<std::uint8_t> data;
  PutBigEndian(data, width);
  PutBigEndian(data, height);
  data.insert(data.end(), {bitDepth, colourType, 0, 0, interlace});
  return data;
}

std::vector<std::uint8_t> ZlibCompressed(const std::vector<std::uint8_t>& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> out(size);
  if (compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())) != Z_OK)
    throw std::runtime_error("png_builder: compress failed");
  out.resize(size);
  return out;
}

}  // namespace tilora::testing
