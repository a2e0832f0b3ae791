#include "ui/picture_loader.h"

#include <QFileInfo>
#include <QImageReader>

#include "metafile/metafile_client.h"

namespace tilora::ui {

QImage LoadPicture(const QString& path, QString* error) {
  const QString suffix = QFileInfo(path).suffix();
  const QString kind = suffix.toLower();
  QString failure;
  QImage image;
  if (kind == QLatin1String("bmp") || kind == QLatin1String("ico")) {
    QImageReader reader(path, kind.toLatin1());
    reader.setDecideFormatFromContent(false);
    image = reader.read();
    if (image.isNull()) failure = QStringLiteral("Bitmap image is not valid");
  } else if (kind == QLatin1String("emf") || kind == QLatin1String("wmf")) {
    image = metafile::DecodeMetafile(path, &failure);
  } else {
    failure = QStringLiteral("Unknown picture file extension (.%1)").arg(suffix);
  }
  if (error) *error = failure;
  return failure.isEmpty() ? image : QImage();
}

}  // namespace tilora::ui
