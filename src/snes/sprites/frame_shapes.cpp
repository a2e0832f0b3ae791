#include "snes/sprites/frame_shapes.h"

namespace tilora::sprites {

std::optional<ShapeUse> FrameShapes::Find(const FramePixels& frame) const {
  // No two shapes are flips of each other, so one at most shows the frame.
  const auto [first, last] = byHash_.equal_range(FlipInvariantHash(frame));
  for (auto it = first; it != last; ++it)
    for (const int flips : {0, kFlipH, kFlipV, kFlipH | kFlipV})
      if (IsFlipped(shapes_[static_cast<std::size_t>(it->second)], frame, flips)) return ShapeUse{it->second, flips};
  return std::nullopt;
}

int FrameShapes::Add(FramePixels frame) {
  const int shape = Size();
  byHash_.emplace(FlipInvariantHash(frame), shape);
  shapes_.push_back(std::move(frame));
  return shape;
}

}  // namespace tilora::sprites
