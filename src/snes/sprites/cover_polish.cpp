#include <algorithm>

#include "snes/sprites/frame_cover.h"

namespace tilora::sprites {
namespace {

// The pixels an object draws lie within x0..x1, y0..y1.
struct Box {
  int x0 = 0;
  int y0 = 0;
  int x1 = -1;
  int y1 = -1;

  int Width() const { return x1 - x0 + 1; }
  int Height() const { return y1 - y0 + 1; }
  Box With(const Box& o) const {
    return {std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
  }
};

std::vector<Box> BoxesOf(const FramePixels& frame, const Covering& covering) {
  std::vector<Box> boxes(covering.objects.size(), Box{frame.width, frame.height, -1, -1});
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      const std::uint16_t o = covering.owner[static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) +
                                             static_cast<std::size_t>(x)];
      if (o == kNoOwner) continue;
      Box& b = boxes[o];
      b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
    }
  return boxes;
}

// The smaller size that holds a box, or 0 when neither does.
int SizeFor(const Box& box, ObjectSizes sizes) {
  const int side = std::max(box.Width(), box.Height());
  return side <= sizes.small ? sizes.small : side <= sizes.large ? sizes.large : 0;
}

bool ColoursFit(const FramePixels& frame, const Covering& covering, const Box& box, std::uint16_t a,
                std::uint16_t b, int limit) {
  FramePixel seen[16];
  int n = 0;
  for (int y = box.y0; y <= box.y1; ++y)
    for (int x = box.x0; x <= box.x1; ++x) {
      const std::size_t at =
          static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) + static_cast<std::size_t>(x);
      if (covering.owner[at] != a && covering.owner[at] != b) continue;
      if (std::find(seen, seen + n, frame.pixels[at]) != seen + n) continue;
      if (n == limit) return false;
      seen[n++] = frame.pixels[at];
    }
  return true;
}

void Relabel(const FramePixels& frame, Covering& covering, const Box& box, std::uint16_t from, std::uint16_t to) {
  for (int y = box.y0; y <= box.y1; ++y)
    for (int x = box.x0; x <= box.x1; ++x) {
      std::uint16_t& o = covering.owner[static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) +
                                        static_cast<std::size_t>(x)];
      if (o == from) o = to;
    }
}

}  // namespace

void PolishCovering(const FramePixels& frame, const CoverRules& rules, Covering& covering) {
  std::vector<Box> boxes = BoxesOf(frame, covering);
  const std::size_t n = covering.objects.size();
  std::vector<bool> gone(n, false);
  // A search cut short may leave two objects where one would do.
  for (bool merged = true; merged;) {
    merged = false;
    for (std::size_t i = 0; i < n; ++i) {
      for (std::size_t j = i + 1; j < n && !gone[i]; ++j) {
        if (gone[j] || covering.objects[i].cls != covering.objects[j].cls) continue;
        const Box both = boxes[i].With(boxes[j]);
        if (SizeFor(both, rules.sizes) == 0) continue;
        const auto a = static_cast<std::uint16_t>(i);
        const auto b = static_cast<std::uint16_t>(j);
        if (rules.colourLimit > 0 && !ColoursFit(frame, covering, both, a, b, rules.colourLimit)) continue;
        Relabel(frame, covering, boxes[j], b, a);
        boxes[i] = both;
        gone[j] = true;
        merged = true;
      }
    }
  }
  // Centred on what they draw, objects of a piece drawn again elsewhere, or
  // mirrored, come out alike.
  std::vector<std::uint16_t> renumbered(n, kNoOwner);
  std::vector<Placement> kept;
  for (std::size_t i = 0; i < n; ++i) {
    if (gone[i]) continue;
    Placement p = covering.objects[i];
    const Box& box = boxes[i];
    p.size = SizeFor(box, rules.sizes);
    p.x = box.x0 - (p.size - box.Width()) / 2;
    p.y = box.y0 - (p.size - box.Height()) / 2;
    renumbered[i] = static_cast<std::uint16_t>(kept.size());
    kept.push_back(p);
  }
  for (std::uint16_t& o : covering.owner)
    if (o != kNoOwner) o = renumbered[o];
  covering.objects = std::move(kept);
}

}  // namespace tilora::sprites
