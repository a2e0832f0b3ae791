#include "snes/rom/rom_builder.h"

#include <algorithm>

#include "snes/rom/background_load.h"
#include "snes/rom/cartridge_image.h"
#include "snes/rom/command_list.h"
#include "snes/rom/rom_program.h"
#include "snes/rom/rom_refusals.h"
#include "snes/rom/sprite_load.h"
#include "snes/rom/video_memory_plan.h"

namespace tilora::rom {
namespace {

constexpr int kScreenWidth = 256;
constexpr int kScreenHeight = 224;

struct TableWriter {
  std::vector<std::uint8_t> bytes;
  void Word(std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
  }
  void Long(std::uint32_t value) {
    Word(value);
    bytes.push_back(static_cast<std::uint8_t>(value >> 16 & 0xFF));
  }
};

std::uint16_t ProgramWord(std::size_t at) {
  const auto program = RomProgram();
  return static_cast<std::uint16_t>(program[at] | program[at + 1] << 8);
}

// The pixels the background covers one way: mode 7's plane, or its map.
int Extent(const Background& b, bool across) {
  if (b.mode7) return 1024;
  if (b.mapShape) return b.mapShape->tileSize * (across ? b.mapShape->columns : b.mapShape->rows);
  return across ? b.width : b.height;
}

// Scrolled no further than the picture's edge, within what the background
// holds.
int ScrollLimit(int size, int extent, int screen) { return std::max(0, std::min(size, extent) - screen); }

// What the program reads first: the list to run, how the d-pad scrolls,
// and the sprite frames.
std::vector<std::uint8_t> Table(std::uint32_t init, const Background* background, const std::vector<std::uint32_t>& frameLists,
                                std::uint32_t frameTable) {
  TableWriter t;
  t.Long(init);
  const int maxX = background ? ScrollLimit(background->width, Extent(*background, true), kScreenWidth) : 0;
  const int maxY = background ? ScrollLimit(background->height, Extent(*background, false), kScreenHeight) : 0;
  t.Word(static_cast<std::uint32_t>(maxX));
  t.Word(static_cast<std::uint32_t>(maxY));
  t.Word(kScrollStep);
  // The vertical scroll register holds 10 bits, mode 7's 13.
  t.Word(background && background->mode7 ? 0x1FFF : 0x3FF);
  t.Word(static_cast<std::uint32_t>(frameLists.size()));
  t.Word(kFramesPerSpriteFrame);
  t.Long(frameTable);
  t.Word(2 * kFramesPerSpriteFrame);
  return t.bytes;
}

std::vector<std::uint8_t> FrameTable(const std::vector<std::uint32_t>& lists) {
  TableWriter t;
  for (const std::uint32_t list : lists) t.Long(list);
  return t.bytes;
}

}  // namespace

RomResult BuildRom(const RomContents& contents) {
  if (!contents.background && !contents.sprites) return RomRefusal{"There is nothing to show: no background and no sprites."};
  std::optional<PreparedBackground> background;
  if (contents.background) {
    auto prepared = PrepareBackground(*contents.background, contents.sprites.has_value());
    if (auto* refusal = std::get_if<RomRefusal>(&prepared)) return *refusal;
    background = std::move(std::get<PreparedBackground>(prepared));
  }
  if (contents.sprites)
    if (auto refusal = CheckSprites(*contents.sprites)) return *refusal;

  VideoMemoryNeeds needs;
  if (background) AddNeeds(*background, needs);
  if (contents.sprites) needs.objectBytes = contents.sprites->tiles.size();
  const auto planned = PlanVideoMemory(needs);
  if (const auto* refusal = std::get_if<RomRefusal>(&planned)) return *refusal;
  const VideoMemoryPlan& plan = std::get<VideoMemoryPlan>(planned);

  CartridgeImage image(RomProgram(), kTableSize);
  CommandList init;
  if (background) LoadBackground(*background, plan, contents.sprites.has_value(), image, init);
  if (contents.sprites) LoadSprites(*contents.sprites, plan, !background, image, init);
  const std::uint32_t initAt = image.PlaceWhole(init.Bytes());
  std::vector<std::uint32_t> frameLists;
  std::uint32_t frameTable = 0;
  if (contents.sprites) {
    frameLists = PlaceSpriteFrames(*contents.sprites, image);
    frameTable = image.PlaceWhole(FrameTable(frameLists));
  }
  if (image.Used() > kLargestCartridge) return refusals::CartridgeTooLarge(image.Used());
  image.WriteTable(Table(initAt, contents.background ? &*contents.background : nullptr, frameLists, frameTable));
  return image.Finish(contents.title, ProgramWord(0), ProgramWord(2), ProgramWord(4));
}

}  // namespace tilora::rom
