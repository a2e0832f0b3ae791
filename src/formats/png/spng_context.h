#pragma once

// Shared by the reader and the writer; only built where libspng is.

#include <spng.h>

#include <cstddef>
#include <memory>
#include <string>

namespace tilora::png_detail {

// Ancillary chunks (text, ICC profiles, Exif) are of no use here; these
// bounds only keep a hostile file from making them cost memory. libspng
// skips a chunk above the size limit and fails once the chunks it keeps
// pass the cache limit.
inline constexpr std::size_t kChunkSizeLimit = std::size_t{16} << 20;
inline constexpr std::size_t kChunkCacheLimit = std::size_t{32} << 20;

struct SpngContextFree {
  void operator()(spng_ctx* ctx) const noexcept { spng_ctx_free(ctx); }
};
using SpngContext = std::unique_ptr<spng_ctx, SpngContextFree>;

// A new decoder or encoder context; throws PngError when none can be had.
SpngContext NewSpngContext(int flags);

// The user's text for a libspng error code met while reading a file.
std::string ReadFailureText(int spngError);

}  // namespace tilora::png_detail
