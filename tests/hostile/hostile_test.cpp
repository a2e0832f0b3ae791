// Hostile and broken picture files, each with the exact message the user is
// shown, and the promise that a failed or refused conversion writes nothing
// and leaves no working or temporary file behind.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <climits>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "conversion_outcome.h"
#include "convert/convert_file.h"
#include "formats/png/png_error.h"
#include "io/io_error.h"
#include "reference_encoder.h"
#include "temp_dir.h"
#include "window_state.h"

namespace tilora {
namespace {

namespace fs = std::filesystem;
using testing::BmpShape;
using testing::MakeShape;
using testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

// The one conversion; the text is what the user is shown, empty when the
// picture was converted.
std::string Outcome(const std::string& picture, const std::string& base) {
  return testing::FailureTextOf(ConvertFile(picture, base));
}

Bytes Bmp(const BmpShape& shape) { return testing::BuildBmp(shape); }
Bytes Plain8() { return Bmp(MakeShape(8, 8, 8)); }  // header 54, table 1024, rows at 1078, 1142 bytes

Bytes Cut(Bytes b, std::size_t size) {
  b.resize(size);
  return b;
}

Bytes Patch32(Bytes b, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  return b;
}

Bytes Patch16(Bytes b, std::size_t at, std::uint16_t value) {
  b[at] = static_cast<std::uint8_t>(value);
  b[at + 1] = static_cast<std::uint8_t>(value >> 8);
  return b;
}

constexpr std::size_t kAtDataOffset = 10, kAtHeaderSize = 14, kAtWidth = 18, kAtHeight = 22, kAtCompression = 30;

Bytes WithWidth(std::int32_t w) { return Patch32(Plain8(), kAtWidth, static_cast<std::uint32_t>(w)); }
Bytes WithHeight(std::int32_t h) { return Patch32(Plain8(), kAtHeight, static_cast<std::uint32_t>(h)); }

enum class Input { kFile, kFolder, kPipe, kDevice, kMissing, kInMissingFolder, kLongName };

struct HostileCase {
  std::string name;
  std::function<Bytes()> bytes;
  // "{dir}" stands for the test's folder.
  std::string message;
  Input input = Input::kFile;
  std::string base = "{dir}/Pic";
  // Made before the conversion: a folder where an output should go.
  const char* folderInTheWay = nullptr;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

std::string Expand(std::string text, const std::string& dir) {
  for (auto at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}"))
    text.replace(at, 5, dir);
  return text;
}

const std::string kEnd = "Read beyond end of file.";
const std::string kCompression = "Please use the file without compression.";
const std::string kNotBmp = "This file is not a BMP picture.";
std::string DepthText(int d) {
  return std::to_string(d) + " bit per pixels. Only pictures of 4 or 8 bits per pixel can be converted.";
}
std::string WidthText(const std::string& w) {
  return "The picture is " + w + " pixels wide; only widths from 1 to 8192 are converted.";
}
std::string HeightText(const std::string& h) {
  return "The picture is " + h + " pixels high; only heights from 1 to 4096 (negative when stored top row first) are converted.";
}
std::string TableText(const std::string& table, const std::string& data) {
  return "The picture's colour table would start at byte " + table + ", past its pixel data at byte " + data + ".";
}

std::vector<HostileCase> Cases() {
  std::vector<HostileCase> cases = {
      {"empty", [] { return Bytes{}; }, kEnd},
      {"text_file", [] { return Bytes{'h', 'e', 'l', 'l', 'o', '\n'}; }, kEnd},
      {"letters", [] { return Bytes(200, 'A'); }, kNotBmp},
      {"zeros", [] { return Bytes(200, 0); }, kNotBmp},
      {"png_signature_in_a_bmp", [] { Bytes b(200, 0); const char sig[] = "\x89PNG\r\n\x1a\n"; std::copy(sig, sig + 8, b.begin()); return b; },
       PngSupported() ? "The PNG file is damaged (its IHDR header chunk is missing or malformed)."
                      : "PNG pictures are not supported by this build of Tilora."},
      {"signature_only", [] { return Patch16(Plain8(), 26, 0); }, kNotBmp},
      {"two_planes", [] { return Patch16(Plain8(), 26, 2); }, kNotBmp},
      {"rows_cut_4bpp", [] { auto b = Bmp(MakeShape(13, 11, 4)); return Cut(b, b.size() - 3); }, kEnd},
      {"rows_cut_topdown", [] { auto b = Bmp(MakeShape(16, -16, 8)); return Cut(b, b.size() - 1); }, kEnd},
      {"table_cut_4bpp", [] { return Cut(Bmp(MakeShape(8, 8, 4)), 54 + 4 * 7 + 2); }, kEnd},
      {"compression_1", [] { return Patch16(Plain8(), kAtCompression, 1); }, kCompression},
      {"compression_2", [] { return Patch16(Bmp(MakeShape(8, 8, 4)), kAtCompression, 2); }, kCompression},
      {"compression_3", [] { return Patch16(Plain8(), kAtCompression, 3); }, kCompression},
      {"width_0", [] { return WithWidth(0); }, WidthText("0")},
      {"width_negative", [] { return WithWidth(-8); }, WidthText("-8")},
      {"width_over_plane", [] { return WithWidth(8193); }, WidthText("8193")},
      {"width_int_max", [] { return WithWidth(INT_MAX); }, WidthText("2147483647")},
      {"width_int_min", [] { return WithWidth(INT_MIN); }, WidthText("-2147483648")},
      {"height_0", [] { return WithHeight(0); }, HeightText("0")},
      {"height_over_plane", [] { return WithHeight(4097); }, HeightText("4097")},
      {"height_over_plane_topdown", [] { return WithHeight(-4097); }, HeightText("-4097")},
      {"height_int_max", [] { return WithHeight(INT_MAX); }, HeightText("2147483647")},
      {"height_int_min", [] { return WithHeight(INT_MIN); }, HeightText("-2147483648")},
      {"tiles_over_buffer_8bpp", [] { return Patch32(WithWidth(1024), kAtHeight, 1032); },
       "The picture needs 16512 tiles; at most 16384 are converted at 8 bits per pixel."},
      {"tiles_over_buffer_4bpp", [] { return Patch32(Patch32(Bmp(MakeShape(8, 8, 4)), kAtWidth, 8192), kAtHeight, 4096); },
       "The picture needs 524288 tiles; at most 32768 are converted at 4 bits per pixel."},
      {"data_offset_negative", [] { return Patch32(Plain8(), kAtDataOffset, static_cast<std::uint32_t>(-1)); },
       "The pixel data offset -1 is negative."},
      {"data_offset_int_min", [] { return Patch32(Plain8(), kAtDataOffset, 0x80000000u); },
       "The pixel data offset -2147483648 is negative."},
      {"data_offset_past_end", [] { return Patch32(Plain8(), kAtDataOffset, 5000); }, kEnd},
      {"data_offset_int_max", [] { return Patch32(Plain8(), kAtDataOffset, 0x7FFFFFFFu); }, kEnd},
      {"data_offset_inside_header", [] { return Patch32(Plain8(), kAtDataOffset, 20); }, TableText("54", "20")},
      {"header_size_0", [] { return Patch32(Plain8(), kAtHeaderSize, 0); },
       "The picture's information header is 0 bytes long; only pictures with a header of 12 bytes or of at least 40 bytes are converted."},
      // Read in the old form, this header's fields say "no planes".
      {"header_size_12", [] { return Patch32(Plain8(), kAtHeaderSize, 12); }, kNotBmp},
      {"header_size_39", [] { return Patch32(Plain8(), kAtHeaderSize, 39); },
       "The picture's information header is 39 bytes long; only pictures with a header of 12 bytes or of at least 40 bytes are converted."},
      {"header_size_huge", [] { return Patch32(Plain8(), kAtHeaderSize, 1000000); }, TableText("1000014", "1078")},
      {"header_size_max", [] { return Patch32(Plain8(), kAtHeaderSize, 0xFFFFFFFFu); }, TableText("4294967309", "1078")},
      {"folder", nullptr, "File access denied.", Input::kFolder},
#ifndef _WIN32
      // Would wait for a writer forever if opened like a file.
      {"named_pipe", nullptr, "File access denied.", Input::kPipe},
      {"device", nullptr, "File access denied.", Input::kDevice},
#endif
      {"missing_file", nullptr, "File not found.", Input::kMissing},
      {"missing_folder", nullptr, "Invalid filename.", Input::kInMissingFolder},
      {"name_too_long", nullptr, "Invalid filename.", Input::kLongName},
      {"output_under_regular_file", Plain8, "Cannot create file \"{dir}/in.bmp/Pic.plt\". Invalid filename.",
       Input::kFile, "{dir}/in.bmp/Pic"},
      {"output_in_missing_folder", Plain8, "Cannot create file \"{dir}/nowhere/Pic.plt\". Invalid filename.",
       Input::kFile, "{dir}/nowhere/Pic"},
      {"output_name_too_long", Plain8,
       "Cannot create file \"{dir}/" + std::string(252, 'n') + ".plt\". Invalid filename.", Input::kFile,
       "{dir}/" + std::string(252, 'n')},
      {"output_is_a_folder", Plain8, "Cannot create file \"{dir}/Pic.plt\". File access denied.", Input::kFile,
       "{dir}/Pic", "Pic.plt"},
  };
  // Cut at, and inside, every header field and the colour table.
  for (const std::size_t size : std::initializer_list<std::size_t>{1, 10, 12, 14, 17, 18, 20, 22, 25, 26, 28, 29, 30, 31, 32, 40, 46, 49, 53, 54,
                                 54 + 512 + 2, 1077, 1078, 1078 + 63}) {
    cases.push_back({"cut_at_" + std::to_string(size), [size] { return Cut(Plain8(), size); }, kEnd});
  }
  for (const int depth : {0, 1, 2, 16, 24, 32}) {
    cases.push_back({"depth_" + std::to_string(depth), [depth] { return Bmp(MakeShape(8, 8, static_cast<std::uint16_t>(depth))); },
                     DepthText(depth)});
  }
  return cases;
}

class HostileTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileTest, ExactMessageAndNothingLeft) {
  const HostileCase& c = GetParam();
  TempDir dir;
  const std::string folder = dir.path().string();
  std::string picture = dir / "in.bmp";
  switch (c.input) {
    case Input::kFile: testing::WriteFileBytes(picture, c.bytes()); break;
    case Input::kFolder: fs::create_directory(picture); break;
#ifndef _WIN32
    case Input::kPipe: ASSERT_EQ(::mkfifo(picture.c_str(), 0600), 0); break;
    case Input::kDevice: picture = "/dev/zero"; break;
#else
    case Input::kPipe:
    case Input::kDevice: break;
#endif
    case Input::kMissing: break;
    case Input::kInMissingFolder: picture = dir / "nowhere/in.bmp"; break;
    case Input::kLongName: picture = dir / (std::string(300, 'x') + ".bmp"); break;
  }
  if (c.folderInTheWay) fs::create_directory(dir / c.folderInTheWay);
  const auto before = dir.List();

