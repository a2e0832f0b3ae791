#include "snes/sprites/line_figures.h"

#include <algorithm>
#include <map>

namespace tilora::sprites {

FrameFigures FiguresOf(const std::vector<Placement>& objects) {
  FrameFigures figures;
  figures.objects = static_cast<int>(objects.size());
  // Changes in the counts where objects start and end, line by line.
  std::map<int, std::pair<int, int>> changes;
  for (const Placement& o : objects) {
    auto& start = changes[o.y];
    ++start.first;
    start.second += o.size / 8;
    auto& end = changes[o.y + o.size];
    --end.first;
    end.second -= o.size / 8;
  }
  int onLine = 0;
  int slivers = 0;
  for (const auto& [line, change] : changes) {
    onLine += change.first;
    slivers += change.second;
    figures.mostObjectsOnLine = std::max(figures.mostObjectsOnLine, onLine);
    figures.mostSliversOnLine = std::max(figures.mostSliversOnLine, slivers);
  }
  return figures;
}

std::optional<std::string> LineWarning(std::int32_t frameX, std::int32_t frameY, const FrameFigures& figures) {
  if (figures.mostObjectsOnLine <= kLineObjects && figures.mostSliversOnLine <= kLineSlivers) return std::nullopt;
  return "The frame at " + std::to_string(frameX) + "," + std::to_string(frameY) + " puts up to " +
         std::to_string(figures.mostObjectsOnLine) + " objects and " + std::to_string(figures.mostSliversOnLine) +
         " 8-pixel slivers on one line; the console draws " + std::to_string(kLineObjects) + " and " +
         std::to_string(kLineSlivers) + " a line.";
}

}  // namespace tilora::sprites
