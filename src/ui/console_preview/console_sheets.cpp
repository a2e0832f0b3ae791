#include "ui/console_preview/console_sheets.h"

#include <QColor>
#include <QPainter>

#include "ui/console_preview/console_preview_model.h"

namespace tilora::ui {
namespace {

const QRgb kSwatchBorder = qRgb(24, 24, 24);

}  // namespace

QImage SwatchImage(const SwatchGrid& grid) {
  if (grid.colours.empty() || grid.across <= 0) return {};
  QImage swatches(grid.across * kSwatchSide, grid.Rows() * kSwatchSide, QImage::Format_RGB32);
  swatches.fill(kSwatchBorder);
  QPainter painter(&swatches);
  for (std::size_t i = 0; i < grid.colours.size(); ++i) {
    const int at = static_cast<int>(i);
    const QRect square((at % grid.across) * kSwatchSide + 1, (at / grid.across) * kSwatchSide + 1, kSwatchSide - 2,
                       kSwatchSide - 2);
    const Rgb& c = grid.colours[i];
    painter.fillRect(square, QColor(c.red, c.green, c.blue));
  }
  return swatches;
}

}  // namespace tilora::ui
