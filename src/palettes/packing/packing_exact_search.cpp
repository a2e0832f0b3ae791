#include "palettes/packing/packing_exact_search.h"

#include <algorithm>
#include <bit>

namespace tilora::packing::detail {
namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

using Word = std::uint64_t;

// Items are placed largest first. Each either joins a bin it fits or opens
// one new bin (one, since empty bins are alike), and a bin that already
// holds all of an item's colours takes it without branching.
class BranchAndBound {
 public:
  BranchAndBound(const PackingItems& items, int bestBins, int lowerBound, std::int64_t budget)
      : items_(items), words_((items.colourCount + 63) / 64), order_(DecreasingOrder(items)),
        bestBins_(bestBins), lowerBound_(lowerBound), budget_(budget) {
    const std::size_t m = order_.size();
    itemBits_.assign(m * At(words_), 0);
    for (std::size_t k = 0; k < m; ++k)
      for (int c : items.sets[At(order_[k])]) Bits(itemBits_, k)[At(c / 64)] |= Word{1} << (c % 64);
    // Colours of the items still to place that no placed item holds: they
    // need free room in the bins, or new bins.
    std::vector<Word> before(At(words_), 0);
    std::vector<std::vector<Word>> suffix(m + 1, std::vector<Word>(At(words_), 0));
    for (std::size_t k = m; k-- > 0;)
      for (std::size_t w = 0; w < At(words_); ++w) suffix[k][w] = suffix[k + 1][w] | Bits(itemBits_, k)[w];
    unplacedColours_.assign(m + 1, 0);
    for (std::size_t k = 0; k < m; ++k) {
      int count = 0;
      for (std::size_t w = 0; w < At(words_); ++w) count += std::popcount(suffix[k][w] & ~before[w]);
      unplacedColours_[k] = count;
      for (std::size_t w = 0; w < At(words_); ++w) before[w] |= Bits(itemBits_, k)[w];
    }
    binBits_.assign(m * At(words_), 0);
    binSize_.assign(m, 0);
    binOf_.assign(m, -1);
  }

  // True when it found a packing with fewer bins than bestBins.
  bool Run() {
    Place(0, 0);
    return improved_;
  }
  bool Finished() const { return budget_ >= 0; }
  Assignment Best() const {
    Assignment assignment(order_.size());
    for (std::size_t k = 0; k < order_.size(); ++k) assignment[At(order_[k])] = bestBinOf_[k];
    return assignment;
  }

 private:
  Word* Bits(std::vector<Word>& bits, std::size_t row) { return bits.data() + row * At(words_); }

  int SizeWith(std::size_t bin, std::size_t k) {
    int size = 0;
    const Word* b = Bits(binBits_, bin);
    const Word* item = Bits(itemBits_, k);
    for (std::size_t w = 0; w < At(words_); ++w) size += std::popcount(b[w] | item[w]);
    return size;
  }

  bool Done() const { return budget_ < 0 || bestBins_ <= lowerBound_; }

  void Place(std::size_t k, int used) {
    if (--budget_ < 0) return;
    if (k == order_.size()) {
      bestBins_ = used;
      bestBinOf_ = binOf_;
      improved_ = true;
      return;
    }
    int usedRoom = 0;
    for (int bin = 0; bin < used; ++bin) usedRoom += binSize_[At(bin)];
    const int missing = unplacedColours_[k] - (used * items_.capacity - usedRoom);
    const int newBinsNeeded = missing > 0 ? (missing + items_.capacity - 1) / items_.capacity : 0;
    if (used + newBinsNeeded >= bestBins_) return;

    std::vector<std::pair<int, int>> candidates;  // (colours added, bin)
    const int itemSize = items_.SizeOf(order_[k]);
    for (int bin = 0; bin < used; ++bin) {
      const int size = SizeWith(At(bin), k);
      if (size > items_.capacity) continue;
      if (size == binSize_[At(bin)]) {
        candidates.assign(1, {0, bin});
        break;
      }
      candidates.emplace_back(size - binSize_[At(bin)], bin);
    }
    std::sort(candidates.begin(), candidates.end());
    const bool contained = !candidates.empty() && candidates.front().first == 0;
    for (const auto& [added, bin] : candidates) {
      Enter(k, bin, added);
      Place(k + 1, used);
      Leave(k, bin, added);
      if (Done()) return;
    }
    if (!contained && used + 1 < bestBins_) {
      Enter(k, used, itemSize);
      Place(k + 1, used + 1);
      Leave(k, used, itemSize);
    }
  }

  void Enter(std::size_t k, int bin, int added) {
    saved_.insert(saved_.end(), Bits(binBits_, At(bin)), Bits(binBits_, At(bin)) + words_);
    for (std::size_t w = 0; w < At(words_); ++w) Bits(binBits_, At(bin))[w] |= Bits(itemBits_, k)[w];
    binSize_[At(bin)] += added;
    binOf_[k] = bin;
  }
  void Leave(std::size_t k, int bin, int added) {
    std::copy(saved_.end() - words_, saved_.end(), Bits(binBits_, At(bin)));
    saved_.resize(saved_.size() - At(words_));
    binSize_[At(bin)] -= added;
    binOf_[k] = -1;
  }

  const PackingItems& items_;
  int words_;
  std::vector<int> order_;
  std::vector<Word> itemBits_;
  std::vector<int> unplacedColours_;
  std::vector<Word> binBits_;
  std::vector<int> binSize_;
  std::vector<int> binOf_;
  std::vector<int> bestBinOf_;
  std::vector<Word> saved_;
  int bestBins_;
  int lowerBound_;
  std::int64_t budget_;
  bool improved_ = false;
};

}  // namespace

ExactResult SearchFewestBins(const PackingItems& items, const Assignment& start, int lowerBound,
                             std::int64_t nodeBudget) {
  const int startBins = BinCount(start);
  if (startBins <= lowerBound) return {start, true};
  BranchAndBound search(items, startBins, lowerBound, nodeBudget);
  const bool improved = search.Run();
  return {improved ? Normalised(search.Best()) : start, search.Finished()};
}

}  // namespace tilora::packing::detail
