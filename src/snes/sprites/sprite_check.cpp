// The self-check reads the sheet on its own, not through the conversion's
// frame reader, and the outputs through the frame drawing the console
// preview shows, so that a fault of the conversion is not repeated here.

#include <algorithm>

#include "palettes/reduction/colour_difference.h"
#include "snes/sprites/frame_drawing.h"
#include "snes/sprites/sprite_sheet.h"

namespace tilora::sprites {
namespace {

constexpr std::uint16_t kShownTransparent = 0xFFFF;

std::string Fault(const std::string& what) { return what + "."; }

std::string Pixel(std::int64_t x, std::int64_t y) { return std::to_string(x) + "," + std::to_string(y); }

struct Outputs {
  std::vector<TileRows> tiles;
  std::vector<std::uint16_t> words;
};

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

std::optional<std::string> CompareFrame(const SpriteFrame& frame, const DrawnFrame& drawing, const SheetFrames& sheet,
                                        const SpriteSettings& s, const Outputs& outputs) {
  std::vector<std::uint8_t> row(static_cast<std::size_t>(s.frameWidth));
  const auto width = static_cast<std::size_t>(s.frameWidth);
  for (int y = 0; y < s.frameHeight; ++y) {
    const std::uint8_t* shownRow = drawing.pixels.data() + static_cast<std::size_t>(y) * width;
    if (sheet.Indexed() && sheet.SameRow(frame.x, frame.y + y, shownRow, row)) continue;
    for (int x = 0; x < s.frameWidth; ++x) {
      const std::uint8_t drawn = shownRow[x];
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
  const std::string number = std::to_string(frame.number);
  for (std::size_t i = 0; i < frame.objects.size(); ++i)
    if (frame.objects[i].priority != s.priority)
      return "object " + std::to_string(i) + " of frame " + number + " has a tile, sub-palette or priority out of range";
  auto drawn = DrawFrame(outputs.tiles, frame, s.sizes, s.originX, s.originY, s.frameWidth, s.frameHeight);
  if (const DrawFault* fault = std::get_if<DrawFault>(&drawn))
    return "object " + std::to_string(fault->object) + " of frame " + number + " " + fault->what;
  return CompareFrame(frame, std::get<DrawnFrame>(drawn), sheet, s, outputs);
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
  outputs.tiles = DecodeObjectTiles(sprites.tiles);
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