  EXPECT_EQ(Outcome(picture, Expand(c.base, folder)), Expand(c.message, folder));
  // The window refuses it as well: after a failed open or a refusal "In
  // File" converts nothing, and still nothing is written.
  testing::WindowState window;
  try {
    window.Open(picture);
  } catch (const IoError&) {
  }
  EXPECT_FALSE(window.SourceFile.IsOpen());
  const auto inFile = testing::OutcomeOf(window.InFile(Expand(c.base, folder)));
  EXPECT_FALSE(inFile.converted);
  if (!window.PictureHeaderAccepted) {
    EXPECT_EQ(inFile.notice, kStaleHeaderNotice);
  }
  EXPECT_EQ(dir.List(), before);
  if (c.folderInTheWay) {
    EXPECT_TRUE(fs::is_empty(dir / c.folderInTheWay));
  }
}

INSTANTIATE_TEST_SUITE_P(Files, HostileTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<HostileCase>& p) { return p.param.name; });

// Hostile but readable: the counts are clamped, nothing past the table is
// taken for colours, and the outputs match the reference.
struct ClampedCase {
  const char* name;
  BmpShape shape;
};

void PrintTo(const ClampedCase& c, std::ostream* os) { *os << c.name; }

class ClampedTest : public ::testing::TestWithParam<ClampedCase> {};

TEST_P(ClampedTest, ConvertsLikeTheReference) {
  TempDir dir;
  BmpShape shape = GetParam().shape;
  shape.pixels = testing::RandomPixels(static_cast<std::size_t>(shape.width * shape.height), 1 << shape.depth, 3);
  testing::WriteFileBytes(dir / "in.bmp", testing::BuildBmp(shape));
  EXPECT_EQ(Outcome(dir / "in.bmp", dir / "Pic"), "");
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.plt"), testing::ReferencePalette(shape));
  EXPECT_EQ(testing::ReadFileBytes(dir / "Pic.bin"), testing::ReferenceTiles(shape));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"Pic.bin", "Pic.plt", "in.bmp"}));
}

BmpShape Used(BmpShape s, int entries, std::uint32_t used) {
  s.tableEntries = entries;
  s.coloursUsed = used;
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ClampedTest,
    ::testing::Values(ClampedCase{"used_over_table_8bpp", Used(MakeShape(8, 8, 8), 12, 300)},
                      ClampedCase{"used_max_8bpp", Used(MakeShape(8, 8, 8), 256, 0xFFFFFFFFu)},
                      ClampedCase{"used_over_table_4bpp", Used(MakeShape(8, 8, 4), 3, 16)},
                      ClampedCase{"used_over_depth_4bpp", Used(MakeShape(8, 8, 4), 16, 17)},
                      ClampedCase{"no_table_8bpp", Used(MakeShape(8, 8, 8), 0, 0)}),
    [](const ::testing::TestParamInfo<ClampedCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tilora
