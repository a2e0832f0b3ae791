#include "convert/convert_file.h"

#include <exception>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "formats/picture_file.h"
#include "io/io_error.h"
#include "picture/rows_arriving.h"

namespace tilora {
namespace {

// Decodes a picture file's pixels and converts it. Rows that arrive in
// order, for a map of an indexed picture, go to the encoder while the rest
// are decoded on a second thread.
Result<Conversion> DecodeAndConvert(PictureFile& file, const ConversionSettings& settings,
                                    const FileConversionOptions& options) {
  const PictureShape& shape = file.Shape();
  const bool alongside = options.decodeAlongside && file.RowsInOrder() && shape.indexed && settings.tiles.map &&
                         !settings.tiles.mode7 && settings.subPalettes.palettes == 0;
  Result<Picture> picture = file.Sized();
  if (const Failure* failure = picture.IfFailed()) return *failure;
  if (alongside) {
    RowsArriving arriving;
    std::optional<Failure> failure;
    std::optional<std::jthread> decoder;  // joined before the rest goes, however this ends
    try {
      decoder.emplace([&] {
        try {
          failure = file.Decode(*picture, &arriving);
        } catch (...) {
          arriving.Stop();
          failure = InternalFailure("the picture's decoding stopped unexpectedly.");
        }
      });
    } catch (const std::system_error&) {
      decoder.reset();  // no second thread to be had: decode first
    }
    if (decoder) {
      Result<Conversion> converted = Convert(*picture, settings, &arriving);
      decoder.reset();
      // The decoding's failure is the one to tell, as when it comes first.
      if (failure) return *failure;
      return converted;
    }
  }
  if (auto failure = file.Decode(*picture)) return *failure;
  return Convert(*picture, settings);
}

Result<ConvertedFiles> ConvertOpenFile(const std::string& path, const std::string& base,
                                       const ConversionSettings& settings, const FileConversionOptions& options) {
  FileSource source(path);
  const Result<Conversion> conversion = ConvertSource(source, settings, options.decodeAlongside);
  if (const Failure* failure = conversion.IfFailed()) return *failure;
  OutputSetOptions set = options.outputSet;
  set.input = path;
  return WriteConversion(*conversion, base, settings, set);
}

}  // namespace

Result<Conversion> ConvertSource(ByteSource& source, const ConversionSettings& settings, bool decodeAlongside) {
  if (auto problem = CheckSettings(settings)) return *problem;
  try {
    Result<PictureFile> file = PictureFile::Open(source);
    if (const Failure* failure = file.IfFailed()) return *failure;
    const Result<int> decided = DecideBeforePixels(file->Shape(), settings);
    if (const Failure* failure = decided.IfFailed()) return *failure;
    FileConversionOptions options;
    options.decodeAlongside = decodeAlongside;
    return DecodeAndConvert(*file, settings, options);
  } catch (const IoError& e) {
    return e.failure();
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

Result<ConvertedFiles> WriteConversion(const Conversion& conversion, const std::string& base,
                                       const ConversionSettings& settings, const OutputSetOptions& options) {
  try {
    std::vector<OutputFile> outputs;
    ConvertedFiles done;
    for (const NamedOutput& f : OutputsOf(conversion, base, settings)) {
      outputs.push_back({f.name, f.bytes->data(), f.bytes->size()});
      done.written.push_back(f.name);
    }
    WriteOutputSet(outputs, options);
    done.report = conversion.report;
    return done;
  } catch (const IoError& e) {
    return e.failure();
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

Result<ConvertedFiles> ConvertFile(const std::string& path, const std::string& base,
                                   const ConversionSettings& settings, const FileConversionOptions& options) {
  if (auto problem = CheckSettings(settings)) return *problem;
  try {
    return ConvertOpenFile(path, base, settings, options);
  } catch (const IoError& e) {
    return e.failure();
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

DecodedFile DecodeFile(const std::string& path) {
  DecodedFile decoded;
  decoded.path = path;
  try {
    FileSource source(path);
    decoded.stamp = source.Stamp();
    Result<PictureFile> file = PictureFile::Open(source, &decoded.shape);
    if (const Failure* failure = file.IfFailed()) {
      decoded.failure = *failure;
      return decoded;
    }
    Result<Picture> picture = file->Read();
    if (const Failure* failure = picture.IfFailed()) decoded.failure = *failure;
    else decoded.picture = std::make_shared<const Picture>(std::move(*picture));
  } catch (const IoError& e) {
    decoded.failure = e.failure();
  } catch (const std::bad_alloc&) {
    decoded.failure = OutOfMemoryFailure();
  }
  return decoded;
}

Result<ConvertedFiles> ConvertDecodedFile(const DecodedFile& decoded, const std::string& base,
                                          const ConversionSettings& settings, const FileConversionOptions& options) {
  try {
    if (FileSource(decoded.path).Stamp() != decoded.stamp) return Refused(kChangedNotice);
  } catch (const IoError& e) {
    return e.failure();  // gone, or no longer readable
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
  if (decoded.failure) return *decoded.failure;
  if (!decoded.picture) return Refused(kChangedNotice);
  const Result<Conversion> conversion = Convert(*decoded.picture, settings);
  if (const Failure* failure = conversion.IfFailed()) return *failure;
  OutputSetOptions set = options.outputSet;
  set.input = decoded.path;
  return WriteConversion(*conversion, base, settings, set);
}

}  // namespace tilora
