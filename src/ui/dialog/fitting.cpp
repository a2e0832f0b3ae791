#include "ui/dialog/fitting.h"

#include <algorithm>
#include <limits>

namespace tilora::ui {

// The quotients are taken with a 64-bit significand and truncated, so a size
// that is a whole number in exact arithmetic can come out one smaller (a
// 100 x 300 picture in a 150 x 99 view is 32 wide, not 33). Only x86's
// extended type gives those results everywhere.
#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
static_assert(std::numeric_limits<long double>::digits == 64,
              "the fitting rule needs long double with a 64-bit significand");
#endif
using Extended = long double;

namespace {

// The aspect ratio is rounded to double before it is used; volatile keeps
// x87 code from carrying the division on in extended precision.
double AspectRatio(int w, int h) {
  volatile double a = static_cast<double>(w) / static_cast<double>(h);
  return a;
}

int Trunc(Extended value) { return static_cast<int>(value); }

}  // namespace

QRect FitPicture(int w, int h, int cw, int ch) {
  int width = cw;
  int height = ch;
  if (w > 0 && h > 0) {
    const Extended a = static_cast<Extended>(AspectRatio(w, h));
    if (w > h) {
      width = cw;
      height = Trunc(static_cast<Extended>(cw) / a);
      if (height > ch) {
        height = ch;
        width = Trunc(static_cast<Extended>(ch) * a);
      }
    } else {
      height = ch;
      width = Trunc(static_cast<Extended>(ch) * a);
      if (width > cw) {
        width = cw;
        height = Trunc(static_cast<Extended>(cw) / a);
      }
    }
  }
  // Integer division truncates toward zero, as the centring wants.
  return QRect((cw - width) / 2, (ch - height) / 2, width, height);
}

QPoint DialogPosition(const QRect& monitor, const QSize& window) {
  return QPoint(monitor.left() + (monitor.width() - window.width()) / 2,
                monitor.top() + (monitor.height() - window.height()) / 3);
}

QSize FullPreviewClientSize(const QSize& picture, const QSize& windowClient, const QSize& panelClient,
                            const QSize& monitor) {
  if (picture.width() <= 0) return windowClient;
  constexpr int kBorderWidths = 10;
  return QSize(std::min(monitor.width() * 3 / 4,
                        picture.width() + (windowClient.width() - panelClient.width()) + kBorderWidths),
               std::min(monitor.height() * 3 / 4,
                        picture.height() + (windowClient.height() - panelClient.height()) + kBorderWidths));
}

}  // namespace tilora::ui
