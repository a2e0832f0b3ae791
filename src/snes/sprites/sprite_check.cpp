// The self-check reads the sheet and the outputs on its own, not through
// the conversion's frame reader, pieces or table layout, so that a fault
// there is not repeated here.

#include <algorithm>
#include <array>
#include <cstring>

#include "snes/cells/cell_rows.h"
#include "palettes/reduction/colour_difference.h"
#include "snes/sprites/sprite_sheet.h"

namespace tilora::sprites {
namespace {

using Rows = std::array<std::uint64_t, 8>;  // pixel x of a row in byte x

constexpr std::uint16_t kShownTransparent = 0xFFFF;

std::string Fault(const std::string& what) { return what + "."; }

std::string Pixel(std::int64_t x, std::int64_t y) { return std::to_string(x) + "," + std::to_string(y); }

// Bit plane n of tile row r is at byte 16 (n / 2) + 2 r + n % 2, the
// leftmost pixel in its top bit; read a pixel at a time, plainly.
Rows DecodeTile(const std::uint8_t* tile) {
  Rows rows{};
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

// The tile the console reads for tile column c and row r of a large object
// named n: the column wraps within its row of 16 tiles and the row within
// its table of 256, never carrying into the table bit.
int TileAt(int n, int c, int r) { return (n & 0x100) | (((n >> 4) + r) & 15) << 4 | ((n + c) & 15); }

struct Outputs {
  std::vector<Rows> tiles;
  std::vector<std::uint16_t> words;
};

// One frame as the objects draw it: 16 p + k where an object shows colour
// k of sub-palette p, 0 where none does.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), shown_(static_cast<std::size_t>(width * height)) {}

  std::uint8_t At(int x, int y) const { return shown_[Index(x, y)]; }
  const std::uint8_t* Row(int y) const { return shown_.data() + Index(0, y); }

  // A tile row of an object at (x, y); false when it shows a pixel
  // outside the frame or where another object shows one.
  bool Draw(int x, int y, std::uint64_t row, int palette, std::string& fault) {
    const std::uint64_t opaque = cells::NonZeroSmallBytes(row);
    const std::uint64_t coloured = row | (opaque >> 7) * static_cast<std::uint64_t>(16 * palette);
    if (y >= 0 && y < height_ && x >= 0 && x + 8 <= width_) {
      std::uint8_t* at = shown_.data() + Index(x, y);
      const std::uint64_t before = cells::LoadRow(at);
      if ((cells::NonZeroSmallBytes(before) & opaque) == 0) {
        cells::StoreRow(before | coloured, at);
        return true;
      }
    }
    for (int b = 0; b < 8; ++b) {
      const auto value = static_cast<std::uint8_t>(coloured >> (8 * b));
      if ((value & 15) == 0) continue;
      if (x + b < 0 || x + b >= width_ || y < 0 || y >= height_) {
        fault = "shows a pixel outside the frame, at " + Pixel(x + b, y) + " of it";
        return false;
      }
      std::uint8_t& shown = shown_[Index(x + b, y)];
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
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
  }
  int width_;
  int height_;
  std::vector<std::uint8_t> shown_;
};

std::optional<std::string> DrawObject(const SpriteObject& o, const SpriteSettings& s, const Outputs& outputs,
                                      Canvas& canvas) {
  if (o.tile < 0 || o.tile >= kTableTiles || o.palette < 0 || o.palette > 7 || o.priority != s.priority)
    return "has a tile, sub-palette or priority out of range";
  const int size = o.large ? s.sizes.large : s.sizes.small;
  const int across = size / 8;
  const int x0 = o.x + s.originX;
  const int y0 = o.y + s.originY;
  bool drew = false;
  std::string fault;
  for (int oy = 0; oy < size; ++oy) {
    const int sy = o.vflip ? size - 1 - oy : oy;
    for (int c = 0; c < across; ++c) {
      const int tile = TileAt(o.tile, o.hflip ? across - 1 - c : c, sy / 8);
      if (static_cast<std::size_t>(tile) >= outputs.tiles.size())
        return "reads tile " + std::to_string(tile) + ", past the tile data";
      std::uint64_t row = outputs.tiles[static_cast<std::size_t>(tile)][static_cast<std::size_t>(sy % 8)];
      if (row == 0) continue;
      if (o.hflip) row = cells::ReverseBytes(row);
      if (!canvas.Draw(x0 + 8 * c, y0 + oy, row, o.palette, fault)) return fault;
      drew = true;
    }
  }
  if (!drew) return "is wholly transparent";
  return std::nullopt;
}

class SheetFrames {
 public:
  SheetFrames(const Picture& sheet, const SpriteSettings& s) : sheet_(sheet), s_(s), blocks_(TakesBlocks(sheet, s)) {
    if (s.transparentColour) {
      const std::uint32_t c = *s.transparentColour;
      key_ = packing::Colour15Of(
          {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
    }
  }

  int Across() const { return sheet_.width / s_.frameWidth; }
  int Count() const { return Across() * (sheet_.height / s_.frameHeight); }
  std::int32_t X(int n) const { return n % Across() * s_.frameWidth; }
  std::int32_t Y(int n) const { return n / Across() * s_.frameHeight; }

  // The colour index of a sheet taken by blocks, otherwise the 15-bit
  // colour; or kShownTransparent.
  std::uint16_t Expected(std::int32_t x, std::int32_t y) const {
    Rgba c;
    if (sheet_.indexed) {
      const std::uint8_t index = sheet_.IndexAt(x, y);
      if (blocks_) return (index & 15) != 0 ? index : kShownTransparent;
      if (index == 0) return kShownTransparent;
      const Rgb p = index < sheet_.palette.size() ? sheet_.palette[index] : Rgb{};
      c = {p.red, p.green, p.blue, 255};
    } else {
      c = sheet_.ColourAt(x, y);
    }
    const std::uint16_t c15 = packing::Colour15Of({c.red, c.green, c.blue});
    return c.alpha < 128 || (key_ && *key_ == c15) ? kShownTransparent : c15;
  }

  bool Empty(int n) const {
    for (int y = 0; y < s_.frameHeight; ++y)
      for (int x = 0; x < s_.frameWidth; ++x)
        if (Expected(X(n) + x, Y(n) + y) != kShownTransparent) return false;
    return true;
  }

  bool Indexed() const { return blocks_; }

  // Whether an indexed sheet's row of a frame is what the canvas shows.
  bool SameRow(std::int32_t x, std::int32_t y, const std::uint8_t* shown, std::vector<std::uint8_t>& row) const {
    const std::uint8_t* from = sheet_.indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(sheet_.width) +
                               static_cast<std::size_t>(x);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = (from[i] & 15) != 0 ? from[i] : 0;
    return std::equal(row.begin(), row.end(), shown);
  }

 private:
  const Picture& sheet_;
  const SpriteSettings& s_;
  bool blocks_;
  std::optional<std::uint16_t> key_;
};

std::string Colour(std::uint16_t value, bool indexed) {
  if (value == kShownTransparent) return "nothing";
  return indexed ? "colour " + std::to_string(value) : "colour word " + std::to_string(value);
}

std::optional<std::string> CompareFrame(const SpriteFrame& frame, const Canvas& canvas, const SheetFrames& sheet,
                                        const SpriteSettings& s, const Outputs& outputs) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(s.frameWidth));
  for (int y = 0; y < s.frameHeight; ++y) {
    if (sheet.Indexed() && sheet.SameRow(frame.x, frame.y + y, canvas.Row(y), row)) continue;
    for (int x = 0; x < s.frameWidth; ++x) {
      const std::uint8_t drawn = canvas.At(x, y);
      std::uint16_t shown = kShownTransparent;
      if (drawn != 0) {
        if (sheet.Indexed()) {
          shown = drawn;
        } else if (drawn < outputs.words.size()) {
          shown = outputs.words[drawn] & 0x7FFF;
        } else {
          return "frame " + std::to_string(frame.number) + " shows sub-palette " + std::to_string(drawn / 16) +
                 ", past the palette, at " + Pixel(frame.x + x, frame.y + y);
        }
      }
      const std::uint16_t expected = sheet.Expected(frame.x + x, frame.y + y);
      if (shown != expected)
        return "frame " + std::to_string(frame.number) + " shows " + Colour(shown, sheet.Indexed()) + " at " +
               Pixel(frame.x + x, frame.y + y) + " where the sheet has " + Colour(expected, sheet.Indexed());
    }
  }
  return std::nullopt;
}

std::optional<std::string> CheckFrame(const SpriteFrame& frame, const SheetFrames& sheet, const SpriteSettings& s,
                                      const Outputs& outputs) {
  if (frame.x != sheet.X(frame.number) || frame.y != sheet.Y(frame.number))
    return "frame " + std::to_string(frame.number) + " is not where the sheet has it";
  if (frame.objects.size() > static_cast<std::size_t>(kMaxObjects))
    return "frame " + std::to_string(frame.number) + " has more than " + std::to_string(kMaxObjects) + " objects";
  Canvas canvas(s.frameWidth, s.frameHeight);
  for (std::size_t i = 0; i < frame.objects.size(); ++i)
    if (auto fault = DrawObject(frame.objects[i], s, outputs, canvas))
      return "object " + std::to_string(i) + " of frame " + std::to_string(frame.number) + " " + *fault;
  return CompareFrame(frame, canvas, sheet, s, outputs);
}

}  // namespace

std::optional<std::string> CheckSprites(const Picture& sheet, const SpriteSettings& settings,
                                        const SpriteSheet& sprites) {
  if (SettingsProblem(settings) || settings.sizes != sprites.sizes)
    return Fault("the outputs were made with other settings");
  const std::size_t pixels = sheet.indexed ? sheet.indices.size() : sheet.colours.size();
  if (sheet.width <= 0 || sheet.height <= 0 || pixels != sheet.PixelCount() ||
      sheet.width % settings.frameWidth != 0 || sheet.height % settings.frameHeight != 0)
    return Fault("the sheet is not whole frames");
  if (sprites.tiles.size() % kTileBytes != 0 || sprites.tiles.size() > std::size_t{kTableTiles} * kTileBytes ||
      sprites.palette.size() % 32 != 0 || sprites.palette.size() > 256)
    return Fault("the tile data or the palette has a size no table has");
  Outputs outputs;
  for (std::size_t at = 0; at < sprites.tiles.size(); at += kTileBytes)
    outputs.tiles.push_back(DecodeTile(sprites.tiles.data() + at));
  for (std::size_t at = 0; at < sprites.palette.size(); at += 2)
    outputs.words.push_back(static_cast<std::uint16_t>(sprites.palette[at] | sprites.palette[at + 1] << 8));

  const SheetFrames frames(sheet, settings);
  int next = 0;
  for (const SpriteFrame& frame : sprites.frames) {
    if (frame.number < next || frame.number >= frames.Count() || (!settings.dropEmpty && frame.number != next))
      return Fault("frame " + std::to_string(frame.number) + " is out of its place in the tables");
    for (; next < frame.number; ++next)
      if (!frames.Empty(next)) return Fault("frame " + std::to_string(next) + " is missing from the tables");
    if (auto fault = CheckFrame(frame, frames, settings, outputs)) return Fault(*fault);
    ++next;
  }
  for (; next < frames.Count(); ++next)
    if (!settings.dropEmpty || !frames.Empty(next))
      return Fault("frame " + std::to_string(next) + " is missing from the tables");
  return std::nullopt;
}

}  // namespace tilora::sprites
