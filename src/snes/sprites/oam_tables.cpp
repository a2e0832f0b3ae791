#include "snes/sprites/oam_tables.h"

#include <cctype>

namespace tilora::sprites {
namespace {

void Put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::size_t v) {
  for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

int SizeSelectOf(const SpriteSheet& sprites) { return SizeSelect(sprites.sizes).value_or(0); }

// ca65 takes no negative number where a word goes.
std::string Word(int v) { return v < 0 ? ".loword(" + std::to_string(v) + ")" : std::to_string(v); }

std::string Hex(unsigned v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "$";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[v >> shift & 15];
  return out;
}

}  // namespace

std::uint16_t Attributes(const SpriteObject& o) {
  return static_cast<std::uint16_t>((o.tile & 0x1FF) | (o.palette & 7) << 9 | (o.priority & 3) << 12 |
                                    (o.hflip ? 1 : 0) << 14 | (o.vflip ? 1 : 0) << 15);
}

std::vector<std::uint8_t> OamTableBytes(const SpriteSheet& sprites) {
  std::vector<std::uint8_t> out;
  Put16(out, static_cast<unsigned>(sprites.frames.size()));
  out.push_back(static_cast<std::uint8_t>(SizeSelectOf(sprites)));
  out.push_back(0);
  const std::size_t offsets = out.size();
  out.resize(offsets + 4 * sprites.frames.size());
  for (std::size_t f = 0; f < sprites.frames.size(); ++f) {
    Put32(out, offsets + 4 * f, out.size());
    const SpriteFrame& frame = sprites.frames[f];
    Put16(out, static_cast<unsigned>(frame.objects.size()));
    for (const SpriteObject& o : frame.objects) {
      Put16(out, static_cast<std::uint16_t>(o.x));
      Put16(out, static_cast<std::uint16_t>(o.y));
      Put16(out, Attributes(o));
      out.push_back(o.large ? 1 : 0);
      out.push_back(0);
    }
  }
  return out;
}

std::string AssemblyLabel(std::string_view name) {
  std::string label;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    label += u < 128 && (std::isalnum(u) != 0 || c == '_') ? c : '_';
  }
  if (label.empty()) return "sprites";
  if (std::isdigit(static_cast<unsigned char>(label[0])) != 0) label.insert(label.begin(), '_');
  return label;
}

std::string OamAssembly(const SpriteSheet& sprites, std::string_view labelPrefix) {
  const std::string p = AssemblyLabel(labelPrefix);
  const std::string start = p + "_frames";
  std::string out;
  out += "; " + std::to_string(sprites.frames.size()) + " metasprite frames of objects of " +
         std::to_string(sprites.sizes.small) + " and " + std::to_string(sprites.sizes.large) + " pixels.\n";
  out += "; Per frame: object count, then per object x and y from the origin,\n";
  out += "; attributes (tile, sub-palette << 9, priority << 12, flips << 14), size (1: large), 0.\n";
  out += p + "_count = " + std::to_string(sprites.frames.size()) + "\n";
  out += p + "_size_select = " + std::to_string(SizeSelectOf(sprites)) + "\n\n";
  out += start + ":\n";
  out += "  .word " + std::to_string(sprites.frames.size()) + "\n";
  out += "  .byte " + std::to_string(SizeSelectOf(sprites)) + ", 0\n";
  for (const SpriteFrame& frame : sprites.frames)
    out += "  .dword " + p + "_" + std::to_string(frame.number) + " - " + start + "\n";
  for (const SpriteFrame& frame : sprites.frames) {
    out += p + "_" + std::to_string(frame.number) + ":\n";
    out += "  .word " + std::to_string(frame.objects.size()) + "\n";
    for (const SpriteObject& o : frame.objects) {
      out += "  .word " + Word(o.x) + ", " + Word(o.y) + ", " + Hex(Attributes(o)) + "\n";
      out += "  .byte " + std::string(o.large ? "1" : "0") + ", 0\n";
    }
  }
  return out;
}

}  // namespace tilora::sprites
