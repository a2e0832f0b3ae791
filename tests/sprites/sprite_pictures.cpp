#include "sprite_pictures.h"

#include <algorithm>
#include <random>

#include "test_pictures.h"

namespace tilora::testing {
namespace {

struct Canvas {
  Picture& picture;
  std::int32_t left;
  std::int32_t top;
  int width;
  int height;

  void Put(int x, int y, int index) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    SetPixel(picture, left + x, top + y, static_cast<std::uint8_t>(index));
  }
  void Rect(int x0, int y0, int w, int h, int block, int k) const {
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) Put(x, y, 16 * block + k);
  }
};

// One step of the walk: legs apart by phase, arms swinging against them.
void DrawCharacter(const Canvas& c, int phase, std::uint32_t seed) {
  std::mt19937 random(seed);
  const int w = c.width;
  const int h = c.height;
  const int cx = w / 2 + (phase % 2);
  // Legs (sub-palette 2), drawn first so the body covers their tops.
  const int stride = (phase % 4 == 1 ? 3 : phase % 4 == 3 ? -3 : 0) * w / 32;
  const int legTop = h * 5 / 8;
  c.Rect(cx - w / 6 + stride, legTop, w / 8 + 1, h - legTop - 1, 2, 3);
  c.Rect(cx + w / 16 - stride, legTop, w / 8 + 1, h - legTop - 1, 2, 4);
  c.Rect(cx - w / 6 + stride - 1, h - 3, w / 8 + 3, 2, 2, 7);  // boots
  c.Rect(cx + w / 16 - stride, h - 3, w / 8 + 3, 2, 2, 7);
  // Body (sub-palette 1) with a shaded side and a belt.
  const int bodyTop = h * 5 / 16;
  c.Rect(cx - w / 5, bodyTop, 2 * (w / 5) + 1, legTop - bodyTop + 1, 1, 5);
  c.Rect(cx + w / 10, bodyTop, w / 10 + 1, legTop - bodyTop + 1, 1, 6);
  c.Rect(cx - w / 5, legTop - 1, 2 * (w / 5) + 1, 1, 1, 9);
  // Arms swing against the legs.
  c.Rect(cx - w / 5 - 3, bodyTop + 1 - stride / 2, 3, h / 4, 1, 8);
  c.Rect(cx + w / 5 + 1, bodyTop + 1 + stride / 2, 3, h / 4, 1, 8);
  // Head (sub-palette 0): a disc of skin with hair on top and an eye.
  const int r = std::max(2, w / 7);
  const int hy = bodyTop - r - 1;
  for (int y = -r; y <= r; ++y)
    for (int x = -r; x <= r; ++x)
      if (x * x + y * y <= r * r) c.Put(cx + x, hy + y, y < -r / 3 ? 12 : x > r / 2 ? 2 : 1);
  c.Put(cx + r / 2, hy, 4);
  // A little texture, as drawn art has.
  for (int i = 0; i < w / 4; ++i) {
    const int x = cx - w / 5 + static_cast<int>(random() % static_cast<unsigned>(2 * (w / 5) + 1));
    const int y = bodyTop + static_cast<int>(random() % static_cast<unsigned>(legTop - bodyTop));
    c.Put(x, y, 16 + 10 + static_cast<int>(random() % 3));
  }
}

void CopyFrame(Picture& picture, int fw, int fh, std::int32_t fromX, std::int32_t fromY, std::int32_t toX,
               std::int32_t toY, int flips) {
  for (int y = 0; y < fh; ++y)
    for (int x = 0; x < fw; ++x) {
      const int sx = (flips & 1) != 0 ? fw - 1 - x : x;
      const int sy = (flips & 2) != 0 ? fh - 1 - y : y;
      SetPixel(picture, toX + x, toY + y, picture.IndexAt(fromX + sx, fromY + sy));
    }
}

}  // namespace

Picture CharacterSheet(const Characters& ch) {
  Picture sheet = BlankPicture(ch.frameWidth * ch.across, ch.frameHeight * ch.down);
  const int frames = ch.across * ch.down;
  const int drawn = ch.mirrored ? (frames + 1) / 2 : frames;
  for (int f = 0; f < frames; ++f) {
    const std::int32_t x = f % ch.across * ch.frameWidth;
    const std::int32_t y = f / ch.across * ch.frameHeight;
    if (ch.upsideDown && f == frames - 1 && f > 0) {
      CopyFrame(sheet, ch.frameWidth, ch.frameHeight, 0, 0, x, y, 2);
    } else if (f < drawn) {
      DrawCharacter({sheet, x, y, ch.frameWidth, ch.frameHeight}, f, ch.seed + static_cast<std::uint32_t>(f));
    } else {
      const int from = f - drawn;
      CopyFrame(sheet, ch.frameWidth, ch.frameHeight, from % ch.across * ch.frameWidth,
                from / ch.across * ch.frameHeight, x, y, 1);
    }
  }
  return sheet;
}

