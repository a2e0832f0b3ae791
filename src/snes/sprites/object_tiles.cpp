#include "snes/sprites/object_tiles.h"

#include <algorithm>

#include "snes/cells/cell_rows.h"
#include "snes/encoders/planar_tiles.h"
#include "snes/sprites/frame_pixels.h"

namespace tilora::sprites {
namespace {

std::uint64_t HashOf(const Piece& piece) {
  std::uint64_t h = std::uint64_t{0x243F6A8885A308D3} ^ static_cast<std::uint64_t>(piece.size);
  for (const std::uint64_t w : piece.words) {
    h = (h ^ w) * std::uint64_t{0xFF51AFD7ED558CCD};
    h ^= h >> 31;
  }
  return h;
}

// The one of a piece's four flips that stands for all of them.
Piece Canonical(const Piece& piece) {
  Piece best = piece;
  for (const int flips : {kFlipH, kFlipV, kFlipH | kFlipV}) best = std::min(best, FlippedPiece(piece, flips));
  return best;
}

// The part of a piece `across` tiles a side from its tile row r, column c.
Piece PartOf(const Piece& piece, int r, int c, int across) {
  const auto whole = static_cast<std::size_t>(piece.size / 8);
  const auto part = static_cast<std::size_t>(across);
  Piece out{8 * across, std::vector<std::uint64_t>(static_cast<std::size_t>(8 * across) * part)};
  for (std::size_t y = 0; y < static_cast<std::size_t>(8 * across); ++y)
    for (std::size_t x = 0; x < part; ++x)
      out.words[y * part + x] =
          piece.words[(static_cast<std::size_t>(8 * r) + y) * whole + static_cast<std::size_t>(c) + x];
  return out;
}

bool Holds(const std::unordered_map<std::uint64_t, std::vector<Piece>>& set, std::uint64_t hash, const Piece& p) {
  const auto it = set.find(hash);
  return it != set.end() && std::find(it->second.begin(), it->second.end(), p) != it->second.end();
}

}  // namespace

Piece FlippedPiece(const Piece& piece, int flips) {
  const std::size_t across = static_cast<std::size_t>(piece.size / 8);
  const std::size_t rows = static_cast<std::size_t>(piece.size);
  Piece out{piece.size, std::vector<std::uint64_t>(piece.words.size())};
  for (std::size_t y = 0; y < rows; ++y) {
    const std::uint64_t* from = piece.words.data() + ((flips & kFlipV) != 0 ? rows - 1 - y : y) * across;
    std::uint64_t* to = out.words.data() + y * across;
    for (std::size_t c = 0; c < across; ++c)
      to[c] = (flips & kFlipH) != 0 ? cells::ReverseBytes(from[across - 1 - c]) : from[c];
  }
  return out;
}

ObjectTiles::ObjectTiles(ObjectSizes sizes)
    : sizes_(sizes), smallAcross_(sizes.small / 8), largeAcross_(sizes.large / 8) {}

int ObjectTiles::Needed() const {
  return largeAcross_ * largeAcross_ * static_cast<int>(large_.pieces.size()) +
         smallAcross_ * smallAcross_ * apartCount_;
}

std::vector<Piece> ObjectTiles::SmallWithin(const Piece& large) const {
  std::vector<Piece> parts;
  for (int r = 0; r + smallAcross_ <= largeAcross_; ++r)
    for (int c = 0; c + smallAcross_ <= largeAcross_; ++c) parts.push_back(PartOf(large, r, c, smallAcross_));
  return parts;
}

PieceUse ObjectTiles::Place(Stored& stored, const Piece& piece, bool large) {
  for (const int flips : {0, kFlipH, kFlipV, kFlipH | kFlipV}) {
    const Piece shown = flips == 0 ? piece : FlippedPiece(piece, flips);
    const auto [first, last] = stored.byHash.equal_range(HashOf(shown));
    for (auto it = first; it != last; ++it)
      if (stored.pieces[static_cast<std::size_t>(it->second)] == shown) return {large, it->second, flips};
  }
  const int id = static_cast<int>(stored.pieces.size());
  stored.byHash.emplace(HashOf(piece), id);
  stored.pieces.push_back(piece);
  return {large, id, -1};  // -1: new, for Add to tell
}

PieceUse ObjectTiles::Add(const Piece& piece) {
  const bool large = piece.size == sizes_.large;
  PieceUse use = Place(large ? large_ : small_, piece, large);
  if (use.flips >= 0) return use;
  use.flips = 0;
  if (large) {
    for (const Piece& part : SmallWithin(piece)) {
      const Piece canonical = Canonical(part);
      const std::uint64_t hash = HashOf(canonical);
      if (Holds(inLarge_, hash, canonical)) continue;
      inLarge_[hash].push_back(canonical);
      // A small piece counted apart now has a large one that shows it.
      if (const auto it = apart_.find(hash); it != apart_.end()) {
        const auto at = std::find(it->second.begin(), it->second.end(), canonical);
        if (at != it->second.end()) {
          it->second.erase(at);
          --apartCount_;
        }
      }
    }
  } else {
    const Piece canonical = Canonical(piece);
    const std::uint64_t hash = HashOf(canonical);
    if (!Holds(inLarge_, hash, canonical)) {
      apart_[hash].push_back(canonical);
      ++apartCount_;
    }
  }
  return use;
}

bool ObjectTiles::Lay() {
  std::vector<bool> used(kTableTiles, false);
  slots_.assign(kTableTiles, Tile{});
  const auto put = [&](const Piece& piece, int n) {
    const int across = piece.size / 8;
    for (int r = 0; r < across; ++r)
      for (int c = 0; c < across; ++c) {
        const auto slot = static_cast<std::size_t>(n + 16 * r + c);
        const Piece tile = PartOf(piece, r, c, 1);
        std::copy(tile.words.begin(), tile.words.end(), slots_[slot].begin());
        used[slot] = true;
      }
  };
  // Cells of `across` tiles a side on their own grid, in tile order.
  const auto cell = [](int i, int across) {
    const int inRow = 16 / across;
    const int inTable = inRow * inRow;
    return i / inTable * 256 + i % inTable / inRow * 16 * across + i % inTable % inRow * across;
  };
  const int largeCells = 2 * (16 / largeAcross_) * (16 / largeAcross_);
  if (large_.pieces.size() > static_cast<std::size_t>(largeCells)) return false;
  struct Part {
    std::size_t large;
    int r;
    int c;
  };
  std::unordered_multimap<std::uint64_t, Part> shown;  // small parts of large pieces by hash
  largeAt_.clear();
  for (std::size_t i = 0; i < large_.pieces.size(); ++i) {
    largeAt_.push_back(cell(static_cast<int>(i), largeAcross_));
    put(large_.pieces[i], largeAt_.back());
    for (int r = 0; r + smallAcross_ <= largeAcross_; ++r)
      for (int c = 0; c + smallAcross_ <= largeAcross_; ++c)
        shown.emplace(HashOf(PartOf(large_.pieces[i], r, c, smallAcross_)), Part{i, r, c});
  }
  const int smallCells = 2 * (16 / smallAcross_) * (16 / smallAcross_);
  smallAt_.clear();
  smallFlips_.clear();
  int next = 0;
  for (const Piece& piece : small_.pieces) {
    int at = -1;
    int atFlips = 0;
    for (const int flips : {0, kFlipH, kFlipV, kFlipH | kFlipV}) {
      const Piece flipped = FlippedPiece(piece, flips);
      const auto [first, last] = shown.equal_range(HashOf(flipped));
      for (auto it = first; it != last && at < 0; ++it) {
        const Part& part = it->second;
        if (PartOf(large_.pieces[part.large], part.r, part.c, smallAcross_) != flipped) continue;
        // Inside an aligned block no row of the part wraps.
        at = largeAt_[part.large] + 16 * part.r + part.c;
        atFlips = flips;
      }
      if (at >= 0) break;
    }
    if (at < 0) {
      while (next < smallCells && used[static_cast<std::size_t>(cell(next, smallAcross_))]) ++next;
      if (next == smallCells) return false;
      at = cell(next, smallAcross_);
      put(piece, at);
    }
    smallAt_.push_back(at);
    smallFlips_.push_back(atFlips);
  }
  const auto last = std::find(used.rbegin(), used.rend(), true);
  slots_.resize(static_cast<std::size_t>(used.rend() - last));
  return true;
}

TileUse ObjectTiles::TileOf(const PieceUse& use) const {
  const auto id = static_cast<std::size_t>(use.id);
  if (use.large) return {largeAt_[id], use.flips};
  return {smallAt_[id], smallFlips_[id] ^ use.flips};
}

std::vector<std::uint8_t> ObjectTiles::Bytes() const {
  std::vector<std::uint8_t> out(slots_.size() * kTileBytes);
  std::uint8_t pixels[64];
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    for (std::size_t r = 0; r < 8; ++r) cells::StoreRow(slots_[i][r], pixels + 8 * r);
    EncodePlanarTile(pixels, 8, 4, out.data() + i * kTileBytes);
  }
  return out;
}

}  // namespace tilora::sprites
