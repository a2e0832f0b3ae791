#include <algorithm>
#include <bit>
#include <deque>
#include <limits>

#include "snes/sprites/bit_rows.h"
#include "snes/sprites/frame_cover.h"

namespace tilora::sprites {
namespace {

// How much a candidate's pixels split off from it weigh against the pixels
// it draws when choosing which to try first: objects that end where the
// art has gaps leave fewer fragments for others (found by trial on frames
// of known objects and on characters).
constexpr int kCutWeight = 8;

// Steps allowed before a first covering is found, in budgets: a covering
// of at most 128 objects is worth more work than a better one.
constexpr std::uint64_t kStepsForAFirst = 8;

// An object that could draw the first undrawn pixel, and the undrawn pixels
// it would draw from that pixel's row down.
struct Candidate {
  int x = 0;
  int y = 0;
  int size = 0;
  int count = 0;
  int cut = 0;  // undrawn pixels just outside its sides, which it splits off
  int order = 0;
  std::size_t at = 0;  // its first row in the scratch rows
  int rows = 0;
};

// Branch and bound over the pixels of one class. Whatever covering is best
// has an object over the first undrawn pixel p; of the objects over p, one
// whose top row is p's draws all any other draws below p (the rows above
// are drawn already), so only those are tried, and of them only the ones
// whose pixels are not all drawn by another tried too.
class ClassSearch {
 public:
  ClassSearch(const FramePixels& frame, int cls, const CoverRules& rules, std::size_t most)
      : frame_(frame),
        most_(most),
        small_(rules.sizes.small),
        large_(rules.sizes.large),
        colourLimit_(rules.colourLimit),
        budget_(rules.steps),
        undrawn_(static_cast<std::size_t>(frame.height)),
        blocked_(static_cast<std::size_t>(frame.height)) {
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x) {
        const FramePixel p = frame.At(x, y);
        if (p != 0 && ClassOf(p) == cls) SetBits(undrawn_[static_cast<std::size_t>(y)], x, 1);
      }
  }

  // False when no covering of at most `most` objects was found.
  bool Run() {
    int px = 0;
    int py = 0;
    if (!FirstUndrawn(0, px, py)) return true;
    rootBound_ = Bound(py, std::numeric_limits<int>::max());
    Search(0, py);
    return found_;
  }

  const std::vector<Placement>& Best() const { return best_; }
  // No covering has fewer objects: the best meets the bound, or the search
  // ended without a colour limit (under one it leaves out objects that
  // draw less than others of their size, which might have fit).
  bool Proven() const {
    return static_cast<int>(best_.size()) <= rootBound_ || (!exhausted_ && colourLimit_ == 0);
  }

 private:
  bool FirstUndrawn(int fromRow, int& x, int& y) const {
    for (int r = fromRow; r < frame_.height; ++r) {
      const BitRow& row = undrawn_[static_cast<std::size_t>(r)];
      for (std::size_t w = 1; w < kRowWords - 1; ++w)
        if (row.w[w] != 0) {
          x = static_cast<int>(64 * w) + std::countr_zero(row.w[w]) - kRowPad;
          y = r;
          return true;
        }
    }
    return false;
  }

