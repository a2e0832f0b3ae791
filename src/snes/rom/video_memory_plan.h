#pragma once

// Where each output goes in the console's 64 KiB of video memory, within
// the steps the registers address: a background's character base in 8 KiB
// steps, its map in 2 KiB steps, the objects' tiles in 16 KiB steps.

#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

#include "snes/rom/rom_builder.h"

namespace tilora::rom {

// Tiles numbered first to first + count - 1 from the character base.
struct TileRun {
  int first = 0;
  int count = 0;
};

struct VideoMemoryNeeds {
  std::size_t tileSize = 0;    // bytes a background tile; 0 without planar tiles
  std::vector<TileRun> tiles;  // the background's tiles by number
  std::size_t mapBytes = 0;
  bool mode7 = false;          // map and tiles interleaved in the first 32 KiB
  std::size_t objectBytes = 0;  // the objects' tiles, from their base
};

struct VideoMemoryPlan {
  std::uint32_t characterBase = 0;  // bytes
  std::uint32_t mapBase = 0;
  std::uint32_t objectBase = 0;
};

std::variant<VideoMemoryPlan, RomRefusal> PlanVideoMemory(const VideoMemoryNeeds& needs);

}  // namespace tilora::rom
