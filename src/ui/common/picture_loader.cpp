#include "ui/common/picture_loader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstdint>
#include <cstdlib>

#include "formats/bmp/bmp_layout.h"
#include "io/byte_source.h"
#include "metafile/metafile_client.h"

namespace tilora::ui {
namespace {

// Every picture shown is read into memory whole, never mapped: a file cut
// short while it is shown must not take the window down, and a huge one
// must not take all memory.
constexpr qint64 kMaxShownFileBytes = qint64{64} << 20;

QString NotValid() { return QStringLiteral("Bitmap image is not valid"); }

// Qt's own limit is below the largest PNG the converter reads (8192 x 8192
// colours); the file cap keeps anything larger from arriving here anyway.
constexpr int kPngAllocationLimitMiB = 320;

QImage Decode(const QByteArray& bytes, const QByteArray& format, int allocationLimitMiB = 0) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setDecideFormatFromContent(false);
  if (allocationLimitMiB > 0) reader.setAllocationLimit(allocationLimitMiB);
  return reader.read();
}

// The file's bytes, or false when it is larger than the cap (also when it
// grows past it while being read).
bool ReadCapped(QFile& file, QByteArray& bytes) {
  bytes = file.read(kMaxShownFileBytes + 1);
  return bytes.size() <= kMaxShownFileBytes;
}

}  // namespace

QString BitmapStructureFailure(const QByteArray& bytes) {
  MemorySource source({reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())});
  return QString::fromLatin1(BmpStructureFailure(source, bytes.size()));
}

QImage LoadPicture(const QString& path, QString* error) {
  const QString suffix = QFileInfo(path).suffix();
  const QString kind = suffix.toLower();
  QString failure;
  QImage image;
  const bool bitmap = kind == QLatin1String("bmp");
  const bool icon = kind == QLatin1String("ico");
  const bool png = kind == QLatin1String("png");
  const bool readWhole = bitmap || icon || png;  // the others go to the metafile decoder
  if (!readWhole && kind != QLatin1String("emf") && kind != QLatin1String("wmf")) {
    failure = QStringLiteral("Unknown picture file extension (.%1)").arg(suffix);
  } else {
    QFile file(path);
    QByteArray bytes;
    if (!file.open(QIODevice::ReadOnly)) {
      failure = QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file.errorString());
    } else if (!readWhole) {
      file.close();
      image = metafile::DecodeMetafile(path, &failure);
    } else if (!ReadCapped(file, bytes)) {
      failure = QStringLiteral("Cannot show \"%1\": the file is larger than 64 MiB").arg(QDir::toNativeSeparators(path));
    } else if (bitmap) {
      failure = BitmapStructureFailure(bytes);
      if (failure.isEmpty()) {
        image = Decode(bytes, "bmp");
        if (image.isNull()) failure = NotValid();
      }
    } else if (png) {
      image = Decode(bytes, "png", kPngAllocationLimitMiB);
      if (image.isNull()) failure = QStringLiteral("PNG image is not valid");
    } else {
      image = Decode(bytes, "ico");
      if (image.isNull()) failure = QStringLiteral("Icon image is not valid");
    }
  }
  if (error) *error = failure;
  return failure.isEmpty() ? image : QImage();
}

}  // namespace tilora::ui
