#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tilora::ui {

// Where a picture of w x h pixels is drawn in a view of cw x ch pixels with
// stretch, proportional and centre on: the largest rectangle that keeps the
// picture's proportions and fits the view, centred. An empty picture fills
// the view. The arithmetic is fixed to the last bit (see fitting.cpp), so
// every size comes out as the users of the original tool saw it.
QRect FitPicture(int w, int h, int cw, int ch);

// The top-left corner that puts a window of the given outer size in the
// middle of the monitor across and a third of the way down.
QPoint DialogPosition(const QRect& monitor, const QSize& window);

// The client size of the full preview window for a picture: room for the
// picture at its own size plus the frame around the image
// (windowClient - panelClient, the panel's own border, and 10 for its
// border width on both sides), at most three quarters of the monitor in each
// direction. An empty picture (width 0) keeps windowClient.
QSize FullPreviewClientSize(const QSize& picture, const QSize& windowClient, const QSize& panelClient,
                            const QSize& monitor);

}  // namespace tilora::ui
