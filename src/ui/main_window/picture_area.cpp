#include "ui/main_window/picture_area.h"

#include <QEvent>
#include <QPainter>

PictureArea::PictureArea(QWidget* parent) : QScrollArea(parent) {}

// The frame is painted in this widget's own paint event, the viewport in
// another; the focus mark goes over the frame once it is drawn.
bool PictureArea::event(QEvent* event) {
  const bool handled = QScrollArea::event(event);
  if (event->type() == QEvent::Paint && hasFocus() && frameWidth() > 0) {
    QPainter painter(this);
    const int width = frameWidth();
    QPen pen(palette().color(QPalette::Highlight), width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal inset = width / 2.0;
    painter.drawRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset));
  }
  return handled;
}
