#include "formats/png/png_writer.h"

#include <spng.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "formats/png/spng_context.h"

namespace tilora {
namespace {

using png_detail::NewSpngContext;
using png_detail::SpngContext;

static_assert(sizeof(Rgb) == 3, "RGB pixels are handed to the encoder as they lie");

void Check(int spngResult) {
  if (spngResult != SPNG_OK)
    throw PngError(std::string("The PNG picture could not be written (") + spng_strerror(spngResult) + ").");
}

std::string SizeText(std::int32_t width, std::int32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

void CheckSize(std::int32_t width, std::int32_t height, std::size_t pixelCount) {
  if (width <= 0 || height <= 0)
    throw PngError("A PNG picture of " + SizeText(width, height) + " pixels cannot be written.");
  if (static_cast<std::size_t>(width) * static_cast<std::size_t>(height) != pixelCount)
    throw PngError("A PNG picture of " + SizeText(width, height) + " pixels needs " +
                   std::to_string(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) +
                   " pixels, not " + std::to_string(pixelCount) + ".");
}

struct FreeBuffer {
  void operator()(void* buffer) const noexcept { std::free(buffer); }
};

// Encodes the image (rows as PNG stores them) with the header and palette
// already set on ctx, and hands back the file.
std::vector<std::uint8_t> Finish(spng_ctx* ctx, const std::uint8_t* image, std::size_t size) {
  Check(spng_encode_image(ctx, image, size, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE));
  std::size_t length = 0;
  int error = SPNG_OK;
  const std::unique_ptr<void, FreeBuffer> buffer(spng_get_png_buffer(ctx, &length, &error));
  if (!buffer) Check(error == SPNG_OK ? SPNG_EINTERNAL : error);
  const auto* begin = static_cast<const std::uint8_t*>(buffer.get());
  return {begin, begin + length};
}

SpngContext NewEncoder(std::int32_t width, std::int32_t height, int depth, std::uint8_t colourType) {
  SpngContext ctx = NewSpngContext(SPNG_CTX_ENCODER);
  Check(spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1));
  spng_ihdr header{};
  header.width = static_cast<std::uint32_t>(width);
  header.height = static_cast<std::uint32_t>(height);
  header.bit_depth = static_cast<std::uint8_t>(depth);
  header.color_type = colourType;
  Check(spng_set_ihdr(ctx.get(), &header));
  return ctx;
}

void CheckIndexedPicture(const Picture& picture) {
  const int depth = picture.depth;
  if (!picture.indexed || (depth != 1 && depth != 2 && depth != 4 && depth != 8))
    throw PngError("Only indexed pictures of 1, 2, 4 or 8 bits a pixel can be written as palette PNG files.");
  CheckSize(picture.width, picture.height, picture.indices.size());
  const std::size_t entries = picture.palette.size();
  if (entries == 0 || entries > (std::size_t{1} << depth))
    throw PngError("A " + std::to_string(depth) + "-bit PNG picture cannot have a palette of " +
                   std::to_string(entries) + " entries.");
  for (const std::uint8_t index : picture.indices)
    if (index >= entries)
      throw PngError("The picture uses colour index " + std::to_string(index) + " but its palette has " +
                     std::to_string(entries) + " entries.");
}

// One byte a pixel to the packed rows of the picture's depth, leftmost pixel
// in the high bits, rows padded to whole bytes.
std::vector<std::uint8_t> PackIndices(const Picture& picture) {
  const auto width = static_cast<std::size_t>(picture.width);
  const auto height = static_cast<std::size_t>(picture.height);
  const auto depth = static_cast<unsigned>(picture.depth);
  const std::size_t rowBytes = (width * depth + 7) / 8;
  std::vector<std::uint8_t> packed(rowBytes * height);
  for (std::size_t y = 0; y < height; ++y)
    for (std::size_t x = 0; x < width; ++x) {
      const std::size_t bit = x * depth;
      const unsigned shift = 8u - depth - static_cast<unsigned>(bit % 8);
      packed[y * rowBytes + bit / 8] |= static_cast<std::uint8_t>(picture.indices[y * width + x] << shift);
    }
  return packed;
}

std::vector<std::uint8_t> Guarded(const auto& encode) {
  try {
    return encode();
  } catch (const std::bad_alloc&) {
    throw PngError("There is not enough memory to write the PNG picture.");
  }
}

// The highest index, found in one pass the compiler vectorises; where it
// lies past the palette, the first such index.
void CheckIndices(std::span<const std::uint8_t> indices, std::size_t entries) {
  std::uint8_t highest = 0;
  for (const std::uint8_t index : indices) highest = std::max(highest, index);
  if (highest < entries) return;
  for (const std::uint8_t index : indices)
    if (index >= entries)
      throw PngError("The picture uses colour index " + std::to_string(index) + " but its palette has " +
                     std::to_string(entries) + " entries.");
}

void SetPalette(spng_ctx* ctx, std::span<const Rgb> palette) {
  spng_plte plte{};
  plte.n_entries = static_cast<std::uint32_t>(palette.size());
  for (std::size_t i = 0; i < palette.size(); ++i)
    plte.entries[i] = {palette[i].red, palette[i].green, palette[i].blue, 255};
  Check(spng_set_plte(ctx, &plte));
}

}  // namespace

std::vector<std::uint8_t> EncodePngRgb(std::int32_t width, std::int32_t height, std::span<const Rgb> pixels) {
  CheckSize(width, height, pixels.size());
  return Guarded([&] {
    const SpngContext ctx = NewEncoder(width, height, 8, SPNG_COLOR_TYPE_TRUECOLOR);
    return Finish(ctx.get(), reinterpret_cast<const std::uint8_t*>(pixels.data()), pixels.size_bytes());
  });
}

std::vector<std::uint8_t> EncodePngIndexed(const Picture& picture) {
  CheckIndexedPicture(picture);
  return Guarded([&] {
    const SpngContext ctx = NewEncoder(picture.width, picture.height, picture.depth, SPNG_COLOR_TYPE_INDEXED);
    spng_plte plte{};
    plte.n_entries = static_cast<std::uint32_t>(picture.palette.size());
    for (std::size_t i = 0; i < picture.palette.size(); ++i)
      plte.entries[i] = {picture.palette[i].red, picture.palette[i].green, picture.palette[i].blue, 255};
    Check(spng_set_plte(ctx.get(), &plte));
    const std::vector<std::uint8_t> packed = PackIndices(picture);
    return Finish(ctx.get(), packed.data(), packed.size());
  });
}

std::vector<std::uint8_t> EncodePngIndexedStored(std::int32_t width, std::int32_t height,
                                                 std::span<const std::uint8_t> indices, std::span<const Rgb> palette) {
  CheckSize(width, height, indices.size());
  if (palette.empty() || palette.size() > 256)
    throw PngError("An 8-bit PNG picture cannot have a palette of " + std::to_string(palette.size()) + " entries.");
  CheckIndices(indices, palette.size());
  return Guarded([&] {
    const SpngContext ctx = NewEncoder(width, height, 8, SPNG_COLOR_TYPE_INDEXED);
    // Deflate's stored blocks: compressing millions of pixels would take
    // many times what drawing them does.
    Check(spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, 0));
    Check(spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, SPNG_DISABLE_FILTERING));
    SetPalette(ctx.get(), palette);
    return Finish(ctx.get(), indices.data(), indices.size());
  });
}

}  // namespace tilora
