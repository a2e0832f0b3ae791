#pragma once

// "In File" as the window runs it on the picture its last open decoded. No
// Qt, so the window's conversion is tested as the core is.

#include <functional>
#include <string>

#include "convert/convert_file.h"

namespace tilora {

// How an open decodes its picture, once: a seam, so tests can count the
// decodings.
using PictureDecoder = std::function<DecodedFile(const std::string& path)>;

// The picture of a bitmap whose header an open has just read (at stamp),
// decoded once; a file that changed in between is not converted.
DecodedFile DecodeAfterHeader(const PictureDecoder& decode, const std::string& path,
                              const platform::FileStamp& headerStamp);

// The picture the last open decoded, converted with settings and written
// under base as tilora-convert would. Refused after an open that was not
// accepted, and when the file has changed since it was opened.
Result<ConvertedFiles> ConvertPicture(const DecodedFile& opened, bool accepted, const std::string& base,
                                      const ConversionSettings& settings = {});

// "In File" while the last open's picture is still being decoded.
inline constexpr const char* kStillReadingNotice =
    "The picture is still being read. Convert it once it shows.";

inline constexpr const char* kStaleHeaderNotice =
    "The last picture opened could not be read in full or was refused, so it cannot be "
    "converted. Open an uncompressed picture first.";

}  // namespace tilora
