#pragma once

#include <optional>
#include <string>
#include <vector>

#include "formats/bmp/picture_header.h"
#include "support/platform_file.h"

namespace tilora {

// A picture as an earlier open saw it; converting it after it has changed
// would convert something the user has not seen.
struct OpenedPicture {
  platform::FileStamp stamp;
  PictureHeaderRecord header;
};

struct ConvertOptions {
  int bpp = 0;  // output bits per pixel; 0: the picture's own, when 4 or 8
  std::optional<OpenedPicture> expected;
};

// What a conversion ended with when it did not fail: converted, or refused
// with a notice for the user.
struct ConvertOutcome {
  bool converted = false;
  std::string notice;
  std::vector<std::string> written;  // output file names, in the order written
};

// The one conversion: reads the picture at path through one open, encodes
// it and writes base + ".plt" and base + ".bin" (relative names against the
// current folder), as one set (see WriteOutputSet). Raises IoError on a
// failed read or write; then both outputs are as they were.
ConvertOutcome ConvertFile(const std::string& path, const std::string& base, const ConvertOptions& options = {});

// The refusal of a depth that cannot be converted.
std::string DepthNotice(int depth);

inline constexpr const char* kChangedNotice =
    "The picture has changed since it was opened. Open it again, then convert it.";

}  // namespace tilora
