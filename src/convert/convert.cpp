#include "convert/convert.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>

#include "convert/cartridge.h"
#include "convert/encode_for_console.h"
#include "convert/tile_budget.h"
#include "convert/truecolour.h"
#include "formats/png/png_writer.h"
#include "picture/rows_arriving.h"
#include "snes/cells/encode_refusals.h"
#include "snes/readback/readback.h"
#include "snes/readback/sheets.h"
#include "snes/rom/rom_builder.h"
#include "snes/sprites/oam_tables.h"

namespace tilora {
namespace {

constexpr int kSwatchSide = 16;
constexpr int kSheetColumns = 16;  // a row of the sheet is a row of video memory at tile size 16

std::string DeltaEText(double mean, double worst) {
  char text[80];
  std::snprintf(text, sizeof text, "mean \u0394E %.2f, worst \u0394E %.2f (CIEDE2000)", mean, worst);
  return text;
}

PictureShape ShapeOf(const Picture& picture) {
  return {picture.width, picture.height, picture.depth, picture.indexed, false, true};
}

// The extra PNGs, drawn from the outputs themselves.
std::optional<Failure> DrawPictures(Conversion& c, const ConversionSettings& settings, const Picture& picture) {
  try {
    if (!settings.preview.empty())
      c.preview = EncodePngRgb(picture.width, picture.height,
                               ConsolePreview(c.encoded, settings.tiles, picture.width, picture.height));
    if (!settings.palettePng.empty()) {
      const RgbImage swatches = SwatchPicture(Swatches(c.encoded), kSwatchSide);
      c.swatches = EncodePngRgb(swatches.width, swatches.height, swatches.pixels);
    }
    if (!settings.tilesPng.empty()) {
      const RgbImage sheet =
          TileSheet(c.encoded, settings.tiles, picture.width, picture.height, kSheetColumns, false);
      c.tileSheet = EncodePngRgb(sheet.width, sheet.height, sheet.pixels);
    }
  } catch (const PngError& e) {
    return Refused(e.what());  // a build without PNG cannot write them
  }
  return std::nullopt;
}

}  // namespace

rom::RomResult CartridgeOf(const EncodedOutputs& encoded, const ConversionSettings& settings, std::int32_t width,
                           std::int32_t height) {
  const TileOptions& tiles = settings.tiles;
  rom::Background background;
  background.bpp = encoded.bpp;
  background.mode7 = tiles.mode7;
  background.interleave = tiles.interleave;
  background.tiles = encoded.tiles;
  background.map = encoded.map;
  background.palette = encoded.palette;
  background.vram = encoded.vram;
  if (tiles.map)
    background.mapShape = rom::MapShape{encoded.mapColumns, encoded.mapRows, tiles.screens, tiles.tileSize};
  background.tileBase = tiles.tileBase;
  background.paletteBase = tiles.paletteBase;
  background.width = width;
  background.height = height;
  return rom::BuildRom({background, std::nullopt, std::filesystem::path(settings.rom).stem().string()});
}

namespace {

rom::ObjSizes RomSizes(const sprites::ObjectSizes& sizes) {
  return static_cast<rom::ObjSizes>(sprites::SizeSelect(sizes).value_or(0));
}

// The sheet's frames in turn, in the middle of the screen.
rom::RomResult SpriteCartridgeOf(const sprites::SpriteSheet& sheet, const ConversionSettings& settings) {
  rom::SpriteShow show;
  show.tiles = sheet.tiles;
  show.palette = sheet.palette;
  show.sizes = RomSizes(sheet.sizes);
  for (const sprites::SpriteFrame& frame : sheet.frames) {
    std::vector<rom::SpriteObject>& objects = show.frames.emplace_back();
    for (const sprites::SpriteObject& o : frame.objects)
      objects.push_back({o.x, o.y, o.tile, o.palette, o.priority, o.hflip, o.vflip, o.large});
  }
  return rom::BuildRom({std::nullopt, show, std::filesystem::path(settings.rom).stem().string()});
}

Result<Conversion> ConvertSpriteSheet(const Picture& picture, const ConversionSettings& settings) {
  sprites::SpriteSettings made = *settings.sprites;
  const SubPaletteSettings& p = settings.subPalettes;
  made.palettes = p.palettes;
  if (p.colours) made.colours = p.colours;
  made.transparentColour = p.colourZero;
  sprites::SpriteResult result = sprites::ConvertSprites(picture, made);
  if (const Failure* failure = std::get_if<Failure>(&result)) return *failure;
  Conversion c;
  c.sprites = std::move(std::get<sprites::SpriteSheet>(result));
  const sprites::SpriteSheet& sheet = *c.sprites;
  c.encoded.bpp = 4;
  c.encoded.tiles = sheet.tiles;
  c.encoded.palette = sheet.palette;
  c.encoded.tileCount = sheet.tileCount;
  c.subPalettesMade = made.palettes > 0 ? sheet.subPalettes : 0;
  c.oam = sprites::OamTableBytes(sheet);
  if (!settings.oamAsm.empty()) {
    const std::string label =
        settings.oamLabel.empty() ? std::filesystem::path(settings.oamAsm).stem().string() : settings.oamLabel;
    const std::string text = sprites::OamAssembly(sheet, label);
    c.oamAsm.assign(text.begin(), text.end());
  }
  for (const std::string& warning : sheet.warnings) c.report += (c.report.empty() ? "" : "\n") + warning;
  if (!settings.rom.empty()) {
    rom::RomResult cartridge = SpriteCartridgeOf(sheet, settings);
    if (const auto* refusal = std::get_if<rom::RomRefusal>(&cartridge)) return Refused(refusal->message);
    c.rom = std::move(std::get<std::vector<std::uint8_t>>(cartridge));
  }
  return c;
}

Result<Conversion> ConvertChecked(const Picture& picture, const ConversionSettings& settings,
                                  const RowsArriving* arriving) {
  const Result<int> bpp = DecideBeforePixels(ShapeOf(picture), settings);
  if (const Failure* failure = bpp.IfFailed()) return *failure;
  if (settings.sprites) {
    if (arriving && !arriving->Await(picture.height)) return refusals::RowsStopped();
    return ConvertSpriteSheet(picture, settings);
  }
  Conversion c;
  std::optional<Picture> indexed;
  if (settings.subPalettes.palettes > 0) {
    // Sub-palettes are made from the whole picture.
    if (arriving && !arriving->Await(picture.height)) return refusals::RowsStopped();
    Result<IndexedTruecolour> made = IndexTruecolour(picture, *bpp, settings.subPalettes, settings.tiles.map);
    if (const Failure* failure = made.IfFailed()) return *failure;
    c.subPalettesMade = made->subPalettes;
    c.reduced = made->reduced;
    c.meanDeltaE = made->meanDeltaE;
    c.worstDeltaE = made->worstDeltaE;
    if (made->reduced) c.report = "colours reduced to fit: " + DeltaEText(made->meanDeltaE, made->worstDeltaE);
    indexed = std::move(made->picture);
    arriving = nullptr;
  }
  const Picture& encodedPicture = indexed ? *indexed : picture;
  EncodeResult encoded = EncodeForConsole(encodedPicture, *bpp, settings.tiles, arriving);
  if (const Failure* failure = std::get_if<Failure>(&encoded)) return *failure;
  c.encoded = std::move(std::get<EncodedOutputs>(encoded));
  if (auto over = OverTileBudget(c.encoded, settings.tiles, picture.width, picture.height, settings.maxTiles))
    return *over;
  if (auto failure = DrawPictures(c, settings, encodedPicture)) return *failure;
  if (!settings.rom.empty()) {
    rom::RomResult cartridge = CartridgeOf(c.encoded, settings, picture.width, picture.height);
    if (const auto* refusal = std::get_if<rom::RomRefusal>(&cartridge)) return Refused(refusal->message);
    c.rom = std::move(std::get<std::vector<std::uint8_t>>(cartridge));
  }
  return c;
}

}  // namespace

Result<Conversion> Convert(const Picture& picture, const ConversionSettings& settings, const RowsArriving* arriving) {
  if (auto problem = CheckSettings(settings)) return *problem;
  try {
    return ConvertChecked(picture, settings, arriving);
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

namespace {

// Each output's name and, from a conversion, its bytes.
template <typename Each>
void ForEachOutput(const std::string& base, const ConversionSettings& settings, const Conversion* c, Each&& each) {
  each(base + ".plt", c ? &c->encoded.palette : nullptr);
  if (settings.sprites) {
    each(base + ".bin", c ? &c->encoded.tiles : nullptr);
    each(base + ".oam", c ? &c->oam : nullptr);
    if (!settings.oamAsm.empty()) each(settings.oamAsm, c ? &c->oamAsm : nullptr);
  } else if (settings.tiles.mode7 && settings.tiles.interleave) {
    each(base + ".vram", c ? &c->encoded.vram : nullptr);
  } else {
    each(base + ".bin", c ? &c->encoded.tiles : nullptr);
    if (settings.tiles.map || settings.tiles.mode7) each(base + ".map", c ? &c->encoded.map : nullptr);
  }
  if (!settings.preview.empty()) each(settings.preview, c ? &c->preview : nullptr);
  if (!settings.palettePng.empty()) each(settings.palettePng, c ? &c->swatches : nullptr);
  if (!settings.tilesPng.empty()) each(settings.tilesPng, c ? &c->tileSheet : nullptr);
  if (!settings.rom.empty()) each(settings.rom, c ? &c->rom : nullptr);
}

}  // namespace

std::vector<NamedOutput> OutputsOf(const Conversion& c, const std::string& base, const ConversionSettings& settings) {
  std::vector<NamedOutput> files;
  ForEachOutput(base, settings, &c, [&](std::string name, const std::vector<std::uint8_t>* bytes) {
    files.push_back({std::move(name), bytes});
  });
  return files;
}

std::vector<std::string> OutputNames(const std::string& base, const ConversionSettings& settings) {
  std::vector<std::string> names;
  ForEachOutput(base, settings, nullptr,
                [&](std::string name, const std::vector<std::uint8_t>*) { names.push_back(std::move(name)); });
  return names;
}

}  // namespace tilora
