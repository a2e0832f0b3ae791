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

// What --info shows of a picture: the description texts, and the picture
// itself where it can be read.
struct PictureDescription {
  std::string resolution;  // "Resolution: 256x224"
  std::string format;      // "Pic Format: 4bpp"
  std::optional<Picture> picture;
  std::optional<std::string> refusal;  // why it would not be converted at all
};
PictureDescription DescribePictureFile(const std::string& path);

// The output depth for a picture of pictureDepth bits per pixel, or 0 when
// the options cannot convert it.
int OutputDepth(const ConvertOptions& options, int pictureDepth, bool indexed);

}  // namespace tilora
