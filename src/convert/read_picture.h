#pragma once

#include <optional>
#include <string>

#include "convert/convert_file.h"
#include "picture/picture.h"

namespace tilora {

// A picture read for a conversion, or why it is not converted.
struct PictureRead {
  Picture picture;
  int bpp = 0;  // the output depth the conversion makes
  std::optional<std::string> refusal;
};

// Reads the picture at path through one open: a PNG by its signature, any
// other file as a bitmap. Refuses, before reading its pixels, a picture the
// options cannot convert. Raises IoError when the file cannot be read.
PictureRead ReadPictureFile(const std::string& path, const ConvertOptions& options);

// The output depth for a picture of pictureDepth bits per pixel, or 0 when
// the options cannot convert it.
int OutputDepth(const ConvertOptions& options, int pictureDepth, bool indexed);

}  // namespace tilora
