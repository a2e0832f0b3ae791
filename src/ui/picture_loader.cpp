#include "ui/picture_loader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstdint>
#include <cstdlib>

#include "convert/picture_header.h"
#include "metafile/metafile_client.h"

namespace tilora::ui {
namespace {

constexpr qint64 kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;  // the old form: 16-bit sizes, 3-byte colours
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBitFields = 3;

QString StreamReadError() { return QStringLiteral("Stream read error"); }
QString NotValid() { return QStringLiteral("Bitmap image is not valid"); }

const unsigned char* At(const QByteArray& bytes, qint64 offset) {
  return reinterpret_cast<const unsigned char*>(bytes.constData()) + offset;
}

QImage Decode(const QByteArray& bytes, const QByteArray& format) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setDecideFormatFromContent(false);
  return reader.read();
}

}  // namespace

QString BitmapStructureFailure(const QByteArray& bytes) {
  const qint64 size = bytes.size();
  if (size < kFileHeaderSize) return StreamReadError();
  if (bytes[0] != 'B' || bytes[1] != 'M') return NotValid();
  if (size < kFileHeaderSize + 4) return StreamReadError();
  const std::uint32_t headerSize = LoadLE32(At(bytes, kFileHeaderSize));
  if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) return NotValid();
  if (size - kFileHeaderSize < static_cast<qint64>(headerSize)) return StreamReadError();

  const bool core = headerSize == kCoreHeaderSize;
  const unsigned char* info = At(bytes, kFileHeaderSize);
  const std::int64_t width = core ? LoadLE16(info + 4) : static_cast<std::int32_t>(LoadLE32(info + 4));
  const std::int64_t height = core ? LoadLE16(info + 6) : static_cast<std::int32_t>(LoadLE32(info + 8));
  const unsigned planes = core ? LoadLE16(info + 8) : LoadLE16(info + 12);
  const unsigned depth = core ? LoadLE16(info + 10) : LoadLE16(info + 14);
  const std::uint32_t compression = core ? 0 : LoadLE32(info + 16);
  const std::uint32_t coloursUsed = core ? 0 : LoadLE32(info + 32);
  if (planes != 1) return NotValid();

  qint64 tableBytes = 0;
  if (depth >= 1 && depth <= 8) {
    const std::uint32_t full = 1u << depth;
    const std::uint32_t entries = coloursUsed >= 1 && coloursUsed < full ? coloursUsed : full;
    tableBytes = static_cast<qint64>(entries) * (core ? 3 : 4);
  } else if (compression == kBitFields && headerSize == kInfoHeaderSize) {
    tableBytes = 12;  // the three colour masks
  }
  const qint64 tableEnd = kFileHeaderSize + headerSize + tableBytes;
  if (size < tableEnd) return StreamReadError();

  // Rows of an uncompressed picture are all there, or the picture is cut short.
  if ((compression == 0 || compression == kBitFields) && depth >= 1 && depth <= 32) {
    const std::int64_t dataOffset = static_cast<std::int32_t>(LoadLE32(At(bytes, 10)));
    const std::int64_t stride = (std::abs(width) * depth + 31) / 32 * 4;
    const std::int64_t rows = std::abs(height);
    if (dataOffset >= 0 && stride > 0 && rows > (size - dataOffset) / stride) return StreamReadError();
  }
  return {};
}

QImage LoadPicture(const QString& path, QString* error) {
  const QString suffix = QFileInfo(path).suffix();
  const QString kind = suffix.toLower();
  QString failure;
  QImage image;
  const bool bitmap = kind == QLatin1String("bmp");
  const bool icon = kind == QLatin1String("ico");
  if (!bitmap && !icon && kind != QLatin1String("emf") && kind != QLatin1String("wmf")) {
    failure = QStringLiteral("Unknown picture file extension (.%1)").arg(suffix);
  } else {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      failure = QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file.errorString());
    } else if (bitmap) {
      // Mapped rather than read: only the pages the decoder touches come in.
      const qint64 size = file.size();
      const uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
      const QByteArray bytes =
          mapped ? QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), static_cast<qsizetype>(size))
                 : file.readAll();
      failure = BitmapStructureFailure(bytes);
      if (failure.isEmpty()) {
        image = Decode(bytes, "bmp");
        if (image.isNull()) failure = NotValid();
      }
    } else if (icon) {
      image = Decode(file.readAll(), "ico");
      if (image.isNull()) failure = QStringLiteral("Icon image is not valid");
    } else {
      file.close();
      image = metafile::DecodeMetafile(path, &failure);
    }
  }
  if (error) *error = failure;
  return failure.isEmpty() ? image : QImage();
}

}  // namespace tilora::ui
