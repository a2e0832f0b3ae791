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

  bool Empty() const { return x1 < x0; }
  int Width() const { return x1 - x0 + 1; }
  int Height() const { return y1 - y0 + 1; }
  Box With(const Box& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return {std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
  }
  Box With(int x, int y) const { return With(Box{x, y, x, y}); }
};

bool Holds(const Placement& p, int x, int y) { return x >= p.x && x < p.x + p.size && y >= p.y && y < p.y + p.size; }

// The smaller size that holds a box, or 0 when neither does.
int SizeFor(const Box& box, ObjectSizes sizes) {
  const int side = std::max(box.Width(), box.Height());
  return side <= sizes.small ? sizes.small : side <= sizes.large ? sizes.large : 0;
}

class Polish {
 public:
  Polish(const FramePixels& frame, const CoverRules& rules, Covering& covering)
      : frame_(frame), rules_(rules), covering_(covering), n_(covering.objects.size()), gone_(n_, false) {
    boxes_.resize(n_);
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x)
        if (const std::uint16_t o = Owner(x, y); o != kNoOwner) boxes_[o] = boxes_[o].With(x, y);
  }

  // A search cut short may leave two objects where one would do.
  void Merge() {
    for (bool merged = true; merged;) {
      merged = false;
      for (std::size_t i = 0; i < n_; ++i)
        for (std::size_t j = i + 1; j < n_ && !gone_[i]; ++j) {
          if (gone_[j] || Object(i).cls != Object(j).cls) continue;
          const Box both = boxes_[i].With(boxes_[j]);
          const int size = SizeFor(both, rules_.sizes);
          if (size == 0 || !ColoursFit(both, i, j)) continue;
          Relabel(boxes_[j], j, i);
          boxes_[i] = both;
          Object(i) = {both.x0, both.y0, size, Object(i).cls};
          gone_[j] = true;
          merged = true;
        }
    }
  }

  // Pixels that another object over them can draw go to it, where that
  // leaves an object with nothing to draw (it goes) or a large one with
  // what a small one holds (it shrinks): fewer objects, fewer tiles.
  void HandOver() {
    for (std::size_t i = 0; i < n_; ++i) {
      if (gone_[i]) continue;
      Box own;
      for (int y = boxes_[i].y0; y <= boxes_[i].y1; ++y)
        for (int x = boxes_[i].x0; x <= boxes_[i].x1; ++x)
          if (Owner(x, y) == i && Taker(x, y, i) < 0) own = own.With(x, y);
      const bool leaves = own.Empty();
      if (!leaves && (Object(i).size == rules_.sizes.small || SizeFor(own, rules_.sizes) != rules_.sizes.small))
        continue;
      std::vector<std::pair<std::size_t, std::size_t>> moves;  // pixel, taker
      bool fits = true;
      for (int y = boxes_[i].y0; y <= boxes_[i].y1 && fits; ++y)
        for (int x = boxes_[i].x0; x <= boxes_[i].x1 && fits; ++x) {
          if (Owner(x, y) != i || (!own.Empty() && x >= own.x0 && x <= own.x1 && y >= own.y0 && y <= own.y1))
            continue;
          const int taker = Taker(x, y, i);
          fits = taker >= 0;
          if (fits) moves.emplace_back(Index(x, y), static_cast<std::size_t>(taker));
        }
      if (!fits || !ColoursFitAfter(moves)) continue;
      for (const auto& [at, taker] : moves) {
        covering_.owner[at] = static_cast<std::uint16_t>(taker);
        const int x = static_cast<int>(at % static_cast<std::size_t>(frame_.width));
        const int y = static_cast<int>(at / static_cast<std::size_t>(frame_.width));
        boxes_[taker] = boxes_[taker].With(x, y);
      }
      gone_[i] = leaves;
      if (!leaves) {
        boxes_[i] = own;
        Object(i) = {own.x0, own.y0, rules_.sizes.small, Object(i).cls};
      }
    }
  }

  // Centred on what they draw, objects of a piece drawn again elsewhere, or
  // mirrored, come out alike.
  void Finish() {
    std::vector<std::uint16_t> renumbered(n_, kNoOwner);
    std::vector<Placement> kept;
    for (std::size_t i = 0; i < n_; ++i) {
      if (gone_[i]) continue;
      Placement p = Object(i);
      const Box& box = boxes_[i];
      p.size = SizeFor(box, rules_.sizes);
      p.x = box.x0 - (p.size - box.Width()) / 2;
      p.y = box.y0 - (p.size - box.Height()) / 2;
      renumbered[i] = static_cast<std::uint16_t>(kept.size());
      kept.push_back(p);
    }
    for (std::uint16_t& o : covering_.owner)
      if (o != kNoOwner) o = renumbered[o];
    covering_.objects = std::move(kept);
  }

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(frame_.width) + static_cast<std::size_t>(x);
  }
  std::uint16_t Owner(int x, int y) const { return covering_.owner[Index(x, y)]; }
  Placement& Object(std::size_t i) { return covering_.objects[i]; }

  // Another object of the same class that lies over (x, y), or -1.
  int Taker(int x, int y, std::size_t from) const {
    for (std::size_t j = 0; j < n_; ++j)
      if (j != from && !gone_[j] && covering_.objects[j].cls == covering_.objects[from].cls &&
          Holds(covering_.objects[j], x, y))
        return static_cast<int>(j);
    return -1;
  }

  void Relabel(const Box& box, std::size_t from, std::size_t to) {
    for (int y = box.y0; y <= box.y1; ++y)
      for (int x = box.x0; x <= box.x1; ++x)
        if (Owner(x, y) == from) covering_.owner[Index(x, y)] = static_cast<std::uint16_t>(to);
  }

  std::vector<FramePixel> ColoursOf(std::size_t object) const {
    std::vector<FramePixel> colours;
    const Box& box = boxes_[object];
    for (int y = box.y0; y <= box.y1; ++y)
      for (int x = box.x0; x <= box.x1; ++x)
        if (Owner(x, y) == object) colours.push_back(frame_.pixels[Index(x, y)]);
    return colours;
  }

  bool Distinct(std::vector<FramePixel> colours) const {
    std::sort(colours.begin(), colours.end());
    return std::unique(colours.begin(), colours.end()) - colours.begin() <= rules_.colourLimit;
  }

  bool ColoursFit(const Box&, std::size_t a, std::size_t b) const {
    if (rules_.colourLimit == 0) return true;
    std::vector<FramePixel> colours = ColoursOf(a);
    const std::vector<FramePixel> more = ColoursOf(b);
    colours.insert(colours.end(), more.begin(), more.end());
    return Distinct(std::move(colours));
  }

  bool ColoursFitAfter(const std::vector<std::pair<std::size_t, std::size_t>>& moves) const {
    if (rules_.colourLimit == 0) return true;
    std::vector<std::size_t> takers;
    for (const auto& move : moves) takers.push_back(move.second);
    std::sort(takers.begin(), takers.end());
    takers.erase(std::unique(takers.begin(), takers.end()), takers.end());
    for (const std::size_t taker : takers) {
      std::vector<FramePixel> colours = ColoursOf(taker);
      for (const auto& [at, to] : moves)
        if (to == taker) colours.push_back(frame_.pixels[at]);
      if (!Distinct(std::move(colours))) return false;
    }
    return true;
  }

  const FramePixels& frame_;
  const CoverRules& rules_;
  Covering& covering_;
  std::size_t n_;
  std::vector<bool> gone_;
  std::vector<Box> boxes_;
};

}  // namespace

void PolishCovering(const FramePixels& frame, const CoverRules& rules, Covering& covering) {
  Polish polish(frame, rules, covering);
  polish.Merge();
  polish.HandOver();
  polish.Finish();
}

}  // namespace tilora::sprites
