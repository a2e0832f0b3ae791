#include "ui/main_window/picture_header.h"

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "io/checked_file.h"
#include "io/io_error.h"
#include "temp_dir.h"
#include "window_state.h"

namespace tilora {
namespace {

using testing::BmpShape;
using testing::MakeShape;
using testing::TempDir;

testing::WindowState window;
PictureHeaderRecord& PictureHeader = window.PictureHeader;
bool& PictureHeaderAccepted = window.PictureHeaderAccepted;
CheckedFile& SourceFile = window.SourceFile;

platform::FileStamp ReadHeader(const std::string& path, const HeaderListener& listener = {}) {
  return window.ReadHeader(path, listener);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct HeaderCase {
  const char* name;
  BmpShape shape;
  std::uint32_t compressionField;  // all four bytes at offset 30
  std::int32_t dataOffset;
  const char* resolution;
  const char* format;
  bool accepted;
};

BmpShape WithHeaderSize(BmpShape shape, std::uint32_t headerSize) {
  shape.headerSize = headerSize;
  return shape;
}

TEST(ReadHeader, ReadsFieldsTextsAndAcceptance) {
  const HeaderCase cases[] = {
      {"4bpp 256x224", MakeShape(256, 224, 4), 0, 118, "Resolution: 256x224", "Pic Format: 4bpp", true},
      {"8bpp", MakeShape(16, 16, 8), 0, 1078, "Resolution: 16x16", "Pic Format: 8bpp", true},
      {"24bpp accepted here", MakeShape(4, 4, 24), 0, 54, "Resolution: 4x4", "Pic Format: 24bpp", true},
      {"rle8", MakeShape(4, 4, 8), 1, 1078, "Resolution: 4x4", "Pic Format: 8bpp", false},
      {"rle4", MakeShape(4, 4, 4), 2, 118, "Resolution: 4x4", "Pic Format: 4bpp", false},
      {"bitfields", MakeShape(4, 4, 8), 3, 1078, "Resolution: 4x4", "Pic Format: 8bpp", false},
      {"high half only", MakeShape(4, 4, 8), 0x00010000, 1078, "Resolution: 4x4", "Pic Format: 8bpp", true},
      {"top-down", MakeShape(16, -16, 4), 0, 118, "Resolution: 16x-16", "Pic Format: 4bpp", true},
      {"124-byte header", WithHeaderSize(MakeShape(8, 8, 4), 124), 0, 202, "Resolution: 8x8", "Pic Format: 4bpp", true},
  };
  for (const auto& c : cases) {
    TempDir dir;
    auto bytes = testing::BuildBmp(c.shape);
    Put32(bytes, 30, c.compressionField);
    testing::WriteFileBytes(dir / "p.bmp", bytes);
    ReadHeader(dir / "p.bmp");
    EXPECT_EQ(PictureHeader.DataOffset, c.dataOffset) << c.name;
    EXPECT_EQ(ResolutionText(PictureHeader), c.resolution) << c.name;
    EXPECT_EQ(FormatText(PictureHeader), c.format) << c.name;
    EXPECT_EQ(IsAccepted(PictureHeader), c.accepted) << c.name;
    EXPECT_EQ(PictureHeaderAccepted, c.accepted) << c.name;
    EXPECT_FALSE(SourceFile.IsOpen()) << c.name;
  }
}

// The old 12-byte header keeps its 16-bit fields elsewhere; read in the
// 40-byte form they gave nonsense sizes and depths.
TEST(ReadHeader, OldHeaderForm) {
  TempDir dir;
  BmpShape shape = MakeShape(300, 200, 8);
  shape.headerSize = 12;
  testing::WriteFileBytes(dir / "p.bmp", testing::BuildBmp(shape));
  ReadHeader(dir / "p.bmp");
  EXPECT_EQ(ResolutionText(PictureHeader), "Resolution: 300x200");
  EXPECT_EQ(FormatText(PictureHeader), "Pic Format: 8bpp");
  EXPECT_EQ(PictureHeader.DataOffset, 14 + 12 + 3 * 256);
  EXPECT_TRUE(PictureHeaderAccepted);
  EXPECT_TRUE(IsBitmapHeader(PictureHeader));
}

TEST(ReadHeader, TellsWidthAndHeightAsTheyAreRead) {
  TempDir dir;
  testing::WriteFileBytes(dir / "p.bmp", testing::BuildBmp(MakeShape(250, 300, 8)));
  std::vector<std::string> events;
  HeaderListener listener;
  // Appended, not added: GCC 12 at -O2 warns falsely about "literal" + string.
  listener.onWidth = [&](std::int32_t w) {
    events.push_back(std::string("w").append(std::to_string(w)).append(" h").append(std::to_string(PictureHeader.Height)));
  };
  listener.onHeight = [&](std::int32_t h) { events.push_back(std::string("h").append(std::to_string(h))); };
  PictureHeader = {};
  ReadHeader(dir / "p.bmp", listener);
  EXPECT_EQ(events, (std::vector<std::string>{"w250 h0", "h300"}));
}

// Files cut short: which fields take the new values, and what the field being
// read when the file ended holds.
TEST(ReadHeader, CutFilesKeepWhatWasReadBeforeTheFailure) {
  const PictureHeaderRecord previous{0x11111111, 0x22222222, 0x33333333, 0x4444, 0x5555};
  const struct {
    std::size_t length;
    PictureHeaderRecord expected;
    int events;  // width and height reported
  } cases[] = {
      {0, {0x11111111, 0x22222222, 0x33333333, 0x4444, 0x5555}, 0},
      {12, {0x11110B0A, 0x22222222, 0x33333333, 0x4444, 0x5555}, 0},
      {20, {0x0D0C0B0A, 0x22221312, 0x33333333, 0x4444, 0x5555}, 0},
      {22, {0x0D0C0B0A, 0x15141312, 0x33333333, 0x4444, 0x5555}, 1},
      {26, {0x0D0C0B0A, 0x15141312, 0x19181716, 0x4444, 0x5555}, 2},
      {29, {0x0D0C0B0A, 0x15141312, 0x19181716, 0x441C, 0x5555}, 2},
      {31, {0x0D0C0B0A, 0x15141312, 0x19181716, 0x1D1C, 0x551E}, 2},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::vector<std::uint8_t> bytes(c.length);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    testing::WriteFileBytes(dir / "cut", bytes);
    PictureHeader = previous;
    PictureHeaderAccepted = true;
    int events = 0;
    HeaderListener listener{[&](std::int32_t) { ++events; }, [&](std::int32_t) { ++events; }};
    try {
      ReadHeader(dir / "cut", listener);
      FAIL() << c.length;
    } catch (const IoError& e) {
      EXPECT_EQ(FailureText(e.what()), "Read beyond end of file.") << c.length;
    }
    EXPECT_EQ(PictureHeader.DataOffset, c.expected.DataOffset) << c.length;
    EXPECT_EQ(PictureHeader.Width, c.expected.Width) << c.length;
    EXPECT_EQ(PictureHeader.Height, c.expected.Height) << c.length;
    EXPECT_EQ(PictureHeader.Depth, c.expected.Depth) << c.length;
    EXPECT_EQ(PictureHeader.Compression, c.expected.Compression) << c.length;
    EXPECT_EQ(events, c.events) << c.length;
    EXPECT_FALSE(PictureHeaderAccepted) << c.length;
    EXPECT_FALSE(SourceFile.IsOpen()) << c.length;
  }
}

TEST(ReadHeader, UnopenableFileLeavesHeaderUnchanged) {
  TempDir dir;
  const PictureHeaderRecord previous{1, 2, 3, 4, 0};
  PictureHeader = previous;
  try {
    ReadHeader(dir / "missing.bmp");
    FAIL();
  } catch (const IoError& e) {
    EXPECT_EQ(FailureText(e.what()), "File not found.");
  }
  EXPECT_EQ(PictureHeader.Width, 2);
  EXPECT_EQ(PictureHeader.Depth, 4);
  EXPECT_FALSE(PictureHeaderAccepted);
}

TEST(ReadHeader, NonBitmapBytesBecomeTheHeader) {
  TempDir dir;
  std::vector<std::uint8_t> bytes(40, 0);
  Put32(bytes, 18, static_cast<std::uint32_t>(-5));
  bytes[28] = 7;
  testing::WriteFileBytes(dir / "notes.txt", bytes);
  ReadHeader(dir / "notes.txt");
  EXPECT_EQ(ResolutionText(PictureHeader), "Resolution: -5x0");
  EXPECT_EQ(FormatText(PictureHeader), "Pic Format: 7bpp");
  EXPECT_TRUE(PictureHeaderAccepted);
}

}  // namespace
}  // namespace tilora