  // Fewest objects first, then fewest large ones.
  void Search(std::size_t depth, int fromRow) {
    int px = 0;
    int py = 0;
    if (!FirstUndrawn(fromRow, px, py)) {
      if (!found_ || path_.size() < best_.size() || (path_.size() == best_.size() && largeOnPath_ < bestLarge_)) {
        best_ = path_;
        bestLarge_ = largeOnPath_;
        found_ = true;
        done_ = static_cast<int>(best_.size()) <= rootBound_ && bestLarge_ == 0;
      }
      return;
    }
    // Better than the best found means fewer objects, or as many with
    // fewer large ones; before any is found, at most `most`.
    const std::size_t ceiling = found_ ? best_.size() : most_ + 1;
    const bool asManyWillDo = found_ && largeOnPath_ < bestLarge_;
    if (depth + 1 > ceiling || (depth + 1 == ceiling && !asManyWillDo)) return;
    if (steps_ > (found_ ? budget_ : kStepsForAFirst * budget_)) {
      exhausted_ = true;
      return;
    }
    const int room = static_cast<int>(ceiling - depth);
    const int bound = Bound(py, room + 1);
    if (bound > room || (bound == room && !asManyWillDo)) return;
    if (levels_.size() <= depth) levels_.emplace_back();
    std::vector<Candidate>& kept = levels_[depth];
    Candidates(px, py, kept);
    for (const Candidate& c : kept) {
      const int large = c.size == large_ ? 1 : 0;
      Apply(c, py);
      path_.push_back({c.x, c.y, c.size, 0});
      largeOnPath_ += large;
      Search(depth + 1, py);
      largeOnPath_ -= large;
      path_.pop_back();
      Undo(c, py);
      if (done_ || exhausted_) return;
    }
  }

  void Evaluate(int x, int y, int size, int py) {
    Candidate c;
    c.x = x;
    c.y = y;
    c.size = size;
    c.order = static_cast<int>(all_.size());
    c.at = scratch_.size();
    c.rows = std::min(y + size, frame_.height) - py;
    for (int i = 0; i < c.rows; ++i) {
      const std::uint64_t m = Bits(undrawn_[static_cast<std::size_t>(py + i)], x, size);
      scratch_.push_back(m);
      c.count += std::popcount(m);
    }
    steps_ += static_cast<std::uint64_t>(c.rows);
    all_.push_back(c);
  }

  // Whether every pixel a would draw, k would draw too.
  bool Within(const Candidate& a, const Candidate& k) {
    const int shift = k.x - a.x;
    const int lo = std::max(0, shift);
    const int hi = std::min(a.size, shift + k.size);
    const std::uint64_t inside = lo < hi ? LowBits(hi) & ~LowBits(lo) : 0;
    steps_ += static_cast<std::uint64_t>(a.rows);
    for (int i = 0; i < a.rows; ++i) {
      const std::uint64_t m = scratch_[a.at + static_cast<std::size_t>(i)];
      if (m == 0) continue;
      if (i >= k.rows || (m & ~inside) != 0) return false;
    }
    return true;
  }

  bool ColoursFit(const Candidate& c, int py) {
    steps_ += static_cast<std::uint64_t>(c.rows);
    FramePixel seen[16];
    int n = 0;
    for (int i = 0; i < c.rows; ++i)
      for (std::uint64_t m = scratch_[c.at + static_cast<std::size_t>(i)]; m != 0; m &= m - 1) {
        const FramePixel p = frame_.At(c.x + std::countr_zero(m), py + i);
        if (std::find(seen, seen + n, p) != seen + n) continue;
        if (n == colourLimit_) return false;
        seen[n++] = p;
      }
    return true;
  }

  // Objects of one size over pixel (px, py) reaching `reach` rows above
  // it. All have the same rows, so which columns hold undrawn pixels in
  // them tells which draw all another does: of those whose left column
  // holds some, each draws all the nearest such one to its left does when
  // no column between that one's right end and its own holds any.
  void Windows(int px, int py, int size, int reach, bool every) {
    const int left = px - size + 1;
    const int end = std::min(py - reach + size, frame_.height);
    std::uint64_t lo = 0;
    std::uint64_t hi = 0;
    for (int r = py; r < end; ++r) {
      const BitRow& row = undrawn_[static_cast<std::size_t>(r)];
      lo |= Bits(row, left, 64);
      if (size > 32) hi |= Bits(row, left + 64, 63);
    }
    steps_ += static_cast<std::uint64_t>(end - py);
    const auto held = [&](int j) { return ((j < 64 ? lo >> j : hi >> (j - 64)) & 1u) != 0; };
    const auto anyIn = [&](int from, int to) {
      for (int j = from; j < to; ++j)
        if (held(j)) return true;
      return false;
    };
    int previous = -1;
    for (int i = 0; i < size; ++i) {
      if (every) {
        Evaluate(left + i, py - reach, size, py);
        continue;
      }
      if (!held(i)) continue;
      if (previous < 0 || anyIn(previous + size, i + size)) Evaluate(left + i, py - reach, size, py);
      previous = i;
    }
  }

