#include "snes/sprites/sprite_refusals.h"
#include "snes/sprites/sprite_sheet.h"

namespace tilora::sprites {

std::optional<int> SizeSelect(ObjectSizes sizes) {
  // OBJSEL's size select, in its own order.
  static constexpr ObjectSizes kPairs[] = {{8, 16}, {8, 32}, {8, 64}, {16, 32}, {16, 64}, {32, 64}};
  for (int i = 0; i < 6; ++i)
    if (kPairs[i] == sizes) return i;
  return std::nullopt;
}

std::optional<std::string> SettingsProblem(const SpriteSettings& s) {
  if (s.frameWidth < 1 || s.frameWidth > kMaxFrameSide || s.frameHeight < 1 || s.frameHeight > kMaxFrameSide)
    return refusals::FrameSizeOutOfRange(s.frameWidth, s.frameHeight);
  if (!SizeSelect(s.sizes)) return refusals::SizesNotAPair(s.sizes);
  if (s.priority < 0 || s.priority > 3) return refusals::PriorityOutOfRange(s.priority);
  if (s.palettes < 0 || s.palettes > 8) return refusals::PalettesOutOfRange(s.palettes);
  if (s.colours < 2 || s.colours > 16) return refusals::ColoursOutOfRange(s.colours);
  if (s.originX < 0 || s.originX >= s.frameWidth || s.originY < 0 || s.originY >= s.frameHeight)
    return refusals::OriginOutsideFrame(s.originX, s.originY, s.frameWidth, s.frameHeight);
  return std::nullopt;
}

}  // namespace tilora::sprites