Picture AsTruecolour(const Picture& indexed) {
  Picture out;
  out.width = indexed.width;
  out.height = indexed.height;
  out.depth = 32;
  out.indexed = false;
  out.hasAlpha = true;
  out.colours.resize(indexed.indices.size());
  for (std::size_t i = 0; i < indexed.indices.size(); ++i) {
    const std::uint8_t index = indexed.indices[i];
    const Rgb c = indexed.palette[index];
    // Each index its own 15-bit colour: the blue channel's top bits carry it.
    out.colours[i] = {static_cast<std::uint8_t>(c.red & 0xF8), static_cast<std::uint8_t>(index & 0xF8),
                      static_cast<std::uint8_t>((index & 7) << 5 | 8),
                      static_cast<std::uint8_t>((index & 15) == 0 ? 0 : 255)};
  }
  return out;
}

Picture CellsOfRamps(int width, int height, int ramps, int colours, std::uint32_t seed) {
  std::mt19937 random(seed);
  Picture out = AsTruecolour(BlankPicture(width, height));
  for (int cy = 0; cy < height / 8; ++cy)
    for (int cx = 0; cx < width / 8; ++cx) {
      if (random() % 5 == 0) continue;
      const int ramp = (cx + 2 * cy + static_cast<int>(random() % 2)) % ramps;
      std::vector<int> ks(15);
      for (int k = 0; k < 15; ++k) ks[static_cast<std::size_t>(k)] = k;
      std::shuffle(ks.begin(), ks.end(), random);
      for (int i = 0; i < 64; ++i) {
        const int k = ks[random() % static_cast<unsigned>(colours)];
        out.colours[static_cast<std::size_t>((8 * cy + i / 8) * width + 8 * cx + i % 8)] = {
            static_cast<std::uint8_t>(16 * k), static_cast<std::uint8_t>(48 * ramp), 8, 255};
      }
    }
  return out;
}

KnownObjects KnownObjectSheet(int frameSide, int across, int down, sprites::ObjectSizes sizes, int perFrame,
                              int blocks, std::uint32_t seed) {
  std::mt19937 random(seed);
  const auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
  KnownObjects out{BlankPicture(frameSide * across, frameSide * down), {}};
  for (int f = 0; f < across * down; ++f) {
    struct Box {
      int x, y, size;
    };
    std::vector<Box> placed;
    for (int tries = 0; tries < 200 && static_cast<int>(placed.size()) < perFrame; ++tries) {
      const int size = pick(3) == 0 ? sizes.large : sizes.small;
      if (size > frameSide) continue;
      const Box b{pick(frameSide - size + 1), pick(frameSide - size + 1), size};
      const bool overlaps = std::any_of(placed.begin(), placed.end(), [&](const Box& o) {
        return b.x < o.x + o.size && o.x < b.x + b.size && b.y < o.y + o.size && o.y < b.y + b.size;
      });
      if (!overlaps) placed.push_back(b);
    }
    const Canvas c{out.sheet, f % across * frameSide, f / across * frameSide, frameSide, frameSide};
    for (const Box& b : placed) {
      const int block = pick(blocks);
      c.Put(b.x + pick(b.size), b.y + pick(b.size), 16 * block + 1 + pick(15));
      for (int y = 0; y < b.size; ++y)
        for (int x = 0; x < b.size; ++x)
          if (pick(10) < 6) c.Put(b.x + x, b.y + y, 16 * block + 1 + pick(15));
    }
    out.objects.push_back(static_cast<int>(placed.size()));
  }
  return out;
}

Picture RepeatedFrames(int across, int down, int distinct, bool oneSubPalette, std::uint32_t seed) {
  std::mt19937 random(seed);
  Picture sheet = BlankPicture(32 * across, 32 * down);
  for (int f = 0; f < across * down; ++f) {
    const std::int32_t x = f % across * 32;
    const std::int32_t y = f / across * 32;
    if (f < distinct) {
      DrawCharacter({sheet, x, y, 32, 32}, f, seed + static_cast<std::uint32_t>(f));
    } else {
      const int from = static_cast<int>(random() % static_cast<unsigned>(distinct));
      CopyFrame(sheet, 32, 32, from % across * 32, from / across * 32, x, y, static_cast<int>(random() % 4));
    }
  }
  if (oneSubPalette)
    for (std::uint8_t& index : sheet.indices) index &= 15;
  return sheet;
}

}  // namespace tilora::testing
