// What a refusal costs: everything the headers and the settings decide is
// refused before memory the size of the picture is taken. Every allocation
// of this program is counted, so the peak a refusal reaches is measured,
// not timed.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <cstdlib>
#include <new>

#include "bmp_builder.h"
#include "convert/convert_file.h"
#include "formats/picture_file.h"
#include "formats/png/png_reader.h"
#include "io/byte_source.h"
#include "io/failure_text.h"
#include "png_builder.h"

namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

// Each block carries its size in front of it, so delete knows what it frees.
constexpr std::size_t kHeader = alignof(std::max_align_t);

}  // namespace

void* operator new(std::size_t size) {
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  const std::size_t now = live += size;
  for (std::size_t high = peak; now > high && !peak.compare_exchange_weak(high, now);) {
  }
  return block + kHeader;
}

void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  auto* block = static_cast<unsigned char*>(p) - kHeader;
  live -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace tilora {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The peak of live memory while step runs, above what was live before it.
template <typename Step>
std::size_t PeakOf(Step&& step) {
  const std::size_t before = live;
  peak = before;
  step();
  return peak - before;
}

Bytes Png(std::uint32_t width, std::uint32_t height, std::uint8_t colourType, const Bytes& idat) {
  return testing::JoinPng({{"IHDR", testing::IhdrData(width, height, 8, colourType)}, {"IDAT", idat}, {"IEND", {}}});
}

// A bitmap's 54-byte headers alone, declaring the size and depth.
Bytes BmpHeader(std::int32_t width, std::int32_t height, std::uint16_t depth) {
  Bytes bytes = testing::BuildBmp(testing::MakeShape(8, 8, depth));
  bytes.resize(54);
  for (int i = 0; i < 4; ++i) {
    bytes[static_cast<std::size_t>(18 + i)] = static_cast<std::uint8_t>(width >> (8 * i));
    bytes[static_cast<std::size_t>(22 + i)] = static_cast<std::uint8_t>(height >> (8 * i));
  }
  return bytes;
}

constexpr std::size_t kMiB = std::size_t{1} << 20;

// The message a conversion with settings ends with, "" when it converts.
std::function<std::string(ByteSource&)> Converting(ConversionSettings settings) {
  return [settings](ByteSource& source) {
    const Result<Conversion> result = ConvertSource(source, settings);
    return result ? std::string() : FailureMessage(result.Error());
  };
}

// The message a description (--info) ends with: the picture read whole.
std::string Describing(ByteSource& source) {
  Result<PictureFile> file = PictureFile::Open(source);
  if (!file) return FailureMessage(file.Error());
  const Result<Picture> picture = file->Read();
  return picture ? std::string() : FailureMessage(picture.Error());
}

// The message the PNG decoder alone ends with.
std::string DecodingPng(ByteSource& source) {
  Bytes bytes(static_cast<std::size_t>(source.Size()));
  bytes.resize(source.ReadAt(0, bytes.data(), bytes.size()));
  try {
    DecodePng(bytes);
  } catch (const PngError& e) {
    return e.what();
  }
  return {};
}

TEST(RefusalCost, HeadersAndSettingsRefuseBeforeAnyPixelBuffer) {
  // 8192 x 4096 grey rows of zeros: 98 KB of file, 32 MiB of pixels.
  const Bytes zeroRows = testing::ZlibCompressed(Bytes(std::size_t{8193} * 4096, 0));
  ConversionSettings mode7;
  mode7.tiles.mode7 = true;
  mode7.subPalettes.palettes = 1;
  const std::string tooHigh =
      "The picture is 8192 pixels high; only heights from 1 to 4096 (negative when stored top row first) are "
      "converted.";
  const struct {
    const char* name;
    Bytes file;
    std::function<std::string(ByteSource&)> run;
    std::string refusal;
  } cases[] = {
      {"a PNG header of 8192 x 8192 colours", Png(8192, 8192, testing::kPngRgba, {0x78, 0x9C, 0x03, 0, 0, 0, 0, 1}),
       Converting({}), tooHigh},
      {"described", Png(8192, 8192, testing::kPngRgba, {0x78, 0x9C, 0x03, 0, 0, 0, 0, 1}), Describing, tooHigh},
      {"a bitmap header of 8192 x 4096 at 32 bits, described", BmpHeader(8192, 4096, 32), Describing,
       "Read beyond end of file"},
      {"mode 7 of a picture too large for it", Png(8192, 4096, testing::kPngGrey, zeroRows), Converting(mode7),
       "The picture is 8192 x 4096 pixels; mode 7 holds at most 1024 x 1024."},
      // Within every size limit, but far more pixels than the file's bytes
      // can inflate to.
      {"a PNG header of 4096 x 4096 colours, described", Png(4096, 4096, testing::kPngRgba, {}), Describing,
       "The PNG file is damaged (it ends too early)."},
      {"a PNG header of 7682 x 7681 grey, decoded", Png(7682, 7681, testing::kPngGrey, {}), DecodingPng,
       "The PNG file is damaged (it ends too early)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemorySource source(c.file);
    std::string message;
    const std::size_t cost = PeakOf([&] { message = c.run(source); });
    EXPECT_EQ(message, c.refusal);
    EXPECT_LT(cost, c.file.size() + kMiB);
  }
}

}  // namespace
}  // namespace tilora
