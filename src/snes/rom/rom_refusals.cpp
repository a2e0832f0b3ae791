#include "snes/rom/rom_refusals.h"

#include "snes/rom/cartridge_image.h"

namespace tilora::rom::refusals {

std::string Grouped(std::size_t n) {
  const std::string digits = std::to_string(n);
  std::string grouped;
  grouped.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

RomRefusal VideoMemory(std::size_t needed) {
  return {"The outputs need " + Grouped(needed) + " bytes of video memory; the console has 65,536."};
}

RomRefusal VideoMemoryArrangement(std::size_t needed) {
  return {"The outputs need " + Grouped(needed) +
          " bytes of video memory, which cannot be arranged at the addresses the console reads them from."};
}

RomRefusal TooManyTiles(std::size_t tiles, int tileBase) {
  if (tileBase == 0) return {"BG1 would need " + Grouped(tiles) + " tiles; it has 1,024."};
  return {"BG1 would need tile numbers up to " + Grouped(tiles + static_cast<std::size_t>(tileBase) - 1) +
          " (tile base " + std::to_string(tileBase) + " and " + Grouped(tiles) + " tiles); it has 0 to 1,023."};
}

RomRefusal NoBlankTile() {
  return {"All 1,024 tile numbers of BG1 are taken, and the cells beyond the picture need an all-colour-0 tile."};
}

RomRefusal NoBlankBlock() {
  return {"No 16x16 block of BG1's tile numbers is free or all colour 0, and the cells beyond the picture need "
          "one."};
}

RomRefusal MapTooLarge(std::int64_t columns, std::int64_t rows) {
  return {"The map is " + std::to_string(columns) + " x " + std::to_string(rows) +
          " cells; BG1 shows at most 64 x 64."};
}

RomRefusal CartridgeTooLarge(std::size_t bytes) {
  return {"The cartridge would need " + Grouped(bytes) + " bytes; a LoROM cartridge holds at most " +
          Grouped(kLargestCartridge) + "."};
}

RomRefusal ColourMemory(std::size_t words, int first, int last, const std::string& layer) {
  return {"The palette's " + Grouped(words) + " colours from entry " + std::to_string(first) + " go past entry " +
          std::to_string(last) + ", the last " + layer + " reads."};
}

RomRefusal SharedColours() {
  return {"An 8-bit background uses all 256 colours, the sprites' too; it cannot be shown with sprites."};
}

RomRefusal TooManyObjects(std::size_t frame, std::size_t objects) {
  return {"Sprite frame " + std::to_string(frame) + " has " + Grouped(objects) +
          " objects; the console shows at most 128."};
}

RomRefusal TooManySpriteFrames(std::size_t frames, std::size_t most) {
  return {"There are " + Grouped(frames) + " sprite frames; a cartridge shows at most " + Grouped(most) + "."};
}

RomRefusal ObjectField(std::size_t frame, std::size_t object, const std::string& field, int value, int most) {
  return {"Sprite frame " + std::to_string(frame) + ", object " + std::to_string(object) + ": " + field + " " +
          std::to_string(value) + " is outside 0-" + std::to_string(most) + "."};
}

RomRefusal Sizes(const std::string& what, std::size_t bytes, const std::string& expected) {
  return {"The " + what + " holds " + Grouped(bytes) + " bytes; " + expected + "."};
}

}  // namespace tilora::rom::refusals
