#pragma once

// The distinct frames of a sheet: a frame drawn again, or mirrored, is the
// same shape, covered once.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "snes/sprites/frame_pixels.h"

namespace tilora::sprites {

struct ShapeUse {
  int shape = 0;
  int flips = 0;  // the frame is the shape flipped so
};

class FrameShapes {
 public:
  // The shape the frame is: one that shows it as it is, or else flipped
  // horizontally, vertically, both; nothing when it is new.
  std::optional<ShapeUse> Find(const FramePixels& frame) const;
  int Add(FramePixels frame);

  int Size() const { return static_cast<int>(shapes_.size()); }
  // The shapes, numbered as Add numbered them.
  std::vector<FramePixels> Take() && { return std::move(shapes_); }

 private:
  std::unordered_multimap<std::uint64_t, int> byHash_;
  std::vector<FramePixels> shapes_;
};

}  // namespace tilora::sprites
