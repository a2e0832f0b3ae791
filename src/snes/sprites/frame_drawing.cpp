// Reads the outputs on its own, not through the conversion's pieces or
// table layout, so that the self-check does not repeat a fault of theirs.

#include "snes/sprites/frame_drawing.h"

#include <optional>

#include "snes/cells/cell_rows.h"

namespace tilora::sprites {
namespace {

std::string Pixel(std::int64_t x, std::int64_t y) { return std::to_string(x) + "," + std::to_string(y); }

// Bit plane n of tile row r is at byte 16 (n / 2) + 2 r + n % 2, the
// leftmost pixel in its top bit; read a pixel at a time, plainly.
TileRows DecodeTile(const std::uint8_t* tile) {
  TileRows rows{};
  for (int r = 0; r < 8; ++r)
    for (int x = 0; x < 8; ++x) {
      unsigned k = 0;
      for (int n = 0; n < 4; ++n) {
        const unsigned plane = tile[16 * (n / 2) + 2 * r + n % 2];
        k |= (plane >> (7 - x) & 1u) << n;
      }
      rows[static_cast<std::size_t>(r)] |= static_cast<std::uint64_t>(k) << (8 * x);
    }
  return rows;
}

class Canvas {
 public:
  Canvas(int width, int height) : frame_{width, height, {}} {
    frame_.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  }

  DrawnFrame Take() { return std::move(frame_); }

  // A tile row of an object at (x, y); false when it shows a pixel
  // outside the frame or where another object shows one.
  bool Draw(int x, int y, std::uint64_t row, int palette, std::string& fault) {
    const std::uint64_t opaque = cells::NonZeroSmallBytes(row);
    const std::uint64_t coloured = row | (opaque >> 7) * static_cast<std::uint64_t>(16 * palette);
    if (y >= 0 && y < frame_.height && x >= 0 && x + 8 <= frame_.width) {
      std::uint8_t* at = frame_.pixels.data() + Index(x, y);
      const std::uint64_t before = cells::LoadRow(at);
      if ((cells::NonZeroSmallBytes(before) & opaque) == 0) {
        cells::StoreRow(before | coloured, at);
        return true;
      }
    }
    for (int b = 0; b < 8; ++b) {
      const auto value = static_cast<std::uint8_t>(coloured >> (8 * b));
      if ((value & 15) == 0) continue;
      if (x + b < 0 || x + b >= frame_.width || y < 0 || y >= frame_.height) {
        fault = "shows a pixel outside the frame, at " + Pixel(x + b, y) + " of it";
        return false;
      }
      std::uint8_t& shown = frame_.pixels[Index(x + b, y)];
      if (shown != 0) {
        fault = "shows pixel " + Pixel(x + b, y) + " of the frame where another object does";
        return false;
      }
      shown = value;
    }
    return true;
  }

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(frame_.width) + static_cast<std::size_t>(x);
  }
  DrawnFrame frame_;
};

bool InRange(const SpriteObject& o) {
  return o.tile >= 0 && o.tile < kTableTiles && o.palette >= 0 && o.palette <= 7 && o.priority >= 0 &&
         o.priority <= 3;
}

std::optional<std::string> DrawObject(const SpriteObject& o, ObjectSizes sizes, int originX, int originY,
                                      const std::vector<TileRows>& tiles, Canvas& canvas) {
  if (!InRange(o)) return "has a tile, sub-palette or priority out of range";
  const int size = o.large ? sizes.large : sizes.small;
  const int across = size / 8;
  const int x0 = o.x + originX;
  const int y0 = o.y + originY;
  bool drew = false;
  std::string fault;
  for (int oy = 0; oy < size; ++oy) {
    const int sy = o.vflip ? size - 1 - oy : oy;
    for (int c = 0; c < across; ++c) {
      const int tile = ObjectTileAt(o.tile, o.hflip ? across - 1 - c : c, sy / 8);
      if (static_cast<std::size_t>(tile) >= tiles.size())
        return "reads tile " + std::to_string(tile) + ", past the tile data";
      std::uint64_t row = tiles[static_cast<std::size_t>(tile)][static_cast<std::size_t>(sy % 8)];
      if (row == 0) continue;
      if (o.hflip) row = cells::ReverseBytes(row);
      if (!canvas.Draw(x0 + 8 * c, y0 + oy, row, o.palette, fault)) return fault;
      drew = true;
    }
  }
  if (!drew) return "is wholly transparent";
  return std::nullopt;
}

}  // namespace

std::vector<TileRows> DecodeObjectTiles(const std::vector<std::uint8_t>& tiles) {
  std::vector<TileRows> decoded;
  decoded.reserve(tiles.size() / kTileBytes);
  for (std::size_t at = 0; at + kTileBytes <= tiles.size(); at += kTileBytes)
    decoded.push_back(DecodeTile(tiles.data() + at));
  return decoded;
}

int ObjectTileAt(int n, int c, int r) { return (n & 0x100) | (((n >> 4) + r) & 15) << 4 | ((n + c) & 15); }

std::variant<DrawnFrame, DrawFault> DrawFrame(const std::vector<TileRows>& tiles, const SpriteFrame& frame,
                                              ObjectSizes sizes, int originX, int originY, int width, int height) {
  Canvas canvas(width, height);
  for (std::size_t i = 0; i < frame.objects.size(); ++i)
    if (auto fault = DrawObject(frame.objects[i], sizes, originX, originY, tiles, canvas)) return DrawFault{i, *fault};
  return canvas.Take();
}

std::vector<int> FirstObjectPalettes(const SpriteSheet& sheet) {
  std::vector<int> first(kTableTiles, -1);
  for (const SpriteFrame& frame : sheet.frames)
    for (const SpriteObject& o : frame.objects) {
      if (!InRange(o)) continue;
      const int across = (o.large ? sheet.sizes.large : sheet.sizes.small) / 8;
      for (int r = 0; r < across; ++r)
        for (int c = 0; c < across; ++c) {
          int& slot = first[static_cast<std::size_t>(ObjectTileAt(o.tile, c, r))];
          if (slot < 0) slot = o.palette;
        }
    }
  return first;
}

}  // namespace tilora::sprites
