#include <algorithm>
#include <bit>
#include <cstdio>

#include "convert/shared_palettes.h"
#include "picture/colour.h"
#include "snes/encoders/palette_words.h"
#include "snes/encoders/map_entry.h"

namespace tilora {
namespace {

constexpr int kNoSource = -1;
constexpr int kPaletteFile = -2;

std::string Hex(const Rgb& c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", c.red, c.green, c.blue);
  return text;
}

Rgb Shown(std::uint16_t word) {
  const Rgb c = ShownRgb(word);
  return {c.red, c.green, c.blue};
}

std::string SourceName(int source, std::span<const std::string> names, const ExistingPalette& existing) {
  if (source == kPaletteFile) return "the palette file \"" + existing.name + "\"";
  return "that of " + names[static_cast<std::size_t>(source)];
}


}  // namespace

int ExistingSubPalettes(const ExistingPalette& existing, int bpp) {
  const std::size_t stride = static_cast<std::size_t>(SubPaletteStride(bpp));
  return static_cast<int>((existing.words.size() + stride - 1) / stride);
}

std::variant<std::vector<std::uint8_t>, SharedFailure> SharedTablePalette(std::span<const Picture* const> pictures,
                                                                          std::span<const std::string> names,
                                                                          int bpp, std::uint8_t subPalettes,
                                                                          const ExistingPalette& existing) {
  const std::size_t stride = static_cast<std::size_t>(SubPaletteStride(bpp));
  const std::size_t blocks = std::max<std::size_t>(
      {std::size_t{1}, std::bit_width(static_cast<unsigned>(subPalettes)),
       static_cast<std::size_t>(ExistingSubPalettes(existing, bpp))});
  const std::size_t length = bpp == 8 ? 256 : blocks * stride;
  std::vector<std::uint16_t> words(length, 0);
  std::vector<Rgb> given(length);
  std::vector<int> source(length, kNoSource);
  for (std::size_t e = 0; e < std::min(length, existing.words.size()); ++e) {
    words[e] = existing.words[e];
    given[e] = Shown(existing.words[e]);
    source[e] = kPaletteFile;
  }
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const std::vector<Rgb>& table = pictures[i]->palette;
    for (std::size_t e = 0; e < std::min(length, table.size()); ++e) {
      const std::uint16_t word = ColourWord(table[e]);
      if (source[e] == kNoSource) {
        words[e] = word;
        given[e] = table[e];
        source[e] = static_cast<int>(i);
      } else if (words[e] != word) {
        return SharedFailure{Refused("Its colour table differs from " + SourceName(source[e], names, existing) +
                                     " at colour " + std::to_string(e) + " (" + Hex(table[e]) + " here, " +
                                     Hex(given[e]) +
                                     " there); give --palettes N to make sub-palettes for all the pictures "
                                     "together."),
                             i};
      }
    }
  }
  return WordBytes(words);
}

}  // namespace tilora
