#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tilora::metafile {

enum class MetafileKind { kEmf, kWmf };

// Pictures larger than this on either side are refused rather than allocated.
inline constexpr int kMaxSide = 16384;
inline constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;

// Renders a metafile's bytes at its natural size (96 pixels per inch) with
// exact colours and no antialiasing. Runs the decoding libraries in this
// process: only the helper program and the fuzz target call these. On
// failure returns a null image and a one-line reason in *error.
QImage DecodeEmf(const QByteArray& bytes, QString* error);
QImage DecodeWmf(const QByteArray& bytes, QString* error);
QImage DecodeMetafileBytes(MetafileKind kind, const QByteArray& bytes, QString* error);

}  // namespace tilora::metafile
