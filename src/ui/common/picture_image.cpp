#include "ui/common/picture_image.h"

namespace tilora::ui {

QImage ImageOf(const Picture& picture) {
  const bool alpha = !picture.indexed && picture.hasAlpha;
  QImage image(picture.width, picture.height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (image.isNull()) return image;
  for (std::int32_t y = 0; y < picture.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (std::int32_t x = 0; x < picture.width; ++x) {
      if (!picture.indexed) {
        const Rgba& c = picture.ColourAt(x, y);
        line[x] = qRgba(c.red, c.green, c.blue, alpha ? c.alpha : 255);
        continue;
      }
      const std::uint8_t index = picture.IndexAt(x, y);
      const Rgb c = index < picture.palette.size() ? picture.palette[index] : Rgb{};
      line[x] = qRgb(c.red, c.green, c.blue);
    }
  }
  return image;
}

QImage ImageOf(const RgbImage& image) {
  QImage out(image.width, image.height, QImage::Format_RGB32);
  if (out.isNull()) return out;
  for (std::int32_t y = 0; y < image.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    const Rgb* row = image.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width);
    for (std::int32_t x = 0; x < image.width; ++x) line[x] = qRgb(row[x].red, row[x].green, row[x].blue);
  }
  return out;
}

}  // namespace tilora::ui
