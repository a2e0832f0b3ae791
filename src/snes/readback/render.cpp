#include "snes/readback/render.h"

#include <algorithm>
#include <optional>

#include "snes/encoders/console_palette.h"
#include "snes/encoders/map_entry.h"
#include "snes/encoders/map_layout.h"
#include "snes/encoders/planar_tiles.h"
#include "snes/readback/output_reader.h"

namespace tilora {
namespace {

using Refusal = std::optional<Failure>;

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }
std::string At(std::int32_t x, std::int32_t y) { return std::to_string(x) + "," + std::to_string(y); }

int TileSizeOf(const RenderInput& in) { return in.options.map && !in.options.mode7 ? in.options.tileSize : 8; }
std::size_t TileBytes(const RenderInput& in) { return in.options.mode7 ? 64 : PlanarTileSize(in.bpp); }
int ColoursPerBlock(const RenderInput& in) { return in.options.mode7 ? 256 : 1 << in.bpp; }

std::string TilesFile(const RenderInput& in) {
  return (in.options.interleave ? "the video memory file " : "the tiles file ") + Quoted(in.tilesName);
}

std::size_t StoredTiles(const RenderInput& in) {
  if (in.options.mode7 && in.options.interleave) return 256;
  return in.tiles.size() / TileBytes(in);
}

// The entries the files hold, as the console lays them out.
Result<MapLayout> LayoutOf(const RenderInput& in) {
  if (in.options.mode7) return kMode7Layout;
  if (in.columns < 1)
    return UsageFailure("--columns takes a whole number from 1, not '" + std::to_string(in.columns) + "'");
  if (!in.options.map) {
    const std::size_t count = StoredTiles(in);
    if (count % static_cast<std::size_t>(in.columns) != 0)
      return Refused("The tiles file " + Quoted(in.tilesName) + " holds " + std::to_string(count) +
                     " tiles, not whole rows of " + std::to_string(in.columns) + " (--columns).");
    return MapLayout{in.columns, static_cast<std::int32_t>(count / static_cast<std::size_t>(in.columns)), false};
  }
  const std::size_t entries = in.map.size();
  if (in.options.screens) {
    if (in.columns != 32 && in.columns != 64)
      return UsageFailure("with --screens a map is 32 or 64 entries across, not " + std::to_string(in.columns) +
                          " (--columns)");
    const auto across = static_cast<std::size_t>(in.columns);
    if (entries != 32 * across && entries != 64 * across)
      return Refused("The map file " + Quoted(in.mapName) + " holds " + std::to_string(entries) +
                     " entries; a map of screens " + std::to_string(in.columns) + " entries across holds " +
                     std::to_string(32 * across) + " or " + std::to_string(64 * across) + ".");
    return MapLayout{in.columns, static_cast<std::int32_t>(entries / across), true};
  }
  if (entries % static_cast<std::size_t>(in.columns) != 0)
    return Refused("The map file " + Quoted(in.mapName) + " holds " + std::to_string(entries) +
                   " entries, not whole rows of " + std::to_string(in.columns) + " (--columns).");
  return MapLayout{in.columns, static_cast<std::int32_t>(entries / static_cast<std::size_t>(in.columns)), false};
}

// The pixels drawn: what the layout covers, or the part asked for.
Refusal DrawnSize(const RenderInput& in, const MapLayout& layout, std::int32_t& width, std::int32_t& height) {
  const std::int64_t size = TileSizeOf(in);
  const std::int64_t across = size * layout.columns;
  const std::int64_t down = size * layout.rows;
  if (across > kMaxRenderSide || down > kMaxRenderSide || across * down > kMaxRenderPixels)
    return Refused("The outputs cover " + std::to_string(across) + " x " + std::to_string(down) + " pixels; at most " +
                   std::to_string(kMaxRenderSide) + " a side and " + std::to_string(kMaxRenderPixels) +
                   " in all are drawn.");
  if (in.width == 0 && in.height == 0) {
    width = static_cast<std::int32_t>(across);
    height = static_cast<std::int32_t>(down);
    return std::nullopt;
  }
  if (in.width < 1 || in.height < 1 || in.width > across || in.height > down)
    return UsageFailure("--size " + std::to_string(in.width) + "x" + std::to_string(in.height) +
                        " does not lie within the " + std::to_string(across) + " x " + std::to_string(down) +
                        " pixels the outputs cover");
  width = in.width;
  height = in.height;
  return std::nullopt;
}

Refusal CheckTilesAndPalette(const RenderInput& in) {
  if (in.options.mode7 && StoredTiles(in) > 256)
    return Refused("The tiles file " + Quoted(in.tilesName) + " holds " + std::to_string(StoredTiles(in)) +
                   " tiles; mode 7 holds at most 256.");
  const auto perBlock = static_cast<std::size_t>(ColoursPerBlock(in));
  // Plain tiles show in the palette's last sub-palette, as a conversion
  // writes them; a part of one says nothing about which.
  if (in.options.map || in.options.mode7 || in.bpp == 8) return std::nullopt;
  if (in.palette.size() % perBlock != 0)
    return Refused("The palette file " + Quoted(in.paletteName) + " holds " + std::to_string(in.palette.size()) +
                   " colours, not whole sub-palettes of " + std::to_string(perBlock) +
                   "; plain tiles show in its last one.");
  if (in.palette.size() / perBlock > 8)
    return Refused("The palette file " + Quoted(in.paletteName) + " holds " +
                   std::to_string(in.palette.size() / perBlock) +
                   " sub-palettes; plain tiles show in its last one, and a background has 8.");
  return std::nullopt;
}

// "tiles 3-9", "tile 3".
std::string Range(const char* what, int first, int last) {
  if (first == last) return std::string(what) + " " + std::to_string(first);
  return std::string(what) + "s " + std::to_string(first) + "-" + std::to_string(last);
}

std::string TileBaseNote(int base) { return base ? " (--tile-base " + std::to_string(base) + ")" : ""; }
std::string PaletteBaseNote(int base) { return base ? " (--palette-base " + std::to_string(base) + ")" : ""; }

// Every tile and sub-palette the map names is one the files hold.
Refusal CheckEntries(const RenderInput& in, const MapLayout& layout) {
  const auto count = static_cast<int>(StoredTiles(in));
  const int size = TileSizeOf(in);
  const int span = size / 8;
  const int base = in.options.mode7 ? 0 : in.options.tileBase;
  const int blocks = static_cast<int>((in.palette.size() + static_cast<std::size_t>(ColoursPerBlock(in)) - 1) /
                                      static_cast<std::size_t>(ColoursPerBlock(in)));
  const std::string mapFile = in.options.mode7 && in.options.interleave ? TilesFile(in) : Quoted(in.mapName);
  for (std::int32_t ey = 0; ey < layout.rows; ++ey) {
    for (std::int32_t ex = 0; ex < layout.columns; ++ex) {
      const std::size_t at = layout.IndexOf(ex, ey);
      const auto where = [&] { return "The map entry at " + At(size * ex, size * ey) + " of " + mapFile; };
      if (in.options.mode7) {
        const unsigned tile = in.options.interleave ? in.vram[2 * at] : in.mode7Map[at];
        if (static_cast<int>(tile) >= count)
          return Refused(where() + " shows tile " + std::to_string(tile) + "; " + TilesFile(in) + " holds " +
                         Range("tile", 0, count - 1) + ".");
        continue;
      }
      const MapEntry entry = MapEntryOf(in.map[at]);
      for (int cell = 0; cell < span * span; ++cell) {
        const auto tile = static_cast<int>(TileOfBlockCell(entry, size, cell % span, cell / span));
        if (tile < base || tile - base >= count)
          return Refused(where() + " shows tile " + std::to_string(tile) + "; " + TilesFile(in) + " holds " +
                         Range("tile", base, base + count - 1) + TileBaseNote(base) + ".");
      }
      const int block = static_cast<int>(entry.palette) - in.options.paletteBase;
      // At 8 bits per pixel the console ignores the entry's palette field.
      if (in.bpp != 8 && (block < 0 || block >= blocks))
        return Refused(where() + " names sub-palette " + std::to_string(entry.palette) + "; the palette file " +
                       Quoted(in.paletteName) + " holds " +
                       Range("sub-palette", in.options.paletteBase, in.options.paletteBase + blocks - 1) +
                       PaletteBaseNote(in.options.paletteBase) + ".");
    }
  }
  return std::nullopt;
}

// The highest colour of each stored tile.
std::vector<int> HighestColours(const OutputReader& reader) {
  std::vector<int> highest(reader.StoredTileCount());
  for (std::size_t n = 0; n < highest.size(); ++n) {
    const cells::CellRows tile = reader.StoredTile(n);
    int most = 0;
    for (const std::uint64_t row : tile.row)
      for (int x = 0; x < 8; ++x) most = std::max<int>(most, cells::PixelOf(row, x));
    highest[n] = most;
  }
  return highest;
}

// Every colour the tiles show lies within the palette: an entry past it
// would show whatever colour memory held.
Refusal CheckColours(const RenderInput& in, const OutputReader& reader, const MapLayout& layout) {
  const bool eightBit = in.options.mode7 || in.bpp == 8;
  if (!in.options.map && !eightBit) return std::nullopt;  // whole sub-palettes, checked
  const std::vector<int> highest = HighestColours(reader);
  const int perBlock = ColoursPerBlock(in);
  const auto words = static_cast<int>(in.palette.size());
  const auto past = [&](const auto& where, int tile, int block, int base) -> Refusal {
    const int most = highest[static_cast<std::size_t>(tile)];
    if (most == 0 || (eightBit ? most : block * perBlock + most) < words) return std::nullopt;
    return Refused(where() + " shows colour " + std::to_string(most) +
                   (eightBit ? std::string() : " of sub-palette " + std::to_string(block)) + " (tile " +
                   std::to_string(tile + base) + "); the palette file " + Quoted(in.paletteName) + " holds " +
                   std::to_string(words) + " colours.");
  };
  if (!in.options.map && !in.options.mode7) {
    for (std::size_t n = 0; n < highest.size(); ++n) {
      const auto x = static_cast<std::int32_t>(8 * (n % static_cast<std::size_t>(in.columns)));
      const auto y = static_cast<std::int32_t>(8 * (n / static_cast<std::size_t>(in.columns)));
      const auto where = [&] { return "The tile at " + At(x, y) + " of " + Quoted(in.tilesName); };
      if (auto refusal = past(where, static_cast<int>(n), 0, 0)) return refusal;
    }
    return std::nullopt;
  }
  const int size = TileSizeOf(in);
  const int span = size / 8;
  const int base = in.options.mode7 ? 0 : in.options.tileBase;
  const std::string mapFile = in.options.interleave ? TilesFile(in) : Quoted(in.mapName);
  for (std::int32_t ey = 0; ey < layout.rows; ++ey) {
    for (std::int32_t ex = 0; ex < layout.columns; ++ex) {
      const std::size_t at = layout.IndexOf(ex, ey);
      const auto where = [&] { return "The map entry at " + At(size * ex, size * ey) + " of " + mapFile; };
      if (in.options.mode7) {
        if (auto refusal = past(where, in.options.interleave ? in.vram[2 * at] : in.mode7Map[at], 0, 0)) return refusal;
        continue;
      }
      const MapEntry entry = MapEntryOf(in.map[at]);
      const int block = static_cast<int>(entry.palette) - in.options.paletteBase;
      for (int cell = 0; cell < span * span; ++cell) {
        const int tile = static_cast<int>(TileOfBlockCell(entry, size, cell % span, cell / span)) - base;
        if (auto refusal = past(where, tile, block, base)) return refusal;
      }
    }
  }
  return std::nullopt;
}

EncodedOutputs OutputsOf(const RenderInput& in) {
  EncodedOutputs out;
  out.bpp = in.options.mode7 ? 8 : in.bpp;
  out.tiles = in.tiles;
  out.vram = in.vram;
  out.map.resize(2 * in.map.size());
  for (std::size_t i = 0; i < in.map.size(); ++i) {
    out.map[2 * i] = static_cast<std::uint8_t>(in.map[i] & 0xFF);
    out.map[2 * i + 1] = static_cast<std::uint8_t>(in.map[i] >> 8);
  }
  if (in.options.mode7) out.map = in.mode7Map;
  // Plain 8-bit tiles are read as a conversion writes them, with all 256
  // colours; the colours shown were checked against the palette given.
  out.palette.resize(2 * (out.bpp == 8 ? 256 : in.palette.size()));
  for (std::size_t i = 0; i < in.palette.size(); ++i) {
    out.palette[2 * i] = static_cast<std::uint8_t>(in.palette[i] & 0xFF);
    out.palette[2 * i + 1] = static_cast<std::uint8_t>(in.palette[i] >> 8);
  }
  return out;
}

// Each cell's colours become colour memory entries a row of eight at a
// time: block << bpp added wherever the colour is not 0.
void Draw(const OutputReader& reader, int bpp, ShownEntries& shown) {
  const auto width = static_cast<std::size_t>(shown.width);
  cells::CellRows k;
  int block = 0;
  std::uint8_t row[8];
  for (std::int32_t cy = 0; 8 * cy < shown.height; ++cy) {
    const std::int32_t rows = std::min(8, shown.height - 8 * cy);
    for (std::int32_t cx = 0; 8 * cx < shown.width; ++cx) {
      reader.Cell(cx, cy, k, block);
      const std::uint64_t first = bpp == 8 ? 0 : cells::Repeat(static_cast<unsigned>(block) << bpp);
      const auto columns = static_cast<std::size_t>(std::min(8, shown.width - 8 * cx));
      std::uint8_t* out =
          shown.entries.data() + static_cast<std::size_t>(8 * cy) * width + 8 * static_cast<std::size_t>(cx);
      for (std::int32_t r = 0; r < rows; ++r) {
        const std::uint64_t coloured = (cells::NonZeroSmallBytes(k.row[r]) >> 7) * 0xFF;
        cells::StoreRow(k.row[r] | (first & coloured), row);
        std::copy_n(row, columns, out + static_cast<std::size_t>(r) * width);
      }
    }
  }
}

}  // namespace

