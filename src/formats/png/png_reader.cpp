#include "formats/png/png_reader.h"

#include <spng.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "formats/png/spng_context.h"

namespace tilora {
namespace {

using png_detail::kChunkCacheLimit;
using png_detail::kChunkSizeLimit;
using png_detail::NewSpngContext;
using png_detail::ReadFailureText;
using png_detail::SpngContext;

static_assert(sizeof(Rgba) == 4, "colours are decoded straight into the picture");

void Check(int spngResult) {
  if (spngResult != SPNG_OK) throw PngError(ReadFailureText(spngResult));
}

SpngContext NewDecoder(std::span<const std::uint8_t> bytes, bool sizeLimited) {
  SpngContext ctx = NewSpngContext(0);
  if (sizeLimited) Check(spng_set_image_limits(ctx.get(), kPngMaxSide, kPngMaxSide));
  Check(spng_set_chunk_limits(ctx.get(), kChunkSizeLimit, kChunkCacheLimit));
  Check(spng_set_png_buffer(ctx.get(), bytes.data(), bytes.size()));
  return ctx;
}

// The refusal of a picture beyond the size limit names its size, which the
// limited context does not give: a second one reads the header unlimited,
// and the chunks up to the picture data so that a damaged header is called
// damaged rather than large.
[[noreturn]] void RefuseTooLarge(std::span<const std::uint8_t> bytes) {
  const SpngContext ctx = NewDecoder(bytes, false);
  spng_ihdr header{};
  int result = spng_get_ihdr(ctx.get(), &header);
  if (result == SPNG_OK) result = spng_decode_chunks(ctx.get());
  // Sizes whose rows overflow libspng's own arithmetic are not given back.
  if (result == SPNG_EOVERFLOW)
    throw PngError("The PNG picture is larger than " + std::to_string(kPngMaxSide) + "x" +
                   std::to_string(kPngMaxSide) + " pixels, the most that are read.");
  Check(result);
  throw PngError("The PNG picture is " + std::to_string(header.width) + "x" + std::to_string(header.height) +
                 " pixels; at most " + std::to_string(kPngMaxSide) + "x" + std::to_string(kPngMaxSide) +
                 " are read.");
}

spng_ihdr ReadHeader(spng_ctx* ctx, std::span<const std::uint8_t> bytes) {
  spng_ihdr header{};
  const int result = spng_get_ihdr(ctx, &header);
  if (result == SPNG_EUSER_WIDTH || result == SPNG_EUSER_HEIGHT) RefuseTooLarge(bytes);
  Check(result);
  // libspng enforces these already; the picture's own arithmetic must not
  // rest on that alone.
  if (header.width == 0) Check(SPNG_EWIDTH);
  if (header.height == 0) Check(SPNG_EHEIGHT);
  if (header.width > kPngMaxSide || header.height > kPngMaxSide) RefuseTooLarge(bytes);
  return header;
}

int ChannelsOf(std::uint8_t colourType) {
  switch (colourType) {
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
      return 2;
    case SPNG_COLOR_TYPE_TRUECOLOR:
      return 3;
    case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
      return 4;
    default:
      return 1;
  }
}

// Decodes the whole image into out, which must be exactly the size libspng
// works out for the format.
void DecodeInto(spng_ctx* ctx, int format, int flags, std::uint8_t* out, std::size_t size) {
  std::size_t expected = 0;
  Check(spng_decoded_image_size(ctx, format, &expected));
  if (expected != size) throw PngError("The PNG picture's decoded size is not what its header promises.");
  Check(spng_decode_image(ctx, out, size, format, flags));
  // The rest of the file up to IEND: without it the last picture data
  // chunk's CRC would go unchecked.
  Check(spng_decode_chunks(ctx));
}

// Palette pictures keep their indices: the packed rows are spread to a byte
// a pixel, the leftmost pixel in the high bits.
std::vector<std::uint8_t> UnpackIndices(const std::vector<std::uint8_t>& packed, const Picture& picture,
                                        std::size_t rowBytes) {
  const auto width = static_cast<std::size_t>(picture.width);
  const auto height = static_cast<std::size_t>(picture.height);
  const auto depth = static_cast<unsigned>(picture.depth);
  const auto mask = static_cast<unsigned>((1u << depth) - 1u);
  std::vector<std::uint8_t> indices(width * height);
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* row = packed.data() + y * rowBytes;
    std::uint8_t* out = indices.data() + y * width;
    for (std::size_t x = 0; x < width; ++x) {
      const std::size_t bit = x * depth;
      const unsigned shift = 8u - depth - static_cast<unsigned>(bit % 8);
      out[x] = static_cast<std::uint8_t>((row[bit / 8] >> shift) & mask);
    }
  }
  return indices;
}

void ReadPalette(spng_ctx* ctx, Picture& picture) {
  spng_plte plte{};
  const int result = spng_get_plte(ctx, &plte);
  if (result == SPNG_ECHUNKAVAIL) throw PngError(ReadFailureText(SPNG_ENOPLTE));
  Check(result);
  const std::uint32_t entries = std::min<std::uint32_t>(plte.n_entries, 256);
  picture.palette.reserve(entries);
  for (std::uint32_t i = 0; i < entries; ++i)
    picture.palette.push_back({plte.entries[i].red, plte.entries[i].green, plte.entries[i].blue});
}

void CheckIndicesInPalette(const Picture& picture) {
  const auto& indices = picture.indices;
  const std::uint8_t highest = indices.empty() ? 0 : *std::max_element(indices.begin(), indices.end());
  if (highest >= picture.palette.size())
    throw PngError("The PNG picture uses colour index " + std::to_string(highest) + " but its palette has " +
                   std::to_string(picture.palette.size()) + (picture.palette.size() == 1 ? " entry." : " entries."));
}

void DecodeIndexed(spng_ctx* ctx, const spng_ihdr& header, Picture& picture) {
  picture.indexed = true;
  picture.depth = header.bit_depth;
  const std::size_t rowBytes = (static_cast<std::size_t>(header.width) * header.bit_depth + 7) / 8;
  std::vector<std::uint8_t> packed(rowBytes * header.height);
  DecodeInto(ctx, SPNG_FMT_PNG, 0, packed.data(), packed.size());
  ReadPalette(ctx, picture);
  picture.indices = UnpackIndices(packed, picture, rowBytes);
  CheckIndicesInPalette(picture);
}

void DecodeTruecolour(spng_ctx* ctx, const spng_ihdr& header, Picture& picture) {
  picture.indexed = false;
  picture.depth = ChannelsOf(header.color_type) * header.bit_depth;
  picture.colours.resize(picture.PixelCount());
  DecodeInto(ctx, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS, reinterpret_cast<std::uint8_t*>(picture.colours.data()),
             picture.colours.size() * sizeof(Rgba));
  spng_trns trns{};
  picture.hasAlpha = header.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                     header.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA || spng_get_trns(ctx, &trns) == SPNG_OK;
}

}  // namespace

bool PngSupported() noexcept { return true; }

Picture DecodePng(std::span<const std::uint8_t> bytes) {
  if (!LooksLikePng(bytes)) throw PngError("This is not a PNG file (it does not start with the PNG signature).");
  try {
    const SpngContext ctx = NewDecoder(bytes, true);
    const spng_ihdr header = ReadHeader(ctx.get(), bytes);
    Picture picture;
    picture.width = static_cast<std::int32_t>(header.width);
    picture.height = static_cast<std::int32_t>(header.height);
    if (header.color_type == SPNG_COLOR_TYPE_INDEXED)
      DecodeIndexed(ctx.get(), header, picture);
    else
      DecodeTruecolour(ctx.get(), header, picture);
    return picture;
  } catch (const std::bad_alloc&) {
    throw PngError(ReadFailureText(SPNG_EMEM));
  }
}

}  // namespace tilora
