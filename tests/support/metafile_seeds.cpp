// Writes metafiles that use many kinds of record into a folder, as seeds for
// scripts/fuzz-metafile.

#include <cstdio>
#include <initializer_list>
#include <string>

#include "bmp_builder.h"
#include "metafile_builder.h"

namespace {

using tilora::testing::MetafileBuilder;

// Little-endian 16-bit (WMF) or 32-bit (EMF) fields.
std::vector<std::uint8_t> Fields(int width, std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values)
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(static_cast<unsigned>(v) >> (8 * i)));
  return out;
}

std::vector<std::uint8_t> Cat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void AddShapes(MetafileBuilder& m, MetafileBuilder::Kind kind) {
  tilora::testing::BmpShape bmp;
  bmp.width = 3;
  bmp.height = -2;
  bmp.depth = 4;
  bmp.pixels = {1, 2, 3, 4, 5, 6};
  m.Bitmap(1, 1, 30, 20, tilora::testing::BuildBmp(bmp));
  m.Pen({10, 20, 30}, 2);
  m.SolidBrush({200, 100, 0});
  if (kind == MetafileBuilder::Kind::kWmf) {
    m.Raw(0x0106, Fields(2, {2}));                                    // polyfill mode
    m.Raw(0x0324, Fields(2, {4, 0, 0, 30, 5, 20, 30, 2, 10}));       // polygon
    m.Raw(0x0538, Fields(2, {2, 3, 3, 0, 0, 9, 0, 0, 9, 5, 5, 15, 5, 5, 15}));  // polypolygon
    m.Raw(0x0817, Fields(2, {0, 40, 40, 0, 50, 50, 0, 0}));          // arc
    m.Raw(0x081A, Fields(2, {40, 0, 0, 40, 50, 50, 0, 0}));          // pie
    m.Raw(0x0830, Fields(2, {0, 0, 40, 40, 50, 50, 0, 0}));          // chord
    m.Raw(0x061C, Fields(2, {6, 6, 40, 40, 2, 2}));                  // round rectangle
    m.Raw(0x001E, {});                                                // save
    m.Raw(0x0416, Fields(2, {30, 30, 5, 5}));                         // clip
    m.Raw(0x041F, Fields(2, {0xFF, 0, 7, 7}));                        // pixel
    m.Raw(0x061D, Fields(2, {0x21, 0xF0, 10, 10, 0, 0}));             // pattern fill
    m.Raw(0x0127, Fields(2, {-1}));                                   // restore
  } else {
    const auto bounds = Fields(4, {0, 0, 49, 49});
    m.Raw(19, Fields(4, {2}));                                                        // polyfill mode
    m.Raw(86, Cat(Cat(bounds, Fields(4, {4})), Fields(2, {0, 0, 30, 5, 20, 30, 2, 10})));  // polygon
    m.Raw(91, Cat(Cat(bounds, Fields(4, {2, 6, 3, 3})), Fields(2, {0, 0, 9, 0, 0, 9, 5, 5, 15, 5, 5, 15})));
    m.Raw(45, Fields(4, {0, 0, 40, 40, 50, 0, 0, 50}));                              // arc
    m.Raw(46, Fields(4, {0, 0, 40, 40, 50, 50, 0, 0}));                              // chord
    m.Raw(47, Fields(4, {0, 0, 40, 40, 0, 0, 50, 50}));                              // pie
    m.Raw(44, Fields(4, {6, 6, 40, 40, 4, 4}));                                      // round rectangle
    m.Raw(33, {});                                                                    // save
    m.Raw(35, Fields(4, {0x3F800000, 0, 0, 0x3F800000, 0x40000000, 0}));             // world transform
    m.Raw(30, Fields(4, {5, 5, 30, 30}));                                            // clip
    m.Raw(59, {});                                                                    // path
    m.Raw(27, Fields(4, {1, 1}));
    m.Raw(54, Fields(4, {40, 10}));
    m.Raw(54, Fields(4, {10, 40}));
    m.Raw(60, {});
    m.Raw(63, bounds);
    m.Raw(85, Cat(Cat(bounds, Fields(4, {4})), Fields(2, {0, 0, 10, 40, 40, 10, 49, 49})));  // bezier
    m.Raw(15, Fields(4, {7, 7, 0xFF}));                                              // pixel
    m.Raw(34, Fields(4, {-1}));                                                       // restore
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("Usage: tilora_metafile_seeds FOLDER\n", stderr);
    return 2;
  }
  const std::string folder = argv[1];
  for (const auto kind : {MetafileBuilder::Kind::kEmf, MetafileBuilder::Kind::kWmf}) {
    const std::string ext = kind == MetafileBuilder::Kind::kEmf ? ".emf" : ".wmf";
    tilora::testing::WriteFileBytes(folder + "/fidelity" + ext, tilora::testing::FidelityPicture(kind));
    MetafileBuilder m(kind, 64, 48);
    m.Pen({1, 2, 3}, 4);
    m.NullBrush();
    m.Ellipse(-10, -10, 80, 60);
    m.Polyline({{0, 0}, {63, 47}, {0, 47}, {63, 0}});
    m.Text(0, 0, "seed", {9, 9, 9}, 300, "Liberation Mono");
    tilora::testing::WriteFileBytes(folder + "/strokes" + ext, m.Finish());
    MetafileBuilder shapes(kind, 50, 50);
    AddShapes(shapes, kind);
    tilora::testing::WriteFileBytes(folder + "/shapes" + ext, shapes.Finish());
  }
  return 0;
}
