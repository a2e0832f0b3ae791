#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

class PngDecoding;
class RowsArriving;

// The pixels of a picture read up to them, still to be decoded: a PNG's,
// whose file is already in memory.
class PendingPixels {
 public:
  explicit PendingPixels(std::vector<std::uint8_t> file);
  ~PendingPixels();
  PendingPixels(const PendingPixels&) = delete;
  PendingPixels& operator=(const PendingPixels&) = delete;

  // The picture up to its pixels, which are sized but all 0.
  Picture Shape() const;
  // Whether the rows are decoded whole, top first.
  bool RowsInOrder() const;
  // Decodes the pixels into picture, its Shape, telling arriving (when
  // given) of the rows as they become whole; why the file cannot be
  // converted, when they do not decode.
  std::optional<std::string> Decode(Picture& picture, RowsArriving* arriving);

 private:
  std::vector<std::uint8_t> file_;
  std::unique_ptr<PngDecoding> decoding_;
};

// ReadPictureFile up to a PNG's pixels: read.picture is the Shape of pending
// when that is set, and the conversion's checks have all been made but the
// pixels' own.
struct PictureStart {
  PictureRead read;
  std::unique_ptr<PendingPixels> pending;
};
PictureStart StartPictureFile(const std::string& path, const ConvertOptions& options);

// What --info shows of a picture: the description texts, and the picture
// itself where it can be read.
struct PictureDescription {
  std::string resolution;  // "Resolution: 256x224"
  std::string format;      // "Pic Format: 4bpp"
  std::optional<Picture> picture;
  std::optional<std::string> refusal;  // why it would not be converted at all
  platform::FileStamp stamp;           // the file as it was read
};
PictureDescription DescribePictureFile(const std::string& path);

// The window's open of a PNG: its description, and what a later conversion
// checks to refuse the file once it has changed.
struct PngOpen {
  PictureDescription description;
  OpenedPicture opened;
};

// Reads the file at path through one open when it is a PNG (by its
// signature, as the conversion tells); nothing when it is not. Sets
// PictureHeaderAccepted to whether a PNG was read in full, clearing it first
// whatever the file is; leaves PictureHeader, the bitmap's, alone. Raises
// IoError when the file cannot be read.
std::optional<PngOpen> OpenPngFile(const std::string& path);

// The output depth a conversion with options makes of a picture already
// read, or why it refuses it: the checks ReadPictureFile makes once a PNG's
// pixels are in.
struct DepthDecision {
  int bpp = 0;
  std::optional<std::string> refusal;
};
DepthDecision DecideDepth(const Picture& picture, const ConvertOptions& options);

// The output depth for a picture of pictureDepth bits per pixel, or 0 when
// the options cannot convert it.
int OutputDepth(const ConvertOptions& options, int pictureDepth, bool indexed);

}  // namespace tilora
