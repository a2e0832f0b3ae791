#include "cli/run_shared.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <new>
#include <thread>

#include "convert/shared_conversion.h"
#include "formats/picture_file.h"
#include "io/byte_source.h"
#include "io/failure_text.h"
#include "io/io_error.h"
#include "io/output_set/output_set.h"
#include "picture/limits.h"
#include "snes/encoders/planar_tiles.h"
#include "snes/readback/output_files.h"

namespace tilora::cli {
namespace {

constexpr const char* kRun = "tilora-convert";

std::string Line(const std::string& who, const Failure& failure) {
  return Printable(who) + ": " + Printable(FailureText(FailureMessage(failure))) + "\n";
}

// What a failure of the run as a whole is told under: the converter, or
// the one picture of a run without --shared.
std::string RunLabel(const CommandLine& c) { return c.shared ? kRun : c.pictures[0]; }

std::string Leaf(const std::string& picture) { return std::filesystem::path(BaseOf(picture)).filename().string(); }

std::string InFolder(const std::string& folder, const std::string& leaf) {
  return (std::filesystem::path(folder) / leaf).string();
}

std::string TilesBase(const CommandLine& c) { return c.shared ? *c.shared : c.name ? *c.name : BaseOf(c.pictures[0]); }

std::string MapName(const CommandLine& c, std::size_t i) {
  if (!c.shared) return TilesBase(c) + ".map";
  if (c.mapDir) return InFolder(*c.mapDir, Leaf(c.pictures[i]) + ".map");
  return BaseOf(c.pictures[i]) + ".map";
}

// With --shared, --preview names a folder: a preview per picture.
std::string PreviewName(const CommandLine& c, std::size_t i) {
  return c.shared ? InFolder(c.settings.preview, Leaf(c.pictures[i]) + ".png") : c.settings.preview;
}

std::optional<Failure> ReadExisting(const CommandLine& c, ExistingVideoMemory& existing) {
  if (!c.inTiles.empty()) {
    Result<std::vector<std::uint8_t>> tiles = ReadTileFile(c.inTiles, PlanarTileSize(c.settings.bpp));
    if (const Failure* failure = tiles.IfFailed()) return *failure;
    existing.tiles = std::move(*tiles);
    existing.tilesName = c.inTiles;
  }
  if (!c.inPalette.empty()) {
    Result<std::vector<std::uint16_t>> words = ReadPaletteFile(c.inPalette);
    if (const Failure* failure = words.IfFailed()) return *failure;
    existing.palette.words = std::move(*words);
    existing.palette.name = c.inPalette;
  }
  return std::nullopt;
}

// Every picture's headers before any pixels: one that cannot be read, or
// refused by what its headers decide, or pictures whose pixels together
// pass the run's limit, stop the run before memory is taken for them.
std::string CheckHeaders(const CommandLine& c) {
  std::int64_t pixels = 0;
  for (const std::string& picture : c.pictures) {
    try {
      FileSource source(picture);
      Result<PictureFile> file = PictureFile::Open(source);
      if (const Failure* failure = file.IfFailed()) return Line(picture, *failure);
      const Result<int> decided = DecideBeforePixels(file->Shape(), c.settings);
      if (const Failure* failure = decided.IfFailed()) return Line(picture, *failure);
      pixels += file->Shape().width * file->Shape().Rows();
      if (pixels > kMaxSharedPixels) return Line(picture, PastSharedPixels());
    } catch (const IoError& e) {
      return Line(picture, e.failure());
    }
  }
  return {};
}

void Decode(const std::string& path, Picture& picture, std::optional<Failure>& failure) noexcept {
  try {
    FileSource source(path);
    Result<Picture> read = ReadPicture(source);
    if (const Failure* refused = read.IfFailed()) failure = *refused;
    else picture = std::move(*read);
  } catch (const IoError& e) {
    failure = e.failure();
  } catch (const std::exception&) {
    failure = OutOfMemoryFailure();
  }
}

// The pictures decoded on up to -j threads; the first failure in their
// order, as one at a time would meet it.
std::string DecodeAll(const CommandLine& c, std::vector<Picture>& pictures) {
  const std::size_t count = c.pictures.size();
  pictures.assign(count, Picture{});
  std::vector<std::optional<Failure>> failures(count);
  std::atomic<std::size_t> next{0};
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t threads = std::min<std::size_t>(count, c.jobs > 0 ? static_cast<unsigned>(c.jobs) : cores);
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) Decode(c.pictures[i], pictures[i], failures[i]);
  };
  std::vector<std::thread> pool;
  for (std::size_t t = 1; t < threads; ++t) {
    try {
      pool.emplace_back(work);
    } catch (const std::exception&) {
      break;  // the threads to be had do the work
    }
  }
  work();
  for (auto& thread : pool) thread.join();
  for (std::size_t i = 0; i < count; ++i)
    if (failures[i]) return Line(c.pictures[i], *failures[i]);
  return {};
}

std::string SubPaletteList(std::uint8_t used) {
  std::string list;
  for (int b = 0; b < 8; ++b)
    if (used & (1 << b)) list += (list.empty() ? "" : ", ") + std::to_string(b);
  return list.empty() ? "none (colour 0 only)" : list;
}

