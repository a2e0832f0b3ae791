#pragma once

// A background's outputs made ready for BG1: checked against what the
// console can show, its map laid out as the console reads it, then loaded
// where the video memory plan puts it.

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "snes/rom/command_list.h"
#include "snes/rom/rom_builder.h"
#include "snes/rom/video_memory_plan.h"

namespace tilora::rom {

struct PreparedBackground {
  const Background* source = nullptr;
  int tileCount = 0;
  // Planar: the map in the console's layout of 1, 2 or 4 screens.
  std::vector<std::uint8_t> map;
  int screensAcross = 1;
  int screensDown = 1;
  // All-colour-0 tiles for the cells beyond the picture, where they must be
  // added: their numbers (one, or up to four of a 16 x 16 block).
  std::vector<int> addedBlanks;
};

std::variant<PreparedBackground, RomRefusal> PrepareBackground(const Background& background, bool withSprites);

void AddNeeds(const PreparedBackground& background, VideoMemoryNeeds& needs);

// Registers, video memory and colour memory for the background; whether
// objects are shown beside it.
void LoadBackground(const PreparedBackground& background, const VideoMemoryPlan& plan, bool objects,
                    CartridgeImage& image, CommandList& list);

}  // namespace tilora::rom
