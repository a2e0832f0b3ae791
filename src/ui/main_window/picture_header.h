#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "formats/bmp/bmp_layout.h"
#include "io/checked_file.h"
#include "io/platform_file.h"

namespace tilora {

// The first version's header record, which the window keeps for the last
// picture opened (TForm1::PictureHeader). Each field is replaced the moment
// its bytes are read and never reset, so an open that failed part-way leaves
// a mix of the new and the previous picture's values.
struct PictureHeaderRecord {
  std::int32_t DataOffset = 0;   // byte 10
  std::int32_t Width = 0;        // byte 18 (16 bits in the old 12-byte header)
  std::int32_t Height = 0;       // byte 22 (16 bits at 20 in the old header); negative: rows stored top first
  std::uint16_t Depth = 0;       // byte 28 (24 in the old header)
  std::uint16_t Compression = 0; // byte 30, low half of the 4-byte field; none in the old header
  std::uint32_t HeaderSize = 0;  // byte 14: which form the fields above were read in
  std::uint16_t Planes = 0;      // byte 26 (22 in the old header)
  std::uint16_t Signature = 0;   // byte 0, "BM" for a bitmap
  bool operator==(const PictureHeaderRecord&) const = default;
};

// Told the width and the height the moment each has been read.
struct HeaderListener {
  std::function<void(std::int32_t)> onWidth;
  std::function<void(std::int32_t)> onHeight;
};

// Reads the header values of the file at path into header, through file
// (the window's SourceFile), and returns the file's size and time as that
// open saw them. Raises IoError at the failing step; it does not judge the
// values.
platform::FileStamp ReadHeader(const std::string& path, PictureHeaderRecord& header, CheckedFile& file,
                               const HeaderListener& listener = {});

// Accepted when uncompressed; the caller shows CompressionNotice otherwise.
bool IsAccepted(const PictureHeaderRecord& header);

// Whether the header is a bitmap's: the "BM" signature and one plane.
bool IsBitmapHeader(const PictureHeaderRecord& header);

std::string ResolutionText(const PictureHeaderRecord& header);  // "Resolution: 256x224"
std::string FormatText(const PictureHeaderRecord& header);      // "Pic Format: 4bpp"

}  // namespace tilora
