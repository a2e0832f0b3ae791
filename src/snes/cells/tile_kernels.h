#pragma once

// The encoders of one tile, each path reachable on its own so the tests can
// hold every one of them against the reference. pixels points at the tile's
// top-left colour index, rows are stride bytes apart; out receives the 64
// bytes of all eight bit planes. Fewer planes are a prefix of these.

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TILORA_TILE_SSE2 1
#else
#define TILORA_TILE_SSE2 0
#endif

namespace tilora::tile_kernels {

void Encode8Portable(const std::uint8_t* pixels, std::size_t stride, std::uint8_t* out);

#if TILORA_TILE_SSE2
void Encode8Sse2(const std::uint8_t* pixels, std::size_t stride, std::uint8_t* out);
#endif

}  // namespace tilora::tile_kernels
