#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "io/platform_file.h"

namespace tilora {

// The header values of the last picture opened. Each field is replaced the
// moment its bytes are read and never reset, so an open that failed part-way
// leaves a mix of the new and the previous picture's values.
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

extern PictureHeaderRecord PictureHeader;

// Whether the last ReadHeader ran to its end and the picture passed the
// acceptance test (or the last OpenPngFile read its PNG in full); a stale or
// mixed header must not be converted.
extern bool PictureHeaderAccepted;

// Told the width and the height the moment each has been read.
struct HeaderListener {
  std::function<void(std::int32_t)> onWidth;
  std::function<void(std::int32_t)> onHeight;
};

// Reads the header values of the file at path into PictureHeader and
// returns the file's size and time as that open saw them. Raises IoError at
// the failing step; it does not judge the values.
platform::FileStamp ReadHeader(const std::string& path, const HeaderListener& listener = {});

// Accepted when uncompressed; the caller shows CompressionNotice otherwise.
bool IsAccepted(const PictureHeaderRecord& header);
inline constexpr const char* kCompressionNotice = "Please use the file without compression.";

// Whether the header is a bitmap's: the "BM" signature and one plane.
bool IsBitmapHeader(const PictureHeaderRecord& header);

std::string ResolutionText(const PictureHeaderRecord& header);  // "Resolution: 256x224"
std::string FormatText(const PictureHeaderRecord& header);      // "Pic Format: 4bpp"

// Little-endian field decoding shared by every reader of the file.
inline std::uint32_t LoadLE32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint16_t LoadLE16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

}  // namespace tilora
