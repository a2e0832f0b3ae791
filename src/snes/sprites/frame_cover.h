#pragma once

// Which objects draw a frame. Every opaque pixel is drawn by exactly one
// object; objects may overlap where one of them is transparent, stand out
// past the frame (those pixels are transparent) and sit anywhere, not only
// on the frame's 8-pixel grid.

#include <cstdint>
#include <optional>
#include <vector>

#include "snes/sprites/frame_pixels.h"

namespace tilora::sprites {

struct Placement {
  int x = 0;  // top-left pixel in the frame
  int y = 0;
  int size = 0;  // pixels a side
  int cls = 0;   // ClassOf every pixel it draws
  bool operator==(const Placement&) const = default;
};

inline constexpr std::uint16_t kNoOwner = 0xFFFF;

struct Covering {
  std::vector<Placement> objects;
  // Per pixel, rows top first: the index of the object that draws it, or
  // kNoOwner where the frame is transparent.
  std::vector<std::uint16_t> owner;
  bool proven = true;  // no search ran out of steps, so no covering has fewer objects
};

struct CoverRules {
  ObjectSizes sizes;
  int colourLimit = 0;  // the most distinct colours one object may draw; 0: any number
  std::uint64_t steps = kDefaultSearchSteps;  // per class of pixels
};

// The fewest objects the search finds. Pixels of each class are covered on
// their own: an exact branch and bound over the objects that can draw the
// first pixel not yet drawn (in reading order), pruned by a bound from
// pixels no one object can reach together, until its steps run out; then
// objects are merged where one can draw what two did, large ones that need
// not be are made small, and each object is centred on what it draws.
// Under a colour limit an object may be made to draw less, down to the one
// pixel it is placed for. Nothing when no covering of at most kMaxObjects
// objects was found.
std::optional<Covering> CoverFrame(const FramePixels& frame, const CoverRules& rules);

// One 8 x 8 object per class in each cell of the frame's own grid that has
// opaque pixels: the plain covering the search is measured against.
int GridCoverCount(const FramePixels& frame);

// Merges, shrinks and centres the objects of a covering as CoverFrame does.
void PolishCovering(const FramePixels& frame, const CoverRules& rules, Covering& covering);

}  // namespace tilora::sprites
