#include "snes/rom/sprite_load.h"

#include "snes/rom/rom_refusals.h"
#include "snes/rom/rom_registers.h"

namespace tilora::rom {
namespace {

constexpr std::size_t kObjects = 128;
constexpr std::size_t kTileBytes = 32;
constexpr std::size_t kTiles = 512;
constexpr int kAnchorX = 128;
constexpr int kAnchorY = 112;
// Unused objects: small, at line 224, below the 224 lines shown; no small
// size reaches past line 255, where they would wrap to the top.
constexpr std::uint8_t kHiddenByte = 0xE0;
constexpr std::uint8_t kFixedSource = 0x08;

std::vector<std::uint8_t> OamTables(const std::vector<SpriteObject>& objects) {
  std::vector<std::uint8_t> bytes(4 * objects.size() + 32, 0);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const SpriteObject& o = objects[i];
    const auto x = static_cast<unsigned>(kAnchorX + o.x) & 0x1FFU;
    const auto tile = static_cast<unsigned>(o.tile);
    bytes[4 * i] = static_cast<std::uint8_t>(x & 0xFF);
    bytes[4 * i + 1] = static_cast<std::uint8_t>(static_cast<unsigned>(kAnchorY + o.y) & 0xFFU);
    bytes[4 * i + 2] = static_cast<std::uint8_t>(tile & 0xFF);
    bytes[4 * i + 3] = static_cast<std::uint8_t>(tile >> 8 | static_cast<unsigned>(o.palette) << 1 |
                                                 static_cast<unsigned>(o.priority) << 4 | (o.hflip ? 0x40U : 0U) |
                                                 (o.vflip ? 0x80U : 0U));
    const unsigned high = x >> 8 | (o.large ? 2U : 0U);
    bytes[4 * objects.size() + i / 4] |= static_cast<std::uint8_t>(high << (2 * (i % 4)));
  }
  return bytes;
}

}  // namespace

std::optional<RomRefusal> CheckSprites(const SpriteShow& show) {
  if (show.tiles.size() % kTileBytes != 0 || show.tiles.size() > kTiles * kTileBytes)
    return refusals::Sizes("sprite tile data", show.tiles.size(), "objects use up to 512 tiles of 32 bytes");
  if (show.palette.size() % 2 != 0 || show.palette.size() > 256)
    return refusals::Sizes("sprite palette", show.palette.size(), "objects use up to 128 colours of 2 bytes");
  if (show.frames.empty()) return RomRefusal{"The sprite show has no frames."};
  if (show.frames.size() > kMostSpriteFrames) return refusals::TooManySpriteFrames(show.frames.size(), kMostSpriteFrames);
  for (std::size_t f = 0; f < show.frames.size(); ++f) {
    const auto& objects = show.frames[f];
    if (objects.size() > kObjects) return refusals::TooManyObjects(f, objects.size());
    for (std::size_t i = 0; i < objects.size(); ++i) {
      const SpriteObject& o = objects[i];
      if (o.tile < 0 || o.tile > 511) return refusals::ObjectField(f, i, "tile", o.tile, 511);
      if (o.palette < 0 || o.palette > 7) return refusals::ObjectField(f, i, "palette", o.palette, 7);
      if (o.priority < 0 || o.priority > 3) return refusals::ObjectField(f, i, "priority", o.priority, 3);
    }
  }
  return std::nullopt;
}

void LoadSprites(const SpriteShow& show, const VideoMemoryPlan& plan, bool alone, CartridgeImage& image,
                 CommandList& list) {
  if (alone) list.Register(reg::kMainScreen, 0x10);
  // The second name table right after the first: 512 tiles in a row.
  list.Register(reg::kObjectSettings,
                static_cast<std::uint8_t>(static_cast<unsigned>(show.sizes) << 5 | plan.objectBase / 0x4000));
  if (!show.tiles.empty()) list.LoadVram(image, plan.objectBase, VramWrite::Words, show.tiles);
  if (!show.palette.empty()) {
    list.LoadCgram(image, 128, show.palette);
    if (alone) list.LoadCgram(image, 0, std::span(show.palette).first(2));
  }
}

std::vector<std::uint32_t> PlaceSpriteFrames(const SpriteShow& show, CartridgeImage& image) {
  const std::uint8_t hidden[] = {kHiddenByte};
  const std::uint32_t hiddenAt = image.PlaceWhole(hidden);
  std::vector<std::uint32_t> lists;
  for (const auto& objects : show.frames) {
    const std::vector<std::uint8_t> tables = OamTables(objects);
    const std::uint32_t at = image.PlaceWhole(tables);
    const auto low = static_cast<std::uint16_t>(4 * objects.size());
    CommandList list;
    list.Register(reg::kOamAddressLow, 0);
    list.Register(reg::kOamAddressHigh, 0);
    if (low > 0) list.Dma(0, reg::kOamData, at, low);
    if (objects.size() < kObjects)
      list.Dma(kFixedSource, reg::kOamData, hiddenAt, static_cast<std::uint16_t>(4 * (kObjects - objects.size())));
    list.Dma(0, reg::kOamData, at + low, 32);
    lists.push_back(image.PlaceWhole(list.Bytes()));
  }
  return lists;
}

}  // namespace tilora::rom