std::string JointFigures(const CommandLine& c, const SharedConversion& conversion) {
  const SharedFigures f = FiguresOfShared(conversion);
  std::string out = "Pictures: " + std::to_string(c.pictures.size()) + ", converted together at " +
                    std::to_string(conversion.bpp) + "bpp\n";
  for (std::size_t i = 0; i < c.pictures.size(); ++i) {
    const SharedPictureOutputs& p = conversion.pictures[i];
    out += Printable(c.pictures[i]) + ": " + std::to_string(((p.width + 7) / 8) * ((p.height + 7) / 8)) +
           " cells, adds " + std::to_string(p.tilesAdded) + " tiles\n";
  }
  out += "Tiles: " + std::to_string(f.distinctTiles) + " distinct, " + std::to_string(f.distinctWithFlips) +
         " distinct with flips, over " + std::to_string(f.cells) + " cells\n";
  out += "Tiles stored: " + std::to_string(conversion.tileCount);
  if (conversion.existingTiles)
    out += " (" + std::to_string(conversion.existingTiles) + " already in video memory, " +
           std::to_string(conversion.tileCount - conversion.existingTiles) + " new)";
  out += "\nSub-palettes: " + SubPaletteList(f.subPalettes);
  if (conversion.existingSubPalettes)
    out += " (" + std::to_string(conversion.existingSubPalettes) + " already in colour memory)";
  if (conversion.subPalettesMade) out += ", " + std::to_string(conversion.subPalettesMade) + " made";
  out += "\nVideo memory: " + std::to_string(f.tileBytes) + " bytes of tiles and " + std::to_string(f.mapBytes) +
         " of maps (" + std::to_string(f.largestMap) + " the largest), " + std::to_string(f.tileBytes + f.mapBytes) +
         " of " + std::to_string(limits::kVideoMemoryBytes) + " bytes\n";
  return out;
}

// Each output's name and bytes, as JointOutputNames orders them.
template <typename Each>
void ForEachJointOutput(const CommandLine& c, const SharedConversion* conversion, Each&& each) {
  const std::string base = TilesBase(c);
  const auto bytes = [&](auto member) { return conversion ? &(conversion->*member) : nullptr; };
  each(base + ".plt", std::optional<std::size_t>{}, bytes(&SharedConversion::palette));
  each(base + ".bin", std::optional<std::size_t>{}, bytes(&SharedConversion::tiles));
  for (std::size_t i = 0; i < c.pictures.size(); ++i)
    each(MapName(c, i), std::optional<std::size_t>{i}, conversion ? &conversion->pictures[i].map : nullptr);
  if (!c.settings.preview.empty())
    for (std::size_t i = 0; i < c.pictures.size(); ++i)
      each(PreviewName(c, i), std::optional<std::size_t>{i}, conversion ? &conversion->pictures[i].preview : nullptr);
  if (!c.settings.palettePng.empty())
    each(c.settings.palettePng, std::optional<std::size_t>{}, bytes(&SharedConversion::swatches));
  if (!c.settings.rom.empty()) each(c.settings.rom, std::optional<std::size_t>{}, bytes(&SharedConversion::rom));
}

std::string Write(const CommandLine& c, const SharedConversion& conversion) {
  std::vector<OutputFile> files;
  ForEachJointOutput(c, &conversion,
                     [&](const std::string& name, std::optional<std::size_t>, const std::vector<std::uint8_t>* bytes) {
                       files.push_back({name, bytes->data(), bytes->size()});
                     });
  try {
    WriteOutputSet(files, {});
  } catch (const IoError& e) {
    return Line(RunLabel(c), e.failure());
  }
  return {};
}

PictureResult Run(const CommandLine& c) {
  ExistingVideoMemory existing;
  if (auto failure = ReadExisting(c, existing)) return {false, {}, Line(RunLabel(c), *failure)};
  if (std::string refused = CheckHeaders(c); !refused.empty()) return {false, {}, refused};
  std::vector<Picture> pictures;
  if (std::string refused = DecodeAll(c, pictures); !refused.empty()) return {false, {}, refused};
  const SharedResult result = ConvertShared(pictures, c.pictures, c.settings, existing);
  if (const auto* failure = std::get_if<SharedFailure>(&result))
    return {false, {}, Line(failure->picture ? c.pictures[*failure->picture] : RunLabel(c), failure->failure)};
  const SharedConversion& conversion = std::get<SharedConversion>(result);
  if (c.info) return {true, JointFigures(c, conversion), {}};
  if (std::string failed = Write(c, conversion); !failed.empty()) return {false, {}, failed};
  if (!conversion.report.empty()) return {true, {}, Printable(RunLabel(c)) + ": " + conversion.report + "\n"};
  return {true, {}, {}};
}

}  // namespace

std::vector<JointOutput> JointOutputNames(const CommandLine& command) {
  std::vector<JointOutput> names;
  ForEachJointOutput(command, nullptr,
                     [&](const std::string& name, std::optional<std::size_t> picture,
                         const std::vector<std::uint8_t>*) { names.push_back({name, picture}); });
  return names;
}

PictureResult RunJoint(const CommandLine& command) noexcept {
  try {
    return Run(command);
  } catch (const IoError& e) {
    return {false, {}, Line(RunLabel(command), e.failure())};
  } catch (const std::exception&) {
  }
  // The message must not need the memory that ran out.
  try {
    return {false, {}, Line(RunLabel(command), OutOfMemoryFailure())};
  } catch (...) {
    return {false, {}, "Out of memory.\n"};
  }
}

}  // namespace tilora::cli
