#include "ui/console_preview/console_picture_view.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace {

constexpr int kMarkPen = 2;
constexpr int kGridAlpha = 150;
constexpr int kGridDash = 2;

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

void ConsolePictureView::SetGridStep(QSize step) {
  gridStep_ = step.expandedTo(QSize(1, 1));
  update();
}

void ConsolePictureView::SetOutlines(std::vector<QRect> outlines) {
  outlines_ = std::move(outlines);
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
  if (grid_) DrawGrid(painter, exposed);
  if (!outlines_.empty()) DrawOutlines(painter);
  if (marked_) DrawMark(painter);
}

// Each line in dashes of black and white, so it shows on any colour: one
// pale line vanishes on white, a dark one on black.
void ConsolePictureView::DrawGrid(QPainter& painter, const QRect& exposed) const {
  const int across = gridStep_.width() * zoom_;
  const int down = gridStep_.height() * zoom_;
  const QRect drawn = exposed.intersected(QRect(QPoint(0, 0), image_.size() * zoom_));
  QPen dark(QColor(0, 0, 0, kGridAlpha), 0);
  QPen light(QColor(255, 255, 255, kGridAlpha), 0);
  light.setDashPattern({kGridDash, kGridDash});
  for (const QPen& pen : {dark, light}) {
    painter.setPen(pen);
    for (int x = (drawn.left() / across) * across; x <= drawn.right(); x += across)
      painter.drawLine(x, drawn.top(), x, drawn.bottom());
    for (int y = (drawn.top() / down) * down; y <= drawn.bottom(); y += down)
      painter.drawLine(drawn.left(), y, drawn.right(), y);
  }
}

// Along each rectangle's inside, in dashes of yellow and black, so that
// outlines that touch stay apart and show on any colour.
void ConsolePictureView::DrawOutlines(QPainter& painter) const {
  QPen dark(QColor(0, 0, 0), 0);
  QPen bright(QColor(255, 230, 0), 0);
  bright.setDashPattern({kGridDash, kGridDash});
  painter.setBrush(Qt::NoBrush);
  for (const QPen& pen : {dark, bright}) {
    painter.setPen(pen);
    for (const QRect& outline : outlines_) {
      const QRect zoomed(outline.topLeft() * zoom_, outline.size() * zoom_);
      if (!zoomed.isEmpty()) painter.drawRect(zoomed.adjusted(0, 0, -1, -1));
    }
  }
}

// Around the tile where there is room, so its pixels stay visible; on the
// picture's edges inside it, since the view ends there.
void ConsolePictureView::DrawMark(QPainter& painter) const {
  const QRect tile(marked_->topLeft() * zoom_, marked_->size() * zoom_);
  const QRect ring =
      tile.adjusted(-kMarkPen, -kMarkPen, kMarkPen, kMarkPen).intersected(QRect(QPoint(0, 0), image_.size() * zoom_));
  if (ring.isEmpty()) return;
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::red);
  const int across = std::min(kMarkPen, ring.width());
  const int down = std::min(kMarkPen, ring.height());
  painter.drawRect(ring.left(), ring.top(), ring.width(), down);
  painter.drawRect(ring.left(), ring.bottom() - down + 1, ring.width(), down);
  painter.drawRect(ring.left(), ring.top(), across, ring.height());
  painter.drawRect(ring.right() - across + 1, ring.top(), across, ring.height());
}
