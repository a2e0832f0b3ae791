#pragma once

// Shared by the reader and the writer; only built where libspng is.

#include <spng.h>

#include <memory>
#include <string>

namespace tilora::png_detail {

struct SpngContextFree {
  void operator()(spng_ctx* ctx) const noexcept { spng_ctx_free(ctx); }
};
using SpngContext = std::unique_ptr<spng_ctx, SpngContextFree>;

// A new decoder or encoder context; throws PngError when none can be had.
SpngContext NewSpngContext(int flags);

// The user's text for a libspng error code met while reading a file.
std::string ReadFailureText(int spngError);

}  // namespace tilora::png_detail
