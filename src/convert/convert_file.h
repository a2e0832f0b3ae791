#pragma once

// A conversion from a file to files: the picture read, converted and its
// outputs written as one set (see WriteOutputSet).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "formats/picture_file.h"
#include "io/byte_source.h"
#include "io/output_set/output_set.h"
#include "io/platform_file.h"

namespace tilora {

struct FileConversionOptions {
  // A PNG converted to a map may be decoded on a second thread while the
  // rows already decoded are encoded; off where other conversions already
  // keep the cores busy. The outcome is the same either way.
  bool decodeAlongside = true;
  OutputSetOptions outputSet;  // its input is set to the picture's file
};

// What a conversion that succeeded wrote, and what the user should know.
struct ConvertedFiles {
  std::vector<std::string> written;  // output file names, in the order written
  std::string report;
};

// Reads the picture at path through one open, refusing before its pixels
// whatever its headers and the settings decide, converts it and writes the
// outputs (OutputsOf: names relative to the current folder) as one set.
// Every failure comes back as the result, a failed write leaving every
// output as it was.
Result<ConvertedFiles> ConvertFile(const std::string& path, const std::string& base,
                                   const ConversionSettings& settings = {},
                                   const FileConversionOptions& options = {});

// The conversion of the picture file source holds, in memory: ConvertFile
// without the writing.
Result<Conversion> ConvertSource(ByteSource& source, const ConversionSettings& settings, bool decodeAlongside = true);

// A picture file decoded once, to be shown and converted as it was then.
struct DecodedFile {
  std::string path;
  platform::FileStamp stamp;  // the file as the decoding read it
  PictureShape shape;
  // The picture, or why it could not be decoded (then shape holds what its
  // headers gave, as far as they were read).
  std::shared_ptr<const Picture> picture;
  std::optional<Failure> failure;
};

// Decodes the picture file at path through one open.
DecodedFile DecodeFile(const std::string& path);

// A decoded file converted and written as ConvertFile would, unless the file
// has changed since, which would convert something other than what the user
// has seen; one that could not be decoded gives the decoding's failure.
Result<ConvertedFiles> ConvertDecodedFile(const DecodedFile& decoded, const std::string& base,
                                          const ConversionSettings& settings,
                                          const FileConversionOptions& options = {});

// Writes a conversion's outputs as one set; input is the picture's file,
// which no output may be.
Result<ConvertedFiles> WriteConversion(const Conversion& conversion, const std::string& base,
                                       const ConversionSettings& settings, const OutputSetOptions& options);

inline constexpr const char* kChangedNotice =
    "The picture has changed since it was opened. Open it again, then convert it.";

}  // namespace tilora
