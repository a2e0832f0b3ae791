#include "convert/pixel_plane.h"

#include <algorithm>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "support/checked_file.h"
#include "support/io_error.h"

namespace tilora {

namespace {

// A fresh process pays for every page of the plane it touches; with 4 KiB
// pages that cost is several times the conversion itself. Large pages make
// it a handful of faults. They are asked for over the first half of the
// plane only, so no picture makes the plane's resident part exceed 24 MiB.
#if defined(__linux__) && defined(MADV_HUGEPAGE)
constexpr std::size_t kLargePage = 2u << 20;
constexpr std::size_t kLargePageRows = kPlaneHeight / 2;

void AdviseLargePages() {
  static const bool advised = [] {
    // Advice only; without it the plane simply uses small pages.
    ::madvise(PixelPlane, kLargePageRows * kPlaneWidth, MADV_HUGEPAGE);
    return true;
  }();
  static_cast<void>(advised);
}
#else
constexpr std::size_t kLargePage = 64;
void AdviseLargePages() {}
#endif

}  // namespace

alignas(kLargePage) std::uint8_t PixelPlane[kPlaneHeight][kPlaneWidth];

namespace {

// Rows are read many at a time into this, instead of a read per byte.
constexpr std::size_t kChunkSize = 256 * 1024;
alignas(64) std::uint8_t Chunk[kChunkSize];

// The part of the plane written since the last clearing.
std::int64_t DirtyRows = 0;
std::int64_t DirtyColumns = 0;

void StoreRow(int depth, const std::uint8_t* src, std::int64_t count, std::uint8_t* row) {
  if (depth == 8) {
    std::memcpy(row, src, static_cast<std::size_t>(count));
    return;
  }
  for (std::int64_t f = 0; f < count; ++f) {
    row[2 * f] = static_cast<std::uint8_t>(src[f] & 0xF0);
    row[2 * f + 1] = static_cast<std::uint8_t>(src[f] & 0x0F);
  }
}

}  // namespace

void ReadPixels(int depth) {
  if (depth != 4 && depth != 8) return;
  if (LimitNotice(PictureHeader, depth)) return;
  const PictureGeometry g = GeometryOf(PictureHeader, depth);
  const std::int64_t offset = PictureHeader.DataOffset;
  AdviseLargePages();
  DirtyRows = std::max(DirtyRows, g.rows);
  DirtyColumns = std::max(DirtyColumns, depth == 4 ? 2 * g.rowBytes : g.rowBytes);

  const std::int64_t rowsPerChunk = std::max<std::int64_t>(1, static_cast<std::int64_t>(kChunkSize) / g.stride);
  // File row d holds picture row rows-1-d, or row d when stored top first.
  // Bottom-up files are taken from their last row backwards, so a file cut
  // short fails on its first row processed, as a byte-by-byte reading would.
  for (std::int64_t done = 0; done < g.rows; done += rowsPerChunk) {
    const std::int64_t count = std::min(rowsPerChunk, g.rows - done);
    const std::int64_t low = g.topDown ? done : g.rows - done - count;
    const std::int64_t span = (count - 1) * g.stride + g.rowBytes;
    SourceFile.Seek(offset + low * g.stride);
    const auto got = static_cast<std::int64_t>(SourceFile.ReadUpTo(Chunk, static_cast<std::size_t>(span)));
    for (std::int64_t k = 0; k < count; ++k) {
      const std::int64_t d = g.topDown ? low + k : low + count - 1 - k;
      const std::int64_t start = (d - low) * g.stride;
      const std::int64_t available = std::clamp<std::int64_t>(got - start, 0, g.rowBytes);
      const std::int64_t r = g.topDown ? d : g.rows - 1 - d;
      StoreRow(depth, Chunk + start, available, PixelPlane[r]);
      if (available < g.rowBytes) throw IoError(kErrReadBeyondEnd);
    }
  }
}

void ClearPixelPlane() {
  for (std::int64_t r = 0; r < DirtyRows; ++r)
    std::memset(PixelPlane[r], 0, static_cast<std::size_t>(DirtyColumns));
  DirtyRows = 0;
  DirtyColumns = 0;
}

}  // namespace tilora
