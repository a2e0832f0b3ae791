#pragma once

// Sprite sheets made by code for the sprite tests and benchmark: walking
// characters as an artist lays them out, and frames built from a known set
// of objects.

#include <cstdint>
#include <vector>

#include "picture/picture.h"
#include "snes/sprites/sprite_sheet.h"

namespace tilora::testing {

// A character walking: head, body, arms and legs in three sub-palettes,
// each frame a step of the cycle; the frames of the second half are the
// first half mirrored (walking the other way), and with upsideDown the
// last frame is the first turned over.
struct Characters {
  int frameWidth = 32;
  int frameHeight = 32;
  int across = 4;
  int down = 1;
  bool mirrored = true;
  bool upsideDown = false;
  std::uint32_t seed = 1;
};
Picture CharacterSheet(const Characters& characters);

// The same sheet with colour 16b + k as an RGBA colour of its own,
// transparent where k is 0.
Picture AsTruecolour(const Picture& indexed);

// A truecolour sheet whose 8 x 8 cells each take `colours` of the 15
// colours of one of `ramps` sets, neighbouring cells mostly of different
// sets, with some cells left transparent.
Picture CellsOfRamps(int width, int height, int ramps, int colours, std::uint32_t seed);

// Frames of objects that do not overlap, at any position within the frame
// and of both sizes, each filled with random pixels of one sub-palette (at
// least one opaque).
struct KnownObjects {
  Picture sheet;
  std::vector<int> objects;  // per frame, how many were drawn
};
KnownObjects KnownObjectSheet(int frameSide, int across, int down, sprites::ObjectSizes sizes, int perFrame,
                              int blocks, std::uint32_t seed);

// A sheet of 32 x 32 frames, across x down of them: the first `distinct`
// are characters, every later one repeats one of them, as it is or
// flipped. With oneSubPalette every colour is taken into sub-palette 0, so
// that the sheet converts as a background too.
Picture RepeatedFrames(int across, int down, int distinct, bool oneSubPalette, std::uint32_t seed);

}  // namespace tilora::testing
