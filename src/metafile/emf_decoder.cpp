// EMF: the SVG converter turns the records into SVG, which Qt renders.

#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include <emf2svg.h>

#include "metafile/decode_support.h"
#include "metafile/metafile_decoder.h"

namespace tilora::metafile {
namespace {

using namespace detail;

// Where the picture lies in the reference device's pixels, and its natural
// size: the header's frame (0.01 mm) at 96 dpi, or the inclusive bounds when
// the frame is empty.
struct EmfGeometry {
  int width = 0;
  int height = 0;
  QRectF frameInDevice;
  QRectF bounds;  // left, top and the spans right - left, bottom - top
  double pixelsPerDeviceX = 1;
  double pixelsPerDeviceY = 1;
};

// The converter trusts the header's description and pixel format offsets
// and reads past the file for bad ones (found by fuzzing).
bool HeaderPartsInside(const QByteArray& bytes) {
  const qint64 headerSize = I32At(bytes, 4);
  if (headerSize > bytes.size()) return false;
  const auto inside = [&](qsizetype offsetAt, qsizetype countAt, qint64 unit) {
    const qint64 count = static_cast<quint32>(I32At(bytes, countAt));
    const qint64 offset = static_cast<quint32>(I32At(bytes, offsetAt));
    return count == 0 || (offset >= 88 && offset + count * unit <= headerSize);
  };
  constexpr qsizetype kWithPixelFormat = 100;
  return inside(64, 60, 2) && (headerSize < kWithPixelFormat || inside(92, 88, 1));
}

bool ReadEmfGeometry(const QByteArray& bytes, EmfGeometry* g, QString* error) {
  constexpr qsizetype kHeaderSize = 88;
  constexpr quint32 kSignature = 0x464D4520;
  if (bytes.size() < kHeaderSize || I32At(bytes, 0) != 1 || I32At(bytes, 4) < kHeaderSize ||
      static_cast<quint32>(I32At(bytes, 40)) != kSignature)
    return Fail(error, QStringLiteral("not an enhanced metafile"));
  if (!HeaderPartsInside(bytes)) return Fail(error, QStringLiteral("the header points outside itself"));
  const auto value = [&](qsizetype at) { return static_cast<double>(I32At(bytes, at)); };
  const double boundsW = value(16) - value(8), boundsH = value(20) - value(12);
  const double frameW = value(32) - value(24), frameH = value(36) - value(28);
  // Device pixels per 0.01 mm of the reference device.
  double perX = value(72) / (value(80) * 100), perY = value(76) / (value(84) * 100);
  if (!(perX > 0 && perY > 0 && std::isfinite(perX) && std::isfinite(perY))) perX = perY = kPixelsPerInch / 2540;
  double width = std::round(frameW * kPixelsPerInch / 2540);
  double height = std::round(frameH * kPixelsPerInch / 2540);
  if (width >= 1 && height >= 1) {
    g->frameInDevice = QRectF(value(24) * perX, value(28) * perY, frameW * perX, frameH * perY);
    g->pixelsPerDeviceX = kPixelsPerInch / 2540 / perX;
    g->pixelsPerDeviceY = kPixelsPerInch / 2540 / perY;
  } else {
    width = boundsW + 1;
    height = boundsH + 1;
    g->frameInDevice = QRectF(value(8), value(12), width, height);
  }
  if (!(boundsW >= 0 && boundsH >= 0) || g->frameInDevice.isEmpty())
    return Fail(error, QStringLiteral("the picture has no area"));
  if (!SizeAllowed(width, height, error)) return false;
  g->width = static_cast<int>(width);
  g->height = static_cast<int>(height);
  // In doubles: the spans of hostile 32-bit edges overflow an int.
  g->bounds = QRectF(value(8), value(12), boundsW, boundsH);
  return true;
}

// The SVG converter ignores the width of pens made by the plain pen record;
// the extended record with the same pen keeps it. A record whose size is
// impossible ends the picture: what follows it cannot be read as records.
QByteArray WidenPens(const QByteArray& bytes) {
  constexpr qint32 kCreatePen = 38, kExtCreatePen = 95, kGeometric = 0x10000;
  QByteArray out;
  out.reserve(bytes.size());
  qsizetype at = 0;
  while (at + 8 <= bytes.size()) {
    const qint32 type = I32At(bytes, at), size = I32At(bytes, at + 4);
    if (size < 8 || size % 4 != 0 || size > bytes.size() - at) break;
    if (type == kCreatePen && size >= 28 && I32At(bytes, at + 16) > 1) {
      const qint32 fields[] = {kExtCreatePen, 52, I32At(bytes, at + 8), 0, 0, 0, 0,
                               I32At(bytes, at + 12) | kGeometric, I32At(bytes, at + 16), 0,
                               I32At(bytes, at + 24), 0, 0};
      for (qint32 f : fields) {
        char le[4];
        qToLittleEndian<qint32>(f, le);
        out.append(le, 4);
      }
    } else {
      out.append(bytes.constData() + at, size);
    }
    at += size;
  }
  if (out.size() >= 52) qToLittleEndian<qint32>(static_cast<qint32>(out.size()), out.data() + 48);
  return out;
}

}  // namespace

QImage DecodeEmf(const QByteArray& bytes, QString* error) {
  EmfGeometry g;
  if (!ReadEmfGeometry(bytes, &g, error)) return {};
  QByteArray contents = WidenPens(bytes);
  // No namespace prefix: the converter leaves it off some closing tags
  // (clip paths), which then no longer match their opening ones.
  char nameSpace[] = "";
  generatorOptions options{};
  options.nameSpace = nameSpace;
  options.verbose = false;
  options.emfplus = true;
  options.svgDelimiter = true;
  // One SVG unit a device pixel: the converter spans the bounds with these.
  options.imgWidth = std::max(1.0, g.bounds.width());
  options.imgHeight = std::max(1.0, g.bounds.height());
  char* svg = nullptr;
  size_t svgLength = 0;
  const int ok = emf2svg(contents.data(), static_cast<size_t>(contents.size()), &svg, &svgLength, &options);
  const std::unique_ptr<char, decltype(&std::free)> owned(svg, &std::free);
  if (!ok || !svg || svgLength == 0) {
    Fail(error, QStringLiteral("the enhanced metafile's records cannot be read"));
    return {};
  }
  QSvgRenderer renderer(QByteArray(svg, static_cast<qsizetype>(svgLength)));
  if (!renderer.isValid()) {
    Fail(error, QStringLiteral("the enhanced metafile's drawing cannot be rendered"));
    return {};
  }
  QImage image = BlankCanvas(g.width, g.height);
  QPainter painter(&image);
  const double sx = g.pixelsPerDeviceX, sy = g.pixelsPerDeviceY;
  // Integer coordinates address pixel centres, as in the format's own device.
  painter.translate((g.bounds.left() - g.frameInDevice.left()) * sx + 0.5,
                    (g.bounds.top() - g.frameInDevice.top()) * sy + 0.5);
  painter.scale(sx, sy);
  renderer.render(&painter, renderer.viewBoxF());
  return image;
}

}  // namespace tilora::metafile