Result<ShownEntries> Render(const RenderInput& in) {
  if (!in.options.mode7 && !IsTileDepth(in.bpp))
    return UsageFailure("--bpp takes 2, 4 or 8, not '" + std::to_string(in.bpp) + "'");
  if (in.palette.empty() || in.palette.size() > 256) return Refused("A palette holds 1 to 256 colours.");
  const Result<MapLayout> layout = LayoutOf(in);
  if (const Failure* failure = layout.IfFailed()) return *failure;
  ShownEntries shown;
  if (auto refusal = DrawnSize(in, *layout, shown.width, shown.height)) return *refusal;
  if (auto refusal = CheckTilesAndPalette(in)) return *refusal;
  if (in.options.map || in.options.mode7)
    if (auto refusal = CheckEntries(in, *layout)) return *refusal;

  const EncodedOutputs outputs = OutputsOf(in);
  const int size = TileSizeOf(in);
  const OutputReader reader(outputs, in.options, size * layout->columns, size * layout->rows);
  if (!reader.Fault().empty()) return InternalFailure("The outputs could not be read: " + reader.Fault() + ".");
  if (auto refusal = CheckColours(in, reader, *layout)) return *refusal;

  shown.entries.resize(static_cast<std::size_t>(shown.width) * static_cast<std::size_t>(shown.height));
  Draw(reader, in.options.mode7 ? 8 : in.bpp, shown);
  shown.colours.reserve(in.palette.size());
  for (const std::uint16_t word : in.palette) shown.colours.push_back(ShownColour(word));
  return shown;
}

}  // namespace tilora
