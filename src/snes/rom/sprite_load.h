#pragma once

// A sprite show: the objects' tiles and colours loaded once, and for each
// frame a command list that rewrites object memory with its objects.

#include <cstdint>
#include <optional>
#include <vector>

#include "snes/rom/command_list.h"
#include "snes/rom/rom_builder.h"
#include "snes/rom/video_memory_plan.h"

namespace tilora::rom {

// The most frames whose command lists' addresses fit the frame table, which
// lies in one bank.
inline constexpr std::size_t kMostSpriteFrames = kBankSize / 3;

std::optional<RomRefusal> CheckSprites(const SpriteShow& show);

// OBJSEL, the tiles and the sub-palettes; alone, the objects layer and the
// backdrop too.
void LoadSprites(const SpriteShow& show, const VideoMemoryPlan& plan, bool alone, CartridgeImage& image,
                 CommandList& list);

// Each frame's command list, placed; their addresses in frame order.
std::vector<std::uint32_t> PlaceSpriteFrames(const SpriteShow& show, CartridgeImage& image);

}  // namespace tilora::rom
