#include "ui/console_preview/console_picture_view.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr int kTileSide = 8;
constexpr int kMarkPen = 2;

}  // namespace

ConsolePictureView::ConsolePictureView(QWidget* parent) : QWidget(parent) {}

void ConsolePictureView::SetImage(const QImage& image) {
  image_ = image;
  Resize();
}

void ConsolePictureView::SetZoom(int zoom) {
  zoom_ = std::max(1, zoom);
  Resize();
}

void ConsolePictureView::SetGrid(bool grid) {
  grid_ = grid;
  update();
}

void ConsolePictureView::SetMarked(std::optional<QRect> marked) {
  marked_ = marked;
  update();
}

QSize ConsolePictureView::sizeHint() const { return image_.size() * zoom_; }

void ConsolePictureView::Resize() {
  resize(sizeHint());
  updateGeometry();
  update();
}

void ConsolePictureView::paintEvent(QPaintEvent* event) {
  if (image_.isNull()) return;
  QPainter painter(this);
  const QRect exposed = event->rect();
  // Only the exposed part is scaled: a large picture at 4x would otherwise
  // be scaled whole for every repaint.
  const QRect source(exposed.x() / zoom_, exposed.y() / zoom_, exposed.width() / zoom_ + 2,
                     exposed.height() / zoom_ + 2);
  const QRect clipped = source.intersected(image_.rect());
  painter.drawImage(QRect(clipped.topLeft() * zoom_, clipped.size() * zoom_), image_, clipped);
  if (grid_) {
    painter.setPen(QColor(255, 255, 255, 70));
    const int step = kTileSide * zoom_;
    for (int x = (exposed.left() / step) * step; x <= exposed.right(); x += step)
      painter.drawLine(x, exposed.top(), x, exposed.bottom());
    for (int y = (exposed.top() / step) * step; y <= exposed.bottom(); y += step)
      painter.drawLine(exposed.left(), y, exposed.right(), y);
  }
  if (marked_) {
    painter.setPen(QPen(Qt::red, kMarkPen));
    painter.setBrush(Qt::NoBrush);
    const QRect box(marked_->topLeft() * zoom_, marked_->size() * zoom_);
    // Outside the tile, so its pixels stay visible.
    painter.drawRect(box.adjusted(-1, -1, 1, 1));
  }
}
