#include "snes/cells/block_dictionary.h"

namespace tilora::cells {

Placement BlockDictionary::Place(const Block& block) {
  if (const auto found = shown_.find(block); found != shown_.end()) return found->second;
  const auto n = static_cast<std::uint32_t>(blocks_.size());
  blocks_.push_back(block);
  shown_.emplace(block, Placement{n, kNoFlip});
  if (flips_)
    for (unsigned flip = kFlipH; flip <= kFlipHV; ++flip) shown_.emplace(FlippedBlock(block, flip), Placement{n, flip});
  return {n, kNoFlip};
}

}  // namespace tilora::cells
