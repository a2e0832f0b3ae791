#include "ui/open_dialog/fitting.h"

#include <algorithm>

#include "ui/open_dialog/extended_truncation.h"

namespace tilora::ui {

namespace {

// The aspect ratio is rounded to double before it is used; volatile keeps
// x87 code from carrying the division on in extended precision.
double AspectRatio(int w, int h) {
  volatile double a = static_cast<double>(w) / static_cast<double>(h);
  return a;
}

}  // namespace

QRect FitPicture(int w, int h, int cw, int ch) {
  int width = cw;
  int height = ch;
  if (w > 0 && h > 0) {
    // The sizes are products and quotients with the ratio rounded to a 64-bit
    // significand and truncated, so a size that is a whole number in exact
    // arithmetic can come out one smaller (a 100 x 300 picture in a 150 x 99
    // view is 32 wide, not 33).
    const double a = AspectRatio(w, h);
    if (w > h) {
      width = cw;
      height = ExtendedQuotientTruncated(cw, a);
      if (height > ch) {
        height = ch;
        width = ExtendedProductTruncated(ch, a);
      }
    } else {
      height = ch;
      width = ExtendedProductTruncated(ch, a);
      if (width > cw) {
        width = cw;
        height = ExtendedQuotientTruncated(cw, a);
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
