#include <algorithm>
#include <array>

#include "formats/png/png_reader.h"

namespace tilora {

bool LooksLikePng(std::span<const std::uint8_t> firstBytes) noexcept {
  static constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return firstBytes.size() >= kSignature.size() &&
         std::equal(kSignature.begin(), kSignature.end(), firstBytes.begin());
}

}  // namespace tilora
