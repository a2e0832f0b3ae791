#include "ui/console_preview/window_placement.h"

#include <algorithm>

namespace tilora::ui {

QRect BesidePlacement(const QRect& owner, QSize size, const QRect& screen, int narrowest) {
  size = size.boundedTo(screen.size());
  const int rightRoom = screen.right() - owner.right();
  const int leftRoom = owner.left() - screen.left();
  const int room = std::max(rightRoom, leftRoom);
  if (rightRoom < size.width() && leftRoom < size.width() && room >= narrowest) size.setWidth(room);
  int left = 0;
  if (rightRoom >= size.width())
    left = owner.right() + 1;
  else if (leftRoom >= size.width())
    left = owner.left() - size.width();
  else
    left = rightRoom >= leftRoom ? screen.right() + 1 - size.width() : screen.left();
  const int top = std::clamp(owner.top(), screen.top(), screen.bottom() + 1 - size.height());
  return {QPoint(left, top), size};
}

}  // namespace tilora::ui
