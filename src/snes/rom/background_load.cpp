#include "snes/rom/background_load.h"

#include <algorithm>

#include "snes/rom/rom_refusals.h"
#include "snes/rom/rom_registers.h"

namespace tilora::rom {
namespace {

constexpr int kTileNumbers = 1024;
constexpr int kScreenSide = 32;
constexpr std::size_t kMode7Map = 128 * 128;
constexpr std::size_t kMode7Tiles = 256 * 64;

int TileSize(int bpp) { return 8 * bpp; }

// Colour memory BG1 reads at a depth: modes 0, 1 and 3.
int ColourEntries(int bpp) { return bpp == 2 ? 32 : bpp == 4 ? 128 : 256; }

std::size_t EntryIndex(int cx, int cy, int columns) {
  const int screen = (cy / kScreenSide) * (columns / kScreenSide) + cx / kScreenSide;
  return static_cast<std::size_t>(1024 * screen + kScreenSide * (cy % kScreenSide) + cx % kScreenSide);
}

std::uint16_t WordAt(const std::vector<std::uint8_t>& bytes, std::size_t index) {
  return static_cast<std::uint16_t>(bytes[2 * index] | bytes[2 * index + 1] << 8);
}

std::optional<int> ZeroTile(const Background& b, int tileCount) {
  const auto size = static_cast<std::size_t>(TileSize(b.bpp));
  for (int t = 0; t < tileCount; ++t) {
    const auto first = b.tiles.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(t) * size);
    if (std::all_of(first, first + static_cast<std::ptrdiff_t>(size), [](std::uint8_t v) { return v == 0; })) return t;
  }
  return std::nullopt;
}

std::optional<RomRefusal> CheckMode7(const Background& b, bool withSprites) {
  if (withSprites) return refusals::SharedColours();
  if (b.interleave) {
    if (b.vram.size() != 2 * kMode7Map) return refusals::Sizes("video memory image", b.vram.size(), "mode 7's is 32,768");
  } else {
    if (b.map.size() != kMode7Map) return refusals::Sizes("mode 7 map", b.map.size(), "mode 7's is 16,384");
    if (b.tiles.size() % 64 != 0 || b.tiles.size() > kMode7Tiles)
      return refusals::Sizes("mode 7 tile data", b.tiles.size(), "mode 7 holds up to 256 tiles of 64 bytes");
  }
  if (b.palette.size() % 2 != 0 || b.palette.size() > 512)
    return refusals::Sizes("palette", b.palette.size(), "mode 7 reads up to 256 colours of 2 bytes");
  return std::nullopt;
}

// The colour memory entry of the palette's first word: plain tiles' map is
// made here, without a palette base.
int FirstEntry(const Background& b) { return b.bpp == 8 || !b.mapShape ? 0 : b.paletteBase << b.bpp; }

// The palette's place in colour memory, within what BG1 reads.
std::optional<RomRefusal> CheckPalette(const Background& b, bool withSprites) {
  if (b.palette.size() % 2 != 0 || b.palette.empty())
    return refusals::Sizes("palette", b.palette.size(), "a palette is whole colours of 2 bytes");
  if (b.bpp == 8 && withSprites) return refusals::SharedColours();
  if (b.paletteBase < 0 || b.paletteBase > 7)
    return RomRefusal{"The palette base must lie in 0-7, not " + std::to_string(b.paletteBase) + "."};
  const auto first = static_cast<std::size_t>(FirstEntry(b));
  const std::size_t words = b.palette.size() / 2;
  const auto entries = static_cast<std::size_t>(ColourEntries(b.bpp));
  if (first + words > entries)
    return refusals::ColourMemory(words, static_cast<int>(first), static_cast<int>(entries) - 1,
                                  "BG1 at " + std::to_string(b.bpp) + " bits per pixel");
  const std::size_t perBlock = std::size_t{1} << b.bpp;
  if (!b.mapShape && b.bpp != 8 && words % perBlock != 0)
    return refusals::Sizes("palette", b.palette.size(),
                           "plain tiles show in whole sub-palettes of " + std::to_string(perBlock) + " colours");
  return std::nullopt;
}

// The map entries of plain tiles: each cell its own tile, in the palette's
// last sub-palette.
std::vector<std::uint8_t> PlainMap(const Background& b, int across, int down) {
  const int block = b.bpp == 8 ? 0 : static_cast<int>(b.palette.size() / 2 / (std::size_t{1} << b.bpp)) - 1;
  std::vector<std::uint8_t> map(2 * static_cast<std::size_t>(across) * static_cast<std::size_t>(down));
  for (int t = 0; t < across * down; ++t) {
    const auto word = static_cast<std::uint16_t>(t | block << 10);
    map[2 * static_cast<std::size_t>(t)] = static_cast<std::uint8_t>(word & 0xFF);
    map[2 * static_cast<std::size_t>(t) + 1] = static_cast<std::uint8_t>(word >> 8);
  }
  return map;
}

// The tiles' numbers: from the tile base (plain tiles from 0), within
// BG1's 1,024.
std::optional<RomRefusal> CheckTileNumbers(const Background& b, std::size_t tiles) {
  const int tileBase = b.mapShape ? b.tileBase : 0;
  if (tileBase < 0 || tileBase >= kTileNumbers)
    return RomRefusal{"The tile base must lie in 0-1023, not " + std::to_string(tileBase) + "."};
  if (tiles > static_cast<std::size_t>(kTileNumbers - tileBase)) return refusals::TooManyTiles(tiles, tileBase);
  return std::nullopt;
}

// The map's size in cells: as given, or the picture's cells for plain tiles.
std::variant<MapShape, RomRefusal> ShapeOf(const Background& b, int tileCount) {
  if (b.mapShape) {
    const MapShape& shape = *b.mapShape;
    if (shape.columns < 1 || shape.rows < 1 ||
        b.map.size() != 2 * static_cast<std::size_t>(shape.columns) * static_cast<std::size_t>(shape.rows))
      return refusals::Sizes("map", b.map.size(), "a map of " + std::to_string(shape.columns) + " x " +
                                                      std::to_string(shape.rows) + " cells has twice as many");
    if (shape.columns > 2 * kScreenSide || shape.rows > 2 * kScreenSide)
      return refusals::MapTooLarge(shape.columns, shape.rows);
    if (shape.tileSize != 8 && shape.tileSize != 16)
      return RomRefusal{"BG1's tiles are 8x8 or 16x16, not " + std::to_string(shape.tileSize) + " pixels a side."};
    if (shape.screens && (shape.columns % kScreenSide != 0 || shape.rows % kScreenSide != 0))
      return RomRefusal{"A map in screens is 32 or 64 cells each way, not " + std::to_string(shape.columns) + " x " +
                        std::to_string(shape.rows) + "."};
    return shape;
  }
  const std::int64_t across = (std::int64_t{b.width} + 7) / 8, down = (std::int64_t{b.height} + 7) / 8;
  if (across > 2 * kScreenSide || down > 2 * kScreenSide) return refusals::MapTooLarge(across, down);
  if (across * down != tileCount)
    return refusals::Sizes("tile data", b.tiles.size(), "plain tiles of a " + std::to_string(b.width) + " x " +
                                                            std::to_string(b.height) + " picture have one tile a cell");
  return MapShape{static_cast<int>(across), static_cast<int>(down), false};
}

// The entry of the cells beyond a map of 16 x 16 blocks: the first block
// number whose four tiles are all-colour-0 tiles of the tile data or free
// numbers, the fewest of those free ones to be added.
std::variant<std::uint16_t, RomRefusal> BlankBlockEntry(const Background& b, PreparedBackground& prepared) {
  const auto size = static_cast<std::size_t>(TileSize(b.bpp));
  std::vector<bool> zero(static_cast<std::size_t>(prepared.tileCount));
  for (std::size_t t = 0; t < zero.size(); ++t) {
    const auto first = b.tiles.begin() + static_cast<std::ptrdiff_t>(t * size);
    zero[t] = std::all_of(first, first + static_cast<std::ptrdiff_t>(size), [](std::uint8_t v) { return v == 0; });
  }
  std::optional<int> best;
  int bestAdded = 5;
  // Blocks that would wrap past tile 1023 are left out.
  for (int n = 0; n + 17 < kTileNumbers && bestAdded > 0; ++n) {
    int added = 0;
    for (const int t : {n, n + 1, n + 16, n + 17}) {
      const int stored = t - b.tileBase;
      if (stored < 0 || stored >= prepared.tileCount) ++added;
      else if (!zero[static_cast<std::size_t>(stored)]) added = 5;
    }
    if (added < bestAdded) {
      best = n;
      bestAdded = added;
    }
  }
  if (!best) return refusals::NoBlankBlock();
  for (const int t : {*best, *best + 1, *best + 16, *best + 17})
    if (t - b.tileBase < 0 || t - b.tileBase >= prepared.tileCount) prepared.addedBlanks.push_back(t);
  return static_cast<std::uint16_t>(*best);
}

// The entry of the cells beyond the picture: the tiles' own all-colour-0
// tile, or one added at a free number next to them.
std::variant<std::uint16_t, RomRefusal> BlankEntry(const Background& b, PreparedBackground& prepared) {
  if (b.mapShape && b.mapShape->tileSize == 16) return BlankBlockEntry(b, prepared);
  const int tileBase = b.mapShape ? b.tileBase : 0;
  if (const auto zero = ZeroTile(b, prepared.tileCount)) return static_cast<std::uint16_t>(tileBase + *zero);
  if (tileBase + prepared.tileCount < kTileNumbers) prepared.addedBlanks.push_back(tileBase + prepared.tileCount);
  else if (tileBase > 0) prepared.addedBlanks.push_back(tileBase - 1);
  else return refusals::NoBlankTile();
  return static_cast<std::uint16_t>(prepared.addedBlanks.back());
}

// The given map's entries in the console's layout of whole screens.
void LayOut(const std::vector<std::uint8_t>& given, const MapShape& shape, std::uint16_t blank,
            PreparedBackground& prepared) {
  const int columns = kScreenSide * prepared.screensAcross;
  const int rows = kScreenSide * prepared.screensDown;
  prepared.map.assign(2 * static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
  for (int cy = 0; cy < rows; ++cy) {
    for (int cx = 0; cx < columns; ++cx) {
      const bool inside = cx < shape.columns && cy < shape.rows;
      const std::size_t from = shape.screens ? EntryIndex(cx, cy, shape.columns)
                                             : static_cast<std::size_t>(cy) * static_cast<std::size_t>(shape.columns) +
                                                   static_cast<std::size_t>(cx);
      const std::uint16_t word = inside ? WordAt(given, from) : blank;
      const std::size_t at = EntryIndex(cx, cy, columns);
      prepared.map[2 * at] = static_cast<std::uint8_t>(word & 0xFF);
      prepared.map[2 * at + 1] = static_cast<std::uint8_t>(word >> 8);
    }
  }
}

std::variant<PreparedBackground, RomRefusal> PreparePlanar(const Background& b, bool withSprites) {
  if (b.bpp != 2 && b.bpp != 4 && b.bpp != 8)
    return RomRefusal{"BG1 shows 2, 4 or 8 bits per pixel, not " + std::to_string(b.bpp) + "."};
  const auto tileSize = static_cast<std::size_t>(TileSize(b.bpp));
  if (b.tiles.size() % tileSize != 0)
    return refusals::Sizes("tile data", b.tiles.size(), "no whole number of " + std::to_string(tileSize) + "-byte tiles");
  if (auto refusal = CheckPalette(b, withSprites)) return *refusal;
  if (auto refusal = CheckTileNumbers(b, b.tiles.size() / tileSize)) return *refusal;
  PreparedBackground prepared;
  prepared.source = &b;
  prepared.tileCount = static_cast<int>(b.tiles.size() / tileSize);
  const auto shaped = ShapeOf(b, prepared.tileCount);
  if (const auto* refusal = std::get_if<RomRefusal>(&shaped)) return *refusal;
  const MapShape shape = std::get<MapShape>(shaped);
  prepared.screensAcross = shape.columns > kScreenSide ? 2 : 1;
  prepared.screensDown = shape.rows > kScreenSide ? 2 : 1;
  std::uint16_t blank = 0;
  if (shape.columns < kScreenSide * prepared.screensAcross || shape.rows < kScreenSide * prepared.screensDown) {
    const auto entry = BlankEntry(b, prepared);
    if (const auto* refusal = std::get_if<RomRefusal>(&entry)) return *refusal;
    blank = std::get<std::uint16_t>(entry);
  }
  LayOut(b.mapShape ? b.map : PlainMap(b, shape.columns, shape.rows), shape, blank, prepared);
  return prepared;
}

}  // namespace

std::variant<PreparedBackground, RomRefusal> PrepareBackground(const Background& background, bool withSprites) {
  if (background.width < 1 || background.height < 1)
    return RomRefusal{"The picture is " + std::to_string(background.width) + " x " + std::to_string(background.height) + " pixels; it shows nothing."};
  if (!background.mode7) return PreparePlanar(background, withSprites);
  if (auto refusal = CheckMode7(background, withSprites)) return *refusal;
  PreparedBackground prepared;
  prepared.source = &background;
  return prepared;
}

void AddNeeds(const PreparedBackground& background, VideoMemoryNeeds& needs) {
  const Background& b = *background.source;
  if (b.mode7) {
    needs.mode7 = true;
    return;
  }
  needs.tileSize = static_cast<std::size_t>(TileSize(b.bpp));
  needs.tiles.push_back({b.mapShape ? b.tileBase : 0, background.tileCount});
  for (const int blank : background.addedBlanks) needs.tiles.push_back({blank, 1});
  needs.mapBytes = background.map.size();
}

void LoadBackground(const PreparedBackground& background, const VideoMemoryPlan& plan, bool objects,
                    CartridgeImage& image, CommandList& list) {
  const Background& b = *background.source;
  list.Register(reg::kMainScreen, static_cast<std::uint8_t>(0x01 | (objects ? 0x10 : 0)));
  if (b.mode7) {
    list.Register(reg::kBgMode, 7);
    list.Register(reg::kMode7Settings, 0x80);  // beyond the plane: transparent, the backdrop shows
    if (b.interleave) {
      list.LoadVram(image, 0, VramWrite::Words, b.vram);
    } else {
      list.LoadVram(image, 0, VramWrite::LowBytes, b.map);
      list.LoadVram(image, 0, VramWrite::HighBytes, b.tiles);
    }
    list.LoadCgram(image, 0, b.palette);
    return;
  }
  const bool blocks = b.mapShape && b.mapShape->tileSize == 16;
  // Bit 4: BG1's entries show 16 x 16 blocks.
  list.Register(reg::kBgMode, static_cast<std::uint8_t>((b.bpp == 2 ? 0 : b.bpp == 4 ? 1 : 3) | (blocks ? 0x10 : 0)));
  const int size = (background.screensAcross == 2 ? 1 : 0) | (background.screensDown == 2 ? 2 : 0);
  list.Register(reg::kBg1Map, static_cast<std::uint8_t>(plan.mapBase / 0x800 << 2 | static_cast<std::uint32_t>(size)));
  list.Register(reg::kBg12Characters, static_cast<std::uint8_t>(plan.characterBase / 0x2000));
  const auto tileSize = static_cast<std::uint32_t>(TileSize(b.bpp));
  const auto tileBase = static_cast<std::uint32_t>(b.mapShape ? b.tileBase : 0);
  list.LoadVram(image, plan.characterBase + tileBase * tileSize, VramWrite::Words, b.tiles);
  const std::vector<std::uint8_t> blank(tileSize, 0);
  for (const int added : background.addedBlanks)
    list.LoadVram(image, plan.characterBase + static_cast<std::uint32_t>(added) * tileSize, VramWrite::Words, blank);
  list.LoadVram(image, plan.mapBase, VramWrite::Words, background.map);
  const int first = FirstEntry(b);
  list.LoadCgram(image, first, b.palette);
  // Colour 0 of every sub-palette shows the backdrop, entry 0.
  if (first != 0) list.LoadCgram(image, 0, std::span(b.palette).first(2));
}

}  // namespace tilora::rom
