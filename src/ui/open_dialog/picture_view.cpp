#include "ui/open_dialog/picture_view.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/open_dialog/fitting.h"

TPictureView::TPictureView(QWidget* parent) : QWidget(parent) {}

void TPictureView::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

QRect TPictureView::PictureRect() const {
  return tilora::ui::FitPicture(picture_.width(), picture_.height(), width(), height());
}

void TPictureView::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  // A failure must not unwind through Qt's event dispatch.
  bool failed = false;
  try {
    QPainter painter(this);
    DrawPicture(painter, PictureRect());
  } catch (...) {
    failed = true;
  }
  if (failed) emit PaintFailed();
}

void TPictureView::DrawPicture(QPainter& painter, const QRect& target) {
  // No smoothing: tile art is meant to be seen pixel for pixel.
  painter.drawImage(target, picture_);
}

void TPictureView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
  QWidget::mouseDoubleClickEvent(event);
}
