// Writes the test metafiles into a folder, as seeds for scripts/fuzz-metafile.

#include <cstdio>
#include <string>

#include "bmp_builder.h"
#include "metafile_builder.h"

int main(int argc, char** argv) {
  using tilora::testing::MetafileBuilder;
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
  }
  return 0;
}
