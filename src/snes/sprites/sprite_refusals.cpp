#include "snes/sprites/sprite_refusals.h"

namespace tilora::sprites::refusals {
namespace {

std::string At(std::int32_t x, std::int32_t y) { return std::to_string(x) + "," + std::to_string(y); }

std::string Size(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

Failure OfSheet(std::string message) { return Refused(std::move(message)); }

Failure OfFrame(std::string message, std::int32_t frameX, std::int32_t frameY) {
  return Refused(std::move(message), TilePosition{frameX, frameY});
}

}  // namespace

std::string FrameSizeOutOfRange(int width, int height) {
  return "A frame is 1 to " + std::to_string(kMaxFrameSide) + " pixels a side, not " + Size(width, height) + ".";
}

std::string SizesNotAPair(ObjectSizes sizes) {
  return "Object sizes " + std::to_string(sizes.small) + "," + std::to_string(sizes.large) +
         " are not a pair the console offers (8,16 8,32 8,64 16,32 16,64 32,64).";
}

std::string PriorityOutOfRange(int priority) {
  return "Object priority is 0 to 3, not " + std::to_string(priority) + ".";
}

std::string PalettesOutOfRange(int palettes) {
  return "The number of sub-palettes must be 1 to 8, not " + std::to_string(palettes) + ".";
}

std::string ColoursOutOfRange(int colours) {
  return "An object's sub-palette holds 2 to 16 colours, colour 0 included, not " + std::to_string(colours) + ".";
}

std::string OriginOutsideFrame(int x, int y, int width, int height) {
  return "The origin " + At(x, y) + " lies outside the " + Size(width, height) + " frame.";
}

Failure SheetNotWholeFrames(std::int32_t width, std::int32_t height, int frameWidth, int frameHeight) {
  return OfSheet("The sheet is " + Size(width, height) + " pixels, not a whole number of " +
                 Size(frameWidth, frameHeight) + " frames.");
}

Failure TooManyFrames(std::int64_t frames) {
  return OfSheet("The sheet holds " + std::to_string(frames) + " frames; the tables hold at most " +
                 std::to_string(kMaxFrames) + ".");
}

Failure NoPalettesForTruecolour() {
  return OfSheet("The sheet has no colour table; --palettes N makes sub-palettes for its objects.");
}

Failure IndexPastReach(std::int32_t frameX, std::int32_t frameY, std::int32_t x, std::int32_t y, unsigned index) {
  return OfFrame("The frame at " + At(frameX, frameY) + " uses colour " + std::to_string(index) + " at " + At(x, y) +
                     "; objects take colours 0-127 (8 sub-palettes of 16).",
                 frameX, frameY);
}

Failure TooManyObjects(std::int32_t frameX, std::int32_t frameY) {
  return OfFrame("The frame at " + At(frameX, frameY) + " needs more than the " + std::to_string(kMaxObjects) +
                     " objects the console shows.",
                 frameX, frameY);
}

Failure PalettesDoNotFit(int best, int palettes, int colours) {
  return OfSheet("The objects' colours need " + std::to_string(best) + " sub-palettes of " +
                 std::to_string(colours) + " colours (the fewest found); " + std::to_string(palettes) +
                 (palettes == 1 ? " is" : " are") + " allowed.");
}

Failure TooManyTiles(int needed, std::int32_t frameX, std::int32_t frameY) {
  return OfFrame("The frames need " + std::to_string(needed) + " tiles; the two name tables hold " +
                     std::to_string(kTableTiles) + " (the frame at " + At(frameX, frameY) +
                     " is the first past them).",
                 frameX, frameY);
}

Failure Internal(const std::string& what) { return InternalFailure(what + "."); }

}  // namespace tilora::sprites::refusals
