#pragma once

#include <QRect>
#include <QSize>

namespace tilora::ui {

// Where a window whose frame is size goes beside owner's frame, within
// screen (its available area): right of the owner when it fits there, else
// left; else narrowed to the side with more room when that leaves it at
// least narrowest wide, else over that side; level with the owner's top,
// but never past the screen's bottom or right edge. A window larger than
// the screen is cut to it. The result is the new frame.
QRect BesidePlacement(const QRect& owner, QSize size, const QRect& screen, int narrowest);

}  // namespace tilora::ui
