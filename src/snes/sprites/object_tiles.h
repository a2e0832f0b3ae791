#pragma once

// The tiles of the objects' pieces in the two 16-tile-wide name tables. A
// piece equal to one stored before, as it is or flipped, is stored once.
// An object's tiles are a block of the table, read from its top-left tile n
// as n + 16 r + c. Large blocks sit on a grid of their own size, small ones
// on theirs in the cells left between, which tiles both tables exactly; a
// small piece that some large block shows already, anywhere within it,
// takes its tiles from there.

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "snes/sprites/sprite_sheet.h"

namespace tilora::sprites {

// What one object draws, as colours (0-15) within its sub-palette: size
// rows of size / 8 words, pixel x of a row in byte x % 8 of word x / 8.
struct Piece {
  int size = 0;
  std::vector<std::uint64_t> words;
  bool operator==(const Piece&) const = default;
  auto operator<=>(const Piece&) const = default;
};

Piece FlippedPiece(const Piece& piece, int flips);

// A piece as one of the stored ones shows it.
struct PieceUse {
  bool large = false;
  int id = 0;     // among stored pieces of its size
  int flips = 0;  // the piece is the stored one flipped so
};

// The tile an object names and its flips.
struct TileUse {
  int tile = 0;
  int flips = 0;
};

class ObjectTiles {
 public:
  explicit ObjectTiles(ObjectSizes sizes);

  PieceUse Add(const Piece& piece);
  // Tiles the pieces added so far take in the tables.
  int Needed() const;

  // Places every piece: false when they do not fit, which Needed() over
  // kTableTiles tells beforehand.
  bool Lay();
  TileUse TileOf(const PieceUse& use) const;
  // The tables in video memory order up to the last tile used, 32 bytes a
  // tile.
  std::vector<std::uint8_t> Bytes() const;

 private:
  using Tile = std::array<std::uint64_t, 8>;  // 8 x 8 colours, a word a row
  using PieceSet = std::unordered_map<std::uint64_t, std::vector<Piece>>;
  struct Stored {
    std::vector<Piece> pieces;
    std::unordered_multimap<std::uint64_t, int> byHash;
  };
  static PieceUse Place(Stored& stored, const Piece& piece, bool large);
  std::vector<Piece> SmallWithin(const Piece& large) const;

  ObjectSizes sizes_;
  int smallAcross_;  // tiles a side
  int largeAcross_;
  Stored small_;
  Stored large_;
  // For Needed(): small pieces up to flips that some large piece shows, and
  // those none does.
  PieceSet inLarge_;
  PieceSet apart_;
  int apartCount_ = 0;

  std::vector<Tile> slots_;  // after Lay: every slot up to the last used
  std::vector<int> smallAt_;
  std::vector<int> smallFlips_;
  std::vector<int> largeAt_;
};

}  // namespace tilora::sprites
