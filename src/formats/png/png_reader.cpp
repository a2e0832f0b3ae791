#include "formats/png/png_reader.h"

#include <spng.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "formats/png/spng_context.h"
#include "picture/rows_arriving.h"

namespace tilora {
namespace {

using png_detail::kChunkCacheLimit;
using png_detail::kChunkSizeLimit;
using png_detail::NewSpngContext;
using png_detail::ReadFailureText;
using png_detail::SpngContext;

static_assert(sizeof(Rgba) == 4, "colours are decoded straight into the picture");

constexpr std::size_t kRowsPublishedTogether = 8;  // a row of cells

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

// Palette pictures keep their indices: packed rows are spread to a byte a
// pixel, the leftmost pixel in the high bits. Plain shifts and masks for 4
// bits, which the compiler widens to whole vectors.
void UnpackRow(const std::uint8_t* packed, unsigned depth, std::size_t width, std::uint8_t* out) {
  if (depth == 4) {
    for (std::size_t i = 0; i < width / 2; ++i) {
      out[2 * i] = static_cast<std::uint8_t>(packed[i] >> 4);
      out[2 * i + 1] = static_cast<std::uint8_t>(packed[i] & 0x0F);
    }
    if (width % 2) out[width - 1] = static_cast<std::uint8_t>(packed[width / 2] >> 4);
    return;
  }
  const auto mask = static_cast<unsigned>((1u << depth) - 1u);
  for (std::size_t x = 0; x < width; ++x) {
    const std::size_t bit = x * depth;
    const unsigned shift = 8u - depth - static_cast<unsigned>(bit % 8);
    out[x] = static_cast<std::uint8_t>((packed[bit / 8] >> shift) & mask);
  }
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
  // A palette with an entry for every index the depth can hold needs no look.
  if (picture.palette.size() >= std::size_t{1} << picture.depth) return;
  std::uint8_t highest = 0;
  for (const std::uint8_t index : picture.indices) highest = std::max(highest, index);
  if (highest >= picture.palette.size())
    throw PngError("The PNG picture uses colour index " + std::to_string(highest) + " but its palette has " +
                   std::to_string(picture.palette.size()) + (picture.palette.size() == 1 ? " entry." : " entries."));
}

// Stops the rows' arrival however the decoding ends.
struct StopWhenDone {
  RowsArriving* arriving;
  ~StopWhenDone() {
    if (arriving) arriving->Stop();
  }
};

bool RowsInOrder(const spng_ihdr& header) {
  return header.color_type == SPNG_COLOR_TYPE_INDEXED && header.interlace_method == SPNG_INTERLACE_NONE;
}

// Rows one at a time, each spread into the picture (8-bit rows straight),
// and told to arriving as soon as it is whole. Packed rows go through a
// row's buffer, so the packed picture is never held whole.
void DecodeRowsInOrder(spng_ctx* ctx, const spng_ihdr& header, Picture& picture, RowsArriving* arriving) {
  const auto width = static_cast<std::size_t>(header.width);
  const std::size_t rowBytes = (width * header.bit_depth + 7) / 8;
  std::size_t expected = 0;
  Check(spng_decoded_image_size(ctx, SPNG_FMT_PNG, &expected));
  if (expected != rowBytes * header.height)
    throw PngError("The PNG picture's decoded size is not what its header promises.");
  Check(spng_decode_image(ctx, nullptr, 0, SPNG_FMT_PNG, SPNG_DECODE_PROGRESSIVE));
  std::vector<std::uint8_t> packed(header.bit_depth == 8 ? 0 : rowBytes);
  // The last row comes back as the end of the picture.
  int result = SPNG_OK;
  for (std::size_t y = 0; y < header.height; ++y) {
    if (result == SPNG_EOI) throw PngError("The PNG picture's decoded size is not what its header promises.");
    std::uint8_t* row = picture.indices.data() + y * width;
    result = spng_decode_row(ctx, packed.empty() ? row : packed.data(), rowBytes);
    if (result != SPNG_EOI) Check(result);
    if (!packed.empty()) UnpackRow(packed.data(), header.bit_depth, width, row);
    // A row of cells at a time, what the encoder waits for.
    if (arriving && ((y + 1) % kRowsPublishedTogether == 0 || y + 1 == header.height))
      arriving->Publish(static_cast<std::int32_t>(y + 1));
  }
  if (result != SPNG_EOI) throw PngError("The PNG picture's decoded size is not what its header promises.");
  Check(spng_decode_chunks(ctx));
}

void DecodeInterlacedIndices(spng_ctx* ctx, const spng_ihdr& header, Picture& picture) {
  const auto width = static_cast<std::size_t>(header.width);
  const std::size_t rowBytes = (width * header.bit_depth + 7) / 8;
  std::vector<std::uint8_t> packed(rowBytes * header.height);
  DecodeInto(ctx, SPNG_FMT_PNG, 0, packed.data(), packed.size());
  for (std::size_t y = 0; y < header.height; ++y)
    UnpackRow(packed.data() + y * rowBytes, header.bit_depth, width, picture.indices.data() + y * width);
}

}  // namespace

struct PngDecoding::State {
  SpngContext ctx;
  spng_ihdr header{};
  Picture shape;  // without pixels
  std::size_t fileBytes = 0;
};

PngDecoding::PngDecoding(std::span<const std::uint8_t> bytes) {
  if (!LooksLikePng(bytes)) throw PngError("This is not a PNG file (it does not start with the PNG signature).");
  try {
    state_ = std::make_unique<State>();
    state_->ctx = NewDecoder(bytes, true);
    spng_ctx* ctx = state_->ctx.get();
    const spng_ihdr header = state_->header = ReadHeader(ctx, bytes);
    state_->fileBytes = bytes.size();
    Picture& shape = state_->shape;
    shape.width = static_cast<std::int32_t>(header.width);
    shape.height = static_cast<std::int32_t>(header.height);
    shape.indexed = header.color_type == SPNG_COLOR_TYPE_INDEXED;
    if (shape.indexed) {
      shape.depth = header.bit_depth;
      ReadPalette(ctx, shape);
    } else {
      shape.depth = ChannelsOf(header.color_type) * header.bit_depth;
    }
  } catch (const std::bad_alloc&) {
    throw PngError(ReadFailureText(SPNG_EMEM));
  }
}

PngDecoding::~PngDecoding() = default;

void PngDecoding::RefuseWhatTheFileCannotHold() const {
  // Deflate makes at most 1032 bytes of each byte it reads, and every
  // stored bit of every pixel comes out of it.
  constexpr std::uint64_t kMostInflated = 1032;
  const spng_ihdr& header = state_->header;
  const std::uint64_t bits = static_cast<std::uint64_t>(ChannelsOf(header.color_type)) * header.bit_depth;
  const std::uint64_t pixelBytes = std::uint64_t{header.width} * header.height * bits / 8;
  if (pixelBytes > kMostInflated * (state_->fileBytes + 1)) throw PngError(ReadFailureText(SPNG_EOF));
}

Picture PngDecoding::Shape() const { return state_->shape; }

bool PngDecoding::RowsInOrder() const { return tilora::RowsInOrder(state_->header); }

void PngDecoding::DecodePixels(Picture& picture, RowsArriving* arriving) {
  const StopWhenDone stop{arriving};
  spng_ctx* ctx = state_->ctx.get();
  const spng_ihdr& header = state_->header;
  try {
    if (tilora::RowsInOrder(header)) {
      DecodeRowsInOrder(ctx, header, picture, arriving);
    } else if (picture.indexed) {
      DecodeInterlacedIndices(ctx, header, picture);
    } else {
      DecodeInto(ctx, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS, reinterpret_cast<std::uint8_t*>(picture.colours.data()),
                 picture.colours.size() * sizeof(Rgba));
      // Asked only now: a failed look at the chunks would leave the decoder
      // unusable, and the damage named by the decoding is the better text.
      spng_trns trns{};
      picture.hasAlpha = header.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                         header.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA || spng_get_trns(ctx, &trns) == SPNG_OK;
    }
    if (picture.indexed) CheckIndicesInPalette(picture);
  } catch (const std::bad_alloc&) {
    throw PngError(ReadFailureText(SPNG_EMEM));
  }
}

bool PngSupported() noexcept { return true; }

Picture DecodePng(std::span<const std::uint8_t> bytes) {
  PngDecoding decoding(bytes);
  decoding.RefuseWhatTheFileCannotHold();
  Picture picture = decoding.Shape();
  try {
    SizePixels(picture);
  } catch (const std::bad_alloc&) {
    throw PngError(ReadFailureText(SPNG_EMEM));
  }
  decoding.DecodePixels(picture, nullptr);
  return picture;
}

}  // namespace tilora
