#pragma once

// A picture file, BMP or PNG told by its contents, read in two steps: its
// headers first, so that everything they decide is judged before memory the
// size of the picture is taken, then its pixels.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "io/byte_source.h"
#include "io/failure.h"
#include "picture/picture.h"

namespace tilora {

// What a picture's headers give.
struct PictureShape {
  std::int64_t width = 0;
  std::int64_t height = 0;  // as the file gives it: negative for a bitmap stored top row first
  int depth = 0;            // bits per pixel as the file stores them
  bool indexed = true;
  bool png = false;
  bool read = false;  // the headers were read this far

  std::int64_t Rows() const { return height < 0 ? -height : height; }
};

class RowsArriving;

class PictureFile {
 public:
  // Reads the headers from source, which must outlive this: refuses a file
  // that is no picture this reads (no BMP or PNG, compressed, damaged
  // headers, a depth it does not know, a size beyond the limits). Never
  // takes memory the size of the picture: a PNG's file is held whole, its
  // pixels are not. A refused file's shape, as far as its headers were
  // read, is in *shape when given.
  static Result<PictureFile> Open(ByteSource& source, PictureShape* shape = nullptr);

  PictureFile(PictureFile&&) noexcept;
  PictureFile& operator=(PictureFile&&) noexcept;
  ~PictureFile();

  const PictureShape& Shape() const { return shape_; }
  // Whether Decode makes rows whole top first, so that another thread can
  // read them while it goes on.
  bool RowsInOrder() const;

  // The picture with its pixel storage sized, all 0 (a bitmap's is left
  // empty: Decode reads it whole).
  Result<Picture> Sized() const;
  // Decodes the pixels into picture, a Sized() one, telling arriving (when
  // given) of rows as they become whole and stopping it however it ends.
  std::optional<Failure> Decode(Picture& picture, RowsArriving* arriving = nullptr);
  // Sized and Decode in one.
  Result<Picture> Read();

 private:
  struct Png;
  PictureFile() = default;

  // Why the pixels cannot be read whole, told from the file's size alone.
  std::optional<Failure> CutShort() const;

  ByteSource* source_ = nullptr;
  std::int64_t bmpDataEnd_ = 0;  // where a bitmap's last row ends
  PictureShape shape_;
  std::unique_ptr<Png> png_;
};

// Both steps.
Result<Picture> ReadPicture(ByteSource& source);

// Whether the file at path starts as a PNG does; raises IoError when it
// cannot be read.
bool IsPngFile(const std::string& path);

// Why a picture of this size is not read at all, or nothing when it is.
// height is as the file gives it: negative for rows stored top first.
std::optional<std::string> SizeNotice(std::int64_t width, std::int64_t height);

// The refusal of a depth that cannot be converted.
std::string DepthNotice(int depth);

}  // namespace tilora