  // The objects worth trying over pixel (px, py), the most pixels first.
  void Candidates(int px, int py, std::vector<Candidate>& kept) {
    kept.clear();
    // A colour limit may refuse every object that draws the most; then
    // those drawing less, and those reaching above p, which draw less too,
    // down to the one that draws p alone.
    for (int pass = 0; pass < (colourLimit_ > 0 ? 2 : 1) && kept.empty(); ++pass) {
      for (int reach = 0; reach < (pass == 0 ? 1 : large_) && kept.empty(); ++reach) {
        all_.clear();
        scratch_.clear();
        for (const int size : {small_, large_})
          if (reach < size) Windows(px, py, size, reach, pass > 0);
        std::sort(all_.begin(), all_.end(), [](const Candidate& a, const Candidate& b) {
          if (a.count != b.count) return a.count > b.count;
          if (a.size != b.size) return a.size < b.size;
          return a.order < b.order;
        });
        for (const Candidate& a : all_) {
          if (std::any_of(kept.begin(), kept.end(), [&](const Candidate& k) { return Within(a, k); })) continue;
          if (colourLimit_ > 0 && !ColoursFit(a, py)) continue;
          kept.push_back(a);
        }
      }
    }
    for (Candidate& c : kept) c.cut = Cut(c, py);
    std::stable_sort(kept.begin(), kept.end(), [](const Candidate& a, const Candidate& b) {
      return a.count - kCutWeight * a.cut > b.count - kCutWeight * b.cut;
    });
  }

  int Cut(const Candidate& c, int py) {
    const int end = std::min(c.y + c.size, frame_.height);
    int cut = 0;
    for (int r = py; r < end; ++r) {
      const BitRow& row = undrawn_[static_cast<std::size_t>(r)];
      cut += static_cast<int>(Bits(row, c.x - 1, 1) + Bits(row, c.x + c.size, 1));
    }
    if (end < frame_.height) cut += std::popcount(Bits(undrawn_[static_cast<std::size_t>(end)], c.x, c.size));
    steps_ += static_cast<std::uint64_t>(end - py);
    return cut;
  }

  // Pixels from row py on of which no two fit one large object: each needs
  // an object of its own, so at least this many are needed. Counting stops
  // at stopAt.
  int Bound(int py, int stopAt) {
    for (int r = py; r < frame_.height; ++r) blocked_[static_cast<std::size_t>(r)] = {};
    int n = 0;
    for (int r = py; r < frame_.height; ++r) {
      const BitRow& row = undrawn_[static_cast<std::size_t>(r)];
      BitRow& block = blocked_[static_cast<std::size_t>(r)];
      ++steps_;
      for (std::size_t w = 1; w < kRowWords - 1; ++w)
        for (std::uint64_t free = row.w[w] & ~block.w[w]; free != 0; free = row.w[w] & ~block.w[w]) {
          if (++n >= stopAt) return n;
          const int x = static_cast<int>(64 * w) + std::countr_zero(free) - kRowPad;
          const int end = std::min(r + large_, frame_.height);
          for (int rr = r; rr < end; ++rr) {
            SetBits(blocked_[static_cast<std::size_t>(rr)], x - large_ + 1, LowBits(large_));
            SetBits(blocked_[static_cast<std::size_t>(rr)], x, LowBits(large_));
          }
          steps_ += static_cast<std::uint64_t>(end - r);
        }
    }
    return n;
  }

