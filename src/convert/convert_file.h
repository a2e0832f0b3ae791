#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/truecolour.h"
#include "encode/console_encoding.h"
#include "formats/bmp/picture_header.h"
#include "support/platform_file.h"

namespace tilora {

// What a PNG's header gave when it was opened.
struct PngHeaderSeen {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int depth = 0;
  bool indexed = false;
  bool operator==(const PngHeaderSeen&) const = default;
};

// A picture as an earlier open saw it; converting it after it has changed
// would convert something the user has not seen. A bitmap is known by its
// header record, a PNG by what its header gave; either way the file's stamp
// must not have changed.
struct OpenedPicture {
  platform::FileStamp stamp;
  PictureHeaderRecord header;       // a bitmap's, when png is empty
  std::optional<PngHeaderSeen> png;  // set when the open read a PNG
};

struct ConvertOptions {
  int bpp = 0;        // output bits per pixel; 0: the picture's own, when 4 or 8
  TileOptions tiles;  // map, flips, bases, mode 7...; its bpp is decided from the above
  TruecolourOptions truecolour;  // sub-palettes made for truecolour pictures
  std::string preview;     // when not empty: a PNG of the picture as the console shows it
  std::string palettePng;  // when not empty: a PNG of the sub-palettes' swatches
  std::string rom;         // when not empty: a cartridge that shows the outputs on the console
  std::optional<OpenedPicture> expected;
  // A PNG converted to a map may be decoded on a second thread while the
  // rows already decoded are encoded; off where other conversions already
  // keep the cores busy. The outcome is the same either way.
  bool decodeAlongside = true;
};

// What a conversion ended with when it did not fail: converted, or refused
// with a notice for the user.
struct ConvertOutcome {
  bool converted = false;
  std::string notice;
  std::vector<std::string> written;  // output file names, in the order written
  std::string report;                // what the user should know of a conversion that succeeded
};

// The one conversion: reads the picture at path through one open, encodes
// it and writes base + ".plt" and base + ".bin", with a map base + ".map",
// interleaved mode 7 base + ".vram" instead of tiles and map (relative names
// against the current folder), the preview and the cartridge, as one set (see
// WriteOutputSet). Raises IoError on a failed read or write; then every
// output is as it was.
ConvertOutcome ConvertFile(const std::string& path, const std::string& base, const ConvertOptions& options = {});

// The refusal of a depth that cannot be converted.
std::string DepthNotice(int depth);

// The notice a conversion gives when the encoders refuse a picture.
std::string RefusalNotice(const Refusal& refusal);

inline constexpr const char* kChangedNotice =
    "The picture has changed since it was opened. Open it again, then convert it.";

}  // namespace tilora
