#include "formats/png/png_writer.h"

#include <spng.h>
#include <zlib.h>

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

// Chunks written straight into the file's bytes, each closed with the CRC of
// its type and data.
class ChunkWriter {
 public:
  explicit ChunkWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Begin(const char* type, std::size_t length) {
    Word(static_cast<std::uint32_t>(length));
    start_ = out_.size();
    out_.insert(out_.end(), type, type + 4);
  }
  void End() {
    Word(static_cast<std::uint32_t>(crc32(0, out_.data() + start_, static_cast<uInt>(out_.size() - start_))));
  }
  void Word(std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out_.push_back(static_cast<std::uint8_t>(v >> shift));
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::size_t start_ = 0;
};

// A zlib stream of deflate's stored blocks, written as the raw bytes come:
// compressing millions of pixels would take many times what drawing them
// does. Blocks hold 65535 bytes but the last.
class StoredStream {
 public:
  static constexpr std::size_t kBlock = 65535;
  static std::size_t Size(std::size_t raw) { return 2 + raw + 5 * ((raw + kBlock - 1) / kBlock) + 4; }

  StoredStream(std::vector<std::uint8_t>& out, std::size_t raw) : out_(out), left_(raw) {
    out_.push_back(0x78);  // deflate, 32 KiB window
    out_.push_back(0x01);  // no preset dictionary, fastest
  }
  void Write(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
      if (inBlock_ == 0) BlockHeader();
      const std::size_t take = std::min(count, inBlock_);
      out_.insert(out_.end(), bytes, bytes + take);
      adler_ = adler32(adler_, bytes, static_cast<uInt>(take));
      bytes += take;
      count -= take;
      inBlock_ -= take;
    }
  }
  void Finish() {
    for (int shift = 24; shift >= 0; shift -= 8) out_.push_back(static_cast<std::uint8_t>(adler_ >> shift));
  }

 private:
  void BlockHeader() {
    inBlock_ = std::min(kBlock, left_);
    left_ -= inBlock_;
    const std::size_t n = inBlock_;
    const std::uint8_t header[5] = {static_cast<std::uint8_t>(left_ == 0 ? 1 : 0), static_cast<std::uint8_t>(n),
                                    static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(~n),
                                    static_cast<std::uint8_t>(~n >> 8)};
    out_.insert(out_.end(), header, header + 5);
  }

  std::vector<std::uint8_t>& out_;
  std::size_t left_;         // raw bytes not yet in a block
  std::size_t inBlock_ = 0;  // room left in the block being written
  uLong adler_ = adler32(0, nullptr, 0);
};

// The fewest bits a pixel that tell the palette's entries apart.
int DepthFor(std::size_t entries) { return entries <= 2 ? 1 : entries <= 4 ? 2 : entries <= 16 ? 4 : 8; }

// A row of pixels packed Depth bits each, the leftmost in the high bits;
// whole bytes in a loop the compiler unrolls and vectorises, then the rest.
template <int Depth>
void PackRow(const std::uint8_t* pixels, std::size_t width, std::uint8_t* out) {
  constexpr std::size_t kPerByte = 8 / Depth;
  const std::size_t whole = width / kPerByte;
  for (std::size_t b = 0; b < whole; ++b) {
    unsigned packed = 0;
    for (std::size_t i = 0; i < kPerByte; ++i) packed = packed << Depth | pixels[b * kPerByte + i];
    out[b] = static_cast<std::uint8_t>(packed);
  }
  if (whole * kPerByte == width) return;
  unsigned packed = 0;
  for (std::size_t i = 0; i < kPerByte; ++i) {
    const std::size_t x = whole * kPerByte + i;
    packed = packed << Depth | (x < width ? pixels[x] : 0U);
  }
  out[whole] = static_cast<std::uint8_t>(packed);
}

// Each row after its filter byte (0: none), packed to depth bits a pixel.
void StoredImageData(std::int32_t width, std::int32_t height, int depth, std::span<const std::uint8_t> indices,
                     std::vector<std::uint8_t>& out) {
  const auto w = static_cast<std::size_t>(width);
  const std::size_t rowBytes = (w * static_cast<std::size_t>(depth) + 7) / 8;
  StoredStream stream(out, (rowBytes + 1) * static_cast<std::size_t>(height));
  std::vector<std::uint8_t> row(rowBytes + 1);  // the filter byte stays 0
  for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
    const std::uint8_t* pixels = indices.data() + y * w;
    if (depth == 8) {
      stream.Write(row.data(), 1);
      stream.Write(pixels, w);
      continue;
    }
    if (depth == 4) PackRow<4>(pixels, w, row.data() + 1);
    else if (depth == 2) PackRow<2>(pixels, w, row.data() + 1);
    else PackRow<1>(pixels, w, row.data() + 1);
    stream.Write(row.data(), row.size());
  }
  stream.Finish();
}

std::vector<std::uint8_t> StoredPng(std::int32_t width, std::int32_t height, std::span<const std::uint8_t> indices,
                                    std::span<const Rgb> palette) {
  constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const int depth = DepthFor(palette.size());
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * static_cast<std::size_t>(depth) + 7) / 8;
  const std::size_t data = StoredStream::Size((rowBytes + 1) * static_cast<std::size_t>(height));
  if (data > 0x7FFFFFFF) throw PngError("A PNG picture of " + SizeText(width, height) + " pixels cannot be written.");
  std::vector<std::uint8_t> out;
  out.reserve(8 + 25 + 12 + 3 * palette.size() + 12 + data + 12);
  out.insert(out.end(), kSignature, kSignature + 8);
  ChunkWriter chunk(out);
  chunk.Begin("IHDR", 13);
  chunk.Word(static_cast<std::uint32_t>(width));
  chunk.Word(static_cast<std::uint32_t>(height));
  // Palette colours, deflate, the standard filters, no interlacing.
  const std::uint8_t header[5] = {static_cast<std::uint8_t>(depth), 3, 0, 0, 0};
  out.insert(out.end(), header, header + 5);
  chunk.End();
  chunk.Begin("PLTE", 3 * palette.size());
  for (const Rgb& c : palette) {
    out.push_back(c.red);
    out.push_back(c.green);
    out.push_back(c.blue);
  }
  chunk.End();
  chunk.Begin("IDAT", data);
  StoredImageData(width, height, depth, indices, out);
  chunk.End();
  chunk.Begin("IEND", 0);
  chunk.End();
  return out;
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
  return Guarded([&] { return StoredPng(width, height, indices, palette); });
}

}  // namespace tilora
