#include "formats/picture_file.h"

#include <new>
#include <string>

#include "formats/bmp/bmp_layout.h"
#include "formats/bmp/bmp_reader.h"
#include "formats/png/png_reader.h"
#include "io/io_error.h"
#include "picture/limits.h"
#include "picture/rows_arriving.h"

namespace tilora {

struct PictureFile::Png {
  std::vector<std::uint8_t> file;
  std::unique_ptr<PngDecoding> decoding;
};

namespace {

bool IsPng(ByteSource& source) {
  std::uint8_t signature[8] = {};
  const std::size_t got = source.ReadAt(0, signature, sizeof signature);
  return LooksLikePng({signature, got});
}

bool ReadableDepth(int depth) {
  return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

// Bit fields in their standard layouts are plain colours too.
std::optional<Failure> BmpAcceptance(ByteSource& source, const BmpLayout& layout) {
  if (!IsBmp(layout)) return Refused(kNotBmpNotice);
  if (layout.compression == kBmpBitFields && (layout.depth == 16 || layout.depth == 32) &&
      ReadBmpChannels(source, layout).standard)
    return std::nullopt;
  if (layout.compression != 0) return Refused(kCompressionNotice);
  return std::nullopt;
}

// Where the headers put the table and the rows so that they cannot be read.
std::optional<Failure> BmpLayoutRefusal(const BmpLayout& layout) {
  if (layout.dataOffset < 0)
    return Refused("The pixel data offset " + std::to_string(layout.dataOffset) + " is negative.");
  if (!layout.coreHeader() && layout.headerSize < bmp::kInfoHeaderSize)
    return Refused("The picture's information header is " + std::to_string(layout.headerSize) +
                   " bytes long; only pictures with a header of 12 bytes or of at least 40 bytes are converted.");
  if (layout.tableOffset() > layout.dataOffset)
    return Refused("The picture's colour table would start at byte " + std::to_string(layout.tableOffset()) +
                   ", past its pixel data at byte " + std::to_string(layout.dataOffset) + ".");
  return std::nullopt;
}

// Whatever the picture, its pixel storage is the only large allocation.
template <typename Step>
auto Guarded(Step&& step) -> decltype(step()) {
  try {
    return step();
  } catch (const IoError& e) {
    return e.failure();
  } catch (const PngError& e) {
    return Refused(e.what());
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

}  // namespace

bool IsPngFile(const std::string& path) {
  FileSource source(path);
  return IsPng(source);
}

std::optional<std::string> SizeNotice(std::int64_t width, std::int64_t height) {
  if (width <= 0 || width > limits::kMaxWidth)
    return "The picture is " + std::to_string(width) + " pixels wide; only widths from 1 to " +
           std::to_string(limits::kMaxWidth) + " are converted.";
  const std::int64_t rows = height < 0 ? -height : height;
  if (rows == 0 || rows > limits::kMaxHeight)
    return "The picture is " + std::to_string(height) + " pixels high; only heights from 1 to " +
           std::to_string(limits::kMaxHeight) + " (negative when stored top row first) are converted.";
  return std::nullopt;
}

std::string DepthNotice(int depth) {
  return std::to_string(depth) + " bit per pixels. Only pictures of 4 or 8 bits per pixel can be converted.";
}

PictureFile::PictureFile(PictureFile&&) noexcept = default;
PictureFile& PictureFile::operator=(PictureFile&&) noexcept = default;
PictureFile::~PictureFile() = default;

Result<PictureFile> PictureFile::Open(ByteSource& source, PictureShape* shape) {
  PictureShape seen;
  Result<PictureFile> opened = Guarded([&]() -> Result<PictureFile> {
    PictureFile file;
    file.source_ = &source;
    if (!IsPng(source)) {
      const BmpLayout layout = ReadBmpLayout(source);
      seen = file.shape_ = {layout.width, layout.height, layout.depth, layout.depth <= 8, false, true};
      if (auto refusal = BmpAcceptance(source, layout)) return *refusal;
      if (!ReadableDepth(layout.depth)) return Refused(DepthNotice(layout.depth));
      if (auto notice = SizeNotice(layout.width, layout.height)) return Refused(*notice);
      if (auto refusal = BmpLayoutRefusal(layout)) return *refusal;
      const std::int64_t rowBytes = (layout.width * layout.depth + 7) / 8;
      file.bmpDataEnd_ = layout.dataOffset + layout.stride() * (layout.rows() - 1) + rowBytes;
      return file;
    }
    const std::int64_t size = source.Size();
    if (size > limits::kMaxPngFileBytes)
      return Refused("The PNG file is " + std::to_string(size >> 20) + " MiB; at most " +
                     std::to_string(limits::kMaxPngFileBytes >> 20) + " MiB are read.");
    file.png_ = std::make_unique<Png>();
    file.png_->file.resize(static_cast<std::size_t>(size));
    file.png_->file.resize(source.ReadAt(0, file.png_->file.data(), file.png_->file.size()));
    file.png_->decoding = std::make_unique<PngDecoding>(file.png_->file);
    const Picture pngShape = file.png_->decoding->Shape();
    seen = file.shape_ = {pngShape.width, pngShape.height, pngShape.depth, pngShape.indexed, true, true};
    if (auto notice = SizeNotice(pngShape.width, pngShape.height)) return Refused(*notice);
    return file;
  });
  if (shape) *shape = seen;
  return opened;
}

bool PictureFile::RowsInOrder() const { return png_ && png_->decoding->RowsInOrder(); }

std::optional<Failure> PictureFile::CutShort() const {
  // Rows the file cannot hold are told from its size, before memory the
  // size of the picture is taken for them.
  if (!png_ && bmpDataEnd_ > source_->Size()) return IoFailure(kErrReadBeyondEnd);
  if (png_) png_->decoding->RefuseWhatTheFileCannotHold();
  return std::nullopt;
}

Result<Picture> PictureFile::Sized() const {
  return Guarded([&]() -> Result<Picture> {
    if (auto failure = CutShort()) return *failure;
    Picture picture;
    if (png_) {
      picture = png_->decoding->Shape();
    } else {
      picture.width = static_cast<std::int32_t>(shape_.width);
      picture.height = static_cast<std::int32_t>(shape_.Rows());
      picture.depth = shape_.depth;
      picture.indexed = shape_.indexed;
    }
    // A bitmap's pixels come whole from its reader, which sizes them itself:
    // sized here too, they would be zeroed for nothing.
    if (png_) SizePixels(picture);
    return picture;
  });
}

std::optional<Failure> PictureFile::Decode(Picture& picture, RowsArriving* arriving) {
  const Result<bool> done = Guarded([&]() -> Result<bool> {
    if (png_) {
      png_->decoding->DecodePixels(picture, arriving);
    } else {
      struct StopWhenDone {
        RowsArriving* arriving;
        ~StopWhenDone() {
          if (arriving) arriving->Stop();
        }
      } stop{arriving};
      picture = ReadBmpPicture(*source_, ReadBmpLayout(*source_));
      if (arriving) arriving->Publish(picture.height);
    }
    return true;
  });
  if (const Failure* failure = done.IfFailed()) return *failure;
  return std::nullopt;
}

Result<Picture> PictureFile::Read() {
  if (!png_) {
    if (auto failure = Guarded([&] { return CutShort(); })) return *failure;
    Picture picture;
    if (auto failure = Decode(picture)) return *failure;
    return picture;
  }
  Result<Picture> picture = Sized();
  if (!picture) return picture;
  if (auto failure = Decode(*picture)) return *failure;
  return picture;
}

Result<Picture> ReadPicture(ByteSource& source) {
  Result<PictureFile> file = PictureFile::Open(source);
  if (const Failure* failure = file.IfFailed()) return *failure;
  return file->Read();
}

}  // namespace tilora
