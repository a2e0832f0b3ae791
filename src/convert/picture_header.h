#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tilora {

// The header values of the last picture opened. Each field is replaced the
// moment its bytes are read and never reset, so an open that failed part-way
// leaves a mix of the new and the previous picture's values.
struct PictureHeaderRecord {
  std::int32_t DataOffset = 0;   // byte 10
  std::int32_t Width = 0;        // byte 18
  std::int32_t Height = 0;       // byte 22; negative: rows stored top first
  std::uint16_t Depth = 0;       // byte 28
  std::uint16_t Compression = 0; // byte 30, low half of the 4-byte field
};

extern PictureHeaderRecord PictureHeader;

// Whether the last ReadHeader ran to its end and the picture passed the
// acceptance test; a stale or mixed header must not be converted.
extern bool PictureHeaderAccepted;

// Told the width and the height the moment each has been read.
struct HeaderListener {
  std::function<void(std::int32_t)> onWidth;
  std::function<void(std::int32_t)> onHeight;
};

// Reads the five header values of the file at path into PictureHeader.
// Raises IoError at the failing step; it does not judge the values.
void ReadHeader(const std::string& path, const HeaderListener& listener = {});

// Accepted when uncompressed; the caller shows CompressionNotice otherwise.
bool IsAccepted(const PictureHeaderRecord& header);
inline constexpr const char* kCompressionNotice = "Please use the file without compression.";

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
