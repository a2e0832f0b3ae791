#include "ui/console_preview/preview_saving.h"

#include <new>

#include "io/byte_source.h"
#include "io/io_error.h"
#include "io/output_set/output_set.h"

namespace tilora::ui {
namespace {

// What was shown is what is written: a file rewritten since is not.
std::optional<Failure> ChangedSince(const DecodedFile& decoded) {
  try {
    if (FileSource(decoded.path).Stamp() != decoded.stamp) return Refused(kChangedNotice);
  } catch (const IoError& e) {
    return e.failure();  // gone, or no longer readable
  }
  if (!decoded.picture) return decoded.failure.value_or(Refused(kChangedNotice));
  return std::nullopt;
}

}  // namespace

Result<ConvertedFiles> SaveConversion(const DecodedFile& decoded, const Conversion& conversion,
                                      const std::string& base, const ConversionSettings& settings) {
  try {
    if (auto changed = ChangedSince(decoded)) return *changed;
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
  OutputSetOptions set;
  set.input = decoded.path;
  return WriteConversion(conversion, base, settings, set);
}

Result<ConvertedFiles> SaveCartridge(const DecodedFile& decoded, const ConversionSettings& settings,
                                     const std::string& rom) {
  try {
    if (auto changed = ChangedSince(decoded)) return *changed;
    ConversionSettings withRom = settings;
    withRom.rom = rom;
    const Result<Conversion> conversion = Convert(*decoded.picture, withRom);
    if (const Failure* failure = conversion.IfFailed()) return *failure;
    const OutputFile file{rom, conversion->rom.data(), conversion->rom.size()};
    OutputSetOptions set;
    set.input = decoded.path;
    WriteOutputSet({&file, 1}, set);
    return ConvertedFiles{{rom}, conversion->report};
  } catch (const IoError& e) {
    return e.failure();
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

}  // namespace tilora::ui