  void Apply(const Candidate& c, int py) {
    const int end = std::min(c.y + c.size, frame_.height);
    for (int r = py; r < end; ++r) {
      BitRow& row = undrawn_[static_cast<std::size_t>(r)];
      const std::uint64_t m = Bits(row, c.x, c.size);
      applied_.push_back(m);
      ClearBits(row, c.x, m);
    }
  }

  void Undo(const Candidate& c, int py) {
    const int end = std::min(c.y + c.size, frame_.height);
    for (int r = end - 1; r >= py; --r) {
      SetBits(undrawn_[static_cast<std::size_t>(r)], c.x, applied_.back());
      applied_.pop_back();
    }
  }

  const FramePixels& frame_;
  std::size_t most_;
  int small_;
  int large_;
  int colourLimit_;
  std::uint64_t budget_;
  std::uint64_t steps_ = 0;
  bool exhausted_ = false;
  bool found_ = false;
  bool done_ = false;  // nothing can be better than the best found
  int rootBound_ = 0;
  int bestLarge_ = 0;
  int largeOnPath_ = 0;
  std::vector<BitRow> undrawn_;
  std::vector<BitRow> blocked_;
  std::vector<Candidate> all_;
  std::vector<std::uint64_t> scratch_;
  std::vector<std::uint64_t> applied_;
  std::deque<std::vector<Candidate>> levels_;  // kept candidates by depth; a deque keeps them in place
  std::vector<Placement> path_;
  std::vector<Placement> best_;
};

// Each object draws the pixels of its class within it that no object
// before it draws.
void ClaimPixels(const FramePixels& frame, Covering& covering, std::size_t first) {
  for (std::size_t i = first; i < covering.objects.size(); ++i) {
    const Placement& o = covering.objects[i];
    for (int y = std::max(o.y, 0); y < std::min(o.y + o.size, frame.height); ++y)
      for (int x = std::max(o.x, 0); x < std::min(o.x + o.size, frame.width); ++x) {
        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) +
                               static_cast<std::size_t>(x);
        const FramePixel p = frame.pixels[at];
        if (p != 0 && ClassOf(p) == o.cls && covering.owner[at] == kNoOwner)
          covering.owner[at] = static_cast<std::uint16_t>(i);
      }
  }
}

}  // namespace

std::optional<Covering> CoverFrame(const FramePixels& frame, const CoverRules& rules) {
  unsigned classes = 0;
  for (const FramePixel p : frame.pixels)
    if (p != 0) classes |= 1u << ClassOf(p);
  Covering covering;
  covering.owner.assign(frame.pixels.size(), kNoOwner);
  for (int cls = 0; cls < 8; ++cls) {
    if ((classes >> cls & 1u) == 0) continue;
    ClassSearch search(frame, cls, rules, static_cast<std::size_t>(kMaxObjects) - covering.objects.size());
    if (!search.Run()) return std::nullopt;
    const std::size_t first = covering.objects.size();
    for (Placement p : search.Best()) {
      p.cls = cls;
      covering.objects.push_back(p);
    }
    covering.proven = covering.proven && search.Proven();
    ClaimPixels(frame, covering, first);
  }
  PolishCovering(frame, rules, covering);
  return covering;
}

int GridCoverCount(const FramePixels& frame) {
  int count = 0;
  for (int cy = 0; cy < frame.height; cy += 8)
    for (int cx = 0; cx < frame.width; cx += 8) {
      unsigned classes = 0;
      for (int y = cy; y < std::min(cy + 8, frame.height); ++y)
        for (int x = cx; x < std::min(cx + 8, frame.width); ++x)
          if (const FramePixel p = frame.At(x, y); p != 0) classes |= 1u << ClassOf(p);
      count += std::popcount(classes);
    }
  return count;
}

}  // namespace tilora::sprites
