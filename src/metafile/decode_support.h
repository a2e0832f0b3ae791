#pragma once

// Small pieces both decoders share.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QtEndian>

#include "metafile/metafile_decoder.h"

namespace tilora::metafile::detail {

inline constexpr double kPixelsPerInch = 96.0;

inline bool Fail(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}

inline bool SizeAllowed(double width, double height, QString* error) {
  if (!(width >= 1 && height >= 1)) return Fail(error, QStringLiteral("the picture has no area"));
  if (width > kMaxSide || height > kMaxSide || width * height > static_cast<double>(kMaxPixels))
    return Fail(error, QStringLiteral("the picture is too large (%1 x %2)").arg(width).arg(height));
  return true;
}

inline QImage BlankCanvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// Out-of-range reads give 0; callers check sizes first, this keeps a slip
// safe. Out of line: inlined, GCC's bounds analysis mistakes an empty array's
// shared storage for the buffer being read.
qint32 I32At(const QByteArray& bytes, qsizetype at);

}  // namespace tilora::metafile::detail
