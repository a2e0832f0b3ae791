#include "ui/console_preview/preview_saving.h"

#include <filesystem>
#include <new>
#include <system_error>

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

// Each picture of the set as it was read, by its name.
std::optional<Failure> SetChangedSince(const SharedSet& set, const std::vector<std::string>& names) {
  if (!set.pictures || set.files.size() != set.pictures->size() || names.size() != set.files.size())
    return Refused(kSetChangedNotice);
  for (std::size_t i = 0; i < set.files.size(); ++i) {
    try {
      if (FileSource(set.files[i].path).Stamp() != set.files[i].stamp)
        return Refused(names[i] + ": " + kSetChangedNotice);
    } catch (const IoError& e) {
      return e.failure();
    }
  }
  return std::nullopt;
}

// A picture's map replacing the picture itself ("x.map"), or the tiles a
// picture named like them: the output set knows of no input here.
std::optional<Failure> OutputIsAPicture(const SharedSet& set, const std::vector<std::string>& outputs,
                                        const std::vector<std::string>& names) {
  for (const std::string& output : outputs)
    for (std::size_t i = 0; i < set.files.size(); ++i) {
      std::error_code ec;
      if (std::filesystem::equivalent(output, set.files[i].path, ec))
        return Refused(output + ", an output of the set, is the picture " + names[i] + ".");
    }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> SharedOutputNames(const std::string& base, const std::vector<std::string>& pictures) {
  std::vector<std::string> names{base + ".plt", base + ".bin"};
  for (const std::string& picture : pictures)
    names.push_back(std::filesystem::path(picture).replace_extension(".map").string());
  return names;
}

Result<ConvertedFiles> SaveShared(const SharedSet& set, const SharedConversion& conversion, const std::string& base,
                                  const std::vector<std::string>& pictures) {
  try {
    if (auto changed = SetChangedSince(set, pictures)) return *changed;
    const std::vector<std::string> names = SharedOutputNames(base, pictures);
    if (auto clash = OutputIsAPicture(set, names, pictures)) return *clash;
    if (conversion.pictures.size() + 2 != names.size()) return Refused(kSetChangedNotice);
    std::vector<OutputFile> files{{names[0], conversion.palette.data(), conversion.palette.size()},
                                  {names[1], conversion.tiles.data(), conversion.tiles.size()}};
    for (std::size_t i = 0; i < conversion.pictures.size(); ++i) {
      const std::vector<std::uint8_t>& map = conversion.pictures[i].map;
      files.push_back({names[i + 2], map.data(), map.size()});
    }
    WriteOutputSet(files, {});
    return ConvertedFiles{names, conversion.report};
  } catch (const IoError& e) {
    return e.failure();
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

Result<ConvertedFiles> SaveSharedCartridge(const SharedSet& set, const ConversionSettings& settings,
                                           const std::string& rom) {
  try {
    if (auto changed = SetChangedSince(set, set.names)) return *changed;
    if (auto clash = OutputIsAPicture(set, {rom}, set.names)) return *clash;
    ConversionSettings withRom = settings;
    withRom.rom = rom;
    const SharedResult result = ConvertShared(*set.pictures, set.names, withRom);
    if (const auto* failure = std::get_if<SharedFailure>(&result)) {
      Failure named = failure->failure;
      if (failure->picture && *failure->picture < set.names.size())
        named.message = set.names[*failure->picture] + ": " + named.message;
      return named;
    }
    const std::vector<std::uint8_t>& bytes = std::get<SharedConversion>(result).rom;
    const OutputFile file{rom, bytes.data(), bytes.size()};
    WriteOutputSet({&file, 1}, {});
    return ConvertedFiles{{rom}, std::get<SharedConversion>(result).report};
  } catch (const IoError& e) {
    return e.failure();
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

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
