#include "ui/open_dialog/silent_paint_panel.h"

#include <QPainter>
#include <QVBoxLayout>

#include "ui/open_dialog/picture_view.h"

namespace {
const char* const kInvalidImage = "Invalid image";
}

TSilentPaintPanel::TSilentPaintPanel(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kBevels, kBevels, kBevels, kBevels);
  layout->setSpacing(0);
}

void TSilentPaintPanel::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
  emit CaptionChanged(caption_);
}

void TSilentPaintPanel::SetView(TPictureView* view) {
  layout()->addWidget(view);
  connect(view, &TPictureView::PaintFailed, this, &TSilentPaintPanel::PaintFailed);
}

void TSilentPaintPanel::PaintFailed() { SetCaption(QString::fromLatin1(kInvalidImage)); }

void TSilentPaintPanel::paintEvent(QPaintEvent*) {
  bool failed = false;
  try {
    QPainter painter(this);
    PaintPanel(painter);
  } catch (...) {
    failed = true;
  }
  if (failed) PaintFailed();
}

void TSilentPaintPanel::PaintPanel(QPainter& painter) {
  const QPalette& colours = palette();
  const QColor shadow = colours.color(QPalette::Dark);
  const QColor light = colours.color(QPalette::Light);
  QRect r = rect();
  painter.fillRect(r, colours.color(QPalette::Button));
  // Each bevel: two edges of one colour, the two opposite of the other.
  auto bevel = [&painter](const QRect& b, const QColor& topLeft, const QColor& bottomRight) {
    painter.fillRect(QRect(b.left(), b.top(), b.width(), 1), topLeft);
    painter.fillRect(QRect(b.left(), b.top(), 1, b.height()), topLeft);
    painter.fillRect(QRect(b.left(), b.bottom(), b.width(), 1), bottomRight);
    painter.fillRect(QRect(b.right(), b.top(), 1, b.height()), bottomRight);
  };
  bevel(r, shadow, light);  // lowered outer
  r.adjust(kBevelWidth, kBevelWidth, -kBevelWidth, -kBevelWidth);
  bevel(r, light, shadow);  // raised inner
  r.adjust(kBevelWidth, kBevelWidth, -kBevelWidth, -kBevelWidth);
  if (!caption_.isEmpty()) {
    painter.setPen(colours.color(QPalette::ButtonText));
    painter.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, caption_);
  }
}
