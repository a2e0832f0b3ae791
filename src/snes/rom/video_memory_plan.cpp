#include "snes/rom/video_memory_plan.h"

#include <algorithm>
#include <bitset>
#include <optional>

#include "snes/rom/rom_refusals.h"

namespace tilora::rom {
namespace {

constexpr std::size_t kVram = 0x10000;
constexpr std::size_t kCharacterStep = 0x2000;
constexpr std::size_t kMapStep = 0x800;
constexpr std::size_t kObjectStep = 0x4000;
constexpr std::size_t kMode7Bytes = 0x8000;
constexpr std::size_t kUnit = 16;  // the smallest tile; every block is made of these

using Occupied = std::bitset<kVram / kUnit>;

// Marks [start, start + length) taken, wrapping at 64 KiB as addresses do;
// false when any of it already was.
bool Take(Occupied& used, std::size_t start, std::size_t length) {
  for (std::size_t at = start; at < start + length; at += kUnit) {
    const std::size_t unit = at % kVram / kUnit;
    if (used[unit]) return false;
    used[unit] = true;
  }
  return true;
}

// The first multiple of step where length bytes are free, without wrapping.
std::optional<std::size_t> FirstFree(const Occupied& used, std::size_t length, std::size_t step) {
  for (std::size_t start = 0; start + length <= kVram; start += step) {
    bool free = true;
    for (std::size_t at = start; at < start + length && free; at += kUnit) free = !used[at / kUnit];
    if (free) return start;
  }
  return std::nullopt;
}

std::size_t Needed(const VideoMemoryNeeds& needs) {
  std::size_t total = needs.mapBytes + needs.objectBytes + (needs.mode7 ? kMode7Bytes : 0);
  for (const TileRun& run : needs.tiles) total += static_cast<std::size_t>(run.count) * needs.tileSize;
  return total;
}

std::optional<VideoMemoryPlan> PlanFrom(const VideoMemoryNeeds& needs, std::size_t characterBase) {
  Occupied used;
  if (needs.mode7) Take(used, 0, kMode7Bytes);
  for (const TileRun& run : needs.tiles)
    if (!Take(used, characterBase + static_cast<std::size_t>(run.first) * needs.tileSize,
              static_cast<std::size_t>(run.count) * needs.tileSize))
      return std::nullopt;
  VideoMemoryPlan plan{static_cast<std::uint32_t>(characterBase), 0, 0};
  if (needs.mapBytes > 0) {
    const auto map = FirstFree(used, needs.mapBytes, kMapStep);
    if (!map) return std::nullopt;
    Take(used, *map, needs.mapBytes);
    plan.mapBase = static_cast<std::uint32_t>(*map);
  }
  if (needs.objectBytes > 0) {
    const auto objects = FirstFree(used, needs.objectBytes, kObjectStep);
    if (!objects) return std::nullopt;
    plan.objectBase = static_cast<std::uint32_t>(*objects);
  }
  return plan;
}

}  // namespace

std::variant<VideoMemoryPlan, RomRefusal> PlanVideoMemory(const VideoMemoryNeeds& needs) {
  const std::size_t needed = Needed(needs);
  if (needed > kVram) return refusals::VideoMemory(needed);
  // Tile numbers are fixed by the map; moving the character base moves
  // the tiles as a whole, which may open room for the map and objects.
  for (std::size_t base = 0; base < kVram; base += kCharacterStep) {
    if (auto plan = PlanFrom(needs, base)) return *plan;
    if (needs.tiles.empty()) break;
  }
  return refusals::VideoMemoryArrangement(needed);
}

}  // namespace tilora::rom
