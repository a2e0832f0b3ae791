#include "metafile/metafile_decoder.h"

#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/defs.h>
#include <libwmf/ipa.h>
#include <libwmf/macro.h>

namespace tilora::metafile {
namespace {

constexpr double kPixelsPerInch = 96.0;

bool Fail(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}

bool SizeAllowed(double width, double height, QString* error) {
  if (!(width >= 1 && height >= 1)) return Fail(error, QStringLiteral("the picture has no area"));
  if (width > kMaxSide || height > kMaxSide || width * height > static_cast<double>(kMaxPixels))
    return Fail(error, QStringLiteral("the picture is too large (%1 x %2)").arg(width).arg(height));
  return true;
}

QImage BlankCanvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

qint32 I32At(const QByteArray& bytes, qsizetype at) {
  return qFromLittleEndian<qint32>(bytes.constData() + at);
}

// --- EMF: the library turns the records into SVG, which Qt renders. ---------

// Where the picture lies in the reference device's pixels, and its natural
// size: the header's frame (0.01 mm) at 96 dpi, or the inclusive bounds when
// the frame is empty.
struct EmfGeometry {
  int width = 0;
  int height = 0;
  QRectF frameInDevice;
  QRect bounds;
  double pixelsPerDeviceX = 1;
  double pixelsPerDeviceY = 1;
};

bool ReadEmfGeometry(const QByteArray& bytes, EmfGeometry* g, QString* error) {
  constexpr qsizetype kHeaderSize = 88;
  constexpr quint32 kSignature = 0x464D4520;
  if (bytes.size() < kHeaderSize || I32At(bytes, 0) != 1 || I32At(bytes, 4) < kHeaderSize ||
      static_cast<quint32>(I32At(bytes, 40)) != kSignature)
    return Fail(error, QStringLiteral("not an enhanced metafile"));
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
  g->bounds = QRect(QPoint(I32At(bytes, 8), I32At(bytes, 12)), QPoint(I32At(bytes, 16), I32At(bytes, 20)));
  return true;
}

// The SVG converter ignores the width of pens made by the plain pen record;
// the extended record with the same pen keeps it.
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
  out.append(bytes.constData() + at, bytes.size() - at);
  if (out.size() >= 52) qToLittleEndian<qint32>(static_cast<qint32>(out.size()), out.data() + 48);
  return out;
}

}  // namespace

QImage DecodeEmf(const QByteArray& bytes, QString* error) {
  EmfGeometry g;
  if (!ReadEmfGeometry(bytes, &g, error)) return {};
  QByteArray contents = WidenPens(bytes);
  char nameSpace[] = "svg";
  generatorOptions options{};
  options.nameSpace = nameSpace;
  options.verbose = false;
  options.emfplus = true;
  options.svgDelimiter = true;
  // One SVG unit a device pixel: the converter spans the bounds with these.
  options.imgWidth = std::max(1, g.bounds.width() - 1);
  options.imgHeight = std::max(1, g.bounds.height() - 1);
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

// --- WMF: the library plays the records into our device layer. ---------------

namespace {

struct WmfDevice {
  QPainter* painter = nullptr;
};

WmfDevice* DeviceOf(wmfAPI* api) { return static_cast<WmfDevice*>(api->device_data); }

QColor ColourOf(const wmfRGB* rgb) { return QColor(rgb->r, rgb->g, rgb->b); }

QPointF At(const wmfD_Coord& c) { return QPointF(static_cast<double>(c.x), static_cast<double>(c.y)); }

QRectF BoxOf(const wmfD_Coord& tl, const wmfD_Coord& br) { return QRectF(At(tl), At(br)).normalized(); }

bool HasBrush(wmfDC* dc) { return dc->brush && WMF_BRUSH_STYLE(dc->brush) != BS_NULL; }
bool HasPen(wmfDC* dc) { return dc->pen && WMF_PEN_STYLE(dc->pen) != PS_NULL; }

Qt::BrushStyle HatchOf(unsigned hatch) {
  switch (hatch) {
    case HS_HORIZONTAL: return Qt::HorPattern;
    case HS_VERTICAL: return Qt::VerPattern;
    case HS_FDIAGONAL: return Qt::FDiagPattern;
    case HS_BDIAGONAL: return Qt::BDiagPattern;
    case HS_CROSS: return Qt::CrossPattern;
    default: return Qt::DiagCrossPattern;
  }
}

QBrush BrushOf(wmfDC* dc) {
  if (!HasBrush(dc)) return Qt::NoBrush;
  const QColor colour = ColourOf(WMF_BRUSH_COLOR(dc->brush));
  if (WMF_BRUSH_STYLE(dc->brush) == BS_HATCHED) return QBrush(colour, HatchOf(WMF_BRUSH_HATCH(dc->brush)));
  return QBrush(colour);
}

QPen PenOf(wmfDC* dc) {
  if (!HasPen(dc)) return Qt::NoPen;
  QPen pen(ColourOf(WMF_PEN_COLOR(dc->pen)));
  // Width 0 is the one-pixel cosmetic pen.
  const double width = WMF_PEN_WIDTH(dc->pen);
  if (width > 0) pen.setWidthF(width);
  else pen.setCosmetic(true);
  switch (WMF_PEN_STYLE(dc->pen)) {
    case PS_DASH: pen.setStyle(Qt::DashLine); break;
    case PS_DOT: pen.setStyle(Qt::DotLine); break;
    case PS_DASHDOT: pen.setStyle(Qt::DashDotLine); break;
    case PS_DASHDOTDOT: pen.setStyle(Qt::DashDotDotLine); break;
    default: break;
  }
  switch (WMF_PEN_ENDCAP(dc->pen)) {
    case PS_ENDCAP_SQUARE: pen.setCapStyle(Qt::SquareCap); break;
    case PS_ENDCAP_FLAT: pen.setCapStyle(Qt::FlatCap); break;
    default: pen.setCapStyle(Qt::RoundCap); break;
  }
  switch (WMF_PEN_JOIN(dc->pen)) {
    case PS_JOIN_BEVEL: pen.setJoinStyle(Qt::BevelJoin); break;
    case PS_JOIN_MITER: pen.setJoinStyle(Qt::MiterJoin); break;
    default: pen.setJoinStyle(Qt::RoundJoin); break;
  }
  return pen;
}

// Fills with the brush, then outlines with the pen, as the format does.
void Paint(wmfAPI* api, wmfDC* dc, const QPainterPath& path) {
  QPainter* p = DeviceOf(api)->painter;
  p->fillPath(path, BrushOf(dc));
  p->strokePath(path, PenOf(dc));
}

QPolygonF PolygonOf(const wmfD_Coord* points, unsigned count) {
  QPolygonF polygon;
  polygon.reserve(static_cast<qsizetype>(count));
  for (unsigned i = 0; i < count; ++i) polygon << At(points[i]);
  return polygon;
}

Qt::FillRule FillRuleOf(wmfDC* dc) { return WMF_DC_POLYFILL(dc) == WINDING ? Qt::WindingFill : Qt::OddEvenFill; }

void NoOp(wmfAPI*) {}
void NoFlood(wmfAPI*, wmfFlood_t*) {}
void NoUserData(wmfAPI*, wmfUserData_t*) {}

void DrawPixel(wmfAPI* api, wmfDrawPixel_t* d) {
  const QRectF cell(At(d->pt), QSizeF(d->pixel_width, d->pixel_height));
  DeviceOf(api)->painter->fillRect(cell, ColourOf(&d->color));
}

// Arcs run counter-clockwise from start to end; the points may lie anywhere
// on the rays from the centre.
enum class ArcKind { kArc, kPie, kChord };
void DrawArcOf(wmfAPI* api, wmfDrawArc_t* d, ArcKind kind) {
  const QRectF box = BoxOf(d->TL, d->BR);
  const QPointF c = box.center();
  const auto angle = [&](const wmfD_Coord& p) {
    return std::atan2(c.y() - static_cast<double>(p.y), static_cast<double>(p.x) - c.x()) * 180.0 / M_PI;
  };
  const double start = angle(d->start);
  double sweep = angle(d->end) - start;
  if (sweep <= 0) sweep += 360.0;
  QPainterPath path;
  if (kind == ArcKind::kPie) {
    path.moveTo(c);
    path.arcTo(box, start, sweep);
    path.closeSubpath();
  } else {
    path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    if (kind == ArcKind::kChord) path.closeSubpath();
  }
  if (kind == ArcKind::kArc) DeviceOf(api)->painter->strokePath(path, PenOf(d->dc));
  else Paint(api, d->dc, path);
}
void DrawPie(wmfAPI* api, wmfDrawArc_t* d) { DrawArcOf(api, d, ArcKind::kPie); }
void DrawChord(wmfAPI* api, wmfDrawArc_t* d) { DrawArcOf(api, d, ArcKind::kChord); }
void DrawArc(wmfAPI* api, wmfDrawArc_t* d) { DrawArcOf(api, d, ArcKind::kArc); }

void DrawEllipse(wmfAPI* api, wmfDrawArc_t* d) {
  QPainterPath path;
  path.addEllipse(BoxOf(d->TL, d->BR));
  Paint(api, d->dc, path);
}

void DrawLine(wmfAPI* api, wmfDrawLine_t* d) {
  if (!HasPen(d->dc)) return;
  QPainter* p = DeviceOf(api)->painter;
  p->setPen(PenOf(d->dc));
  p->drawLine(At(d->from), At(d->to));
}

void PolyLine(wmfAPI* api, wmfPolyLine_t* d) {
  if (!HasPen(d->dc) || d->count < 2) return;
  QPainterPath path;
  path.addPolygon(PolygonOf(d->pt, d->count));
  DeviceOf(api)->painter->strokePath(path, PenOf(d->dc));
}

void DrawPolygon(wmfAPI* api, wmfPolyLine_t* d) {
  if (d->count < 2) return;
  QPainterPath path;
  path.addPolygon(PolygonOf(d->pt, d->count));
  path.closeSubpath();
  path.setFillRule(FillRuleOf(d->dc));
  Paint(api, d->dc, path);
}

void DrawPolyPolygon(wmfAPI* api, wmfPolyPoly_t* d) {
  QPainterPath path;
  path.setFillRule(FillRuleOf(d->dc));
  for (unsigned i = 0; i < d->npoly; ++i) {
    if (!d->pt[i] || d->count[i] < 2) continue;
    path.addPolygon(PolygonOf(d->pt[i], d->count[i]));
    path.closeSubpath();
  }
  Paint(api, d->dc, path);
}

void DrawRectangle(wmfAPI* api, wmfDrawRectangle_t* d) {
  QPainterPath path;
  const QRectF box = BoxOf(d->TL, d->BR);
  if (d->width > 0 || d->height > 0)
    path.addRoundedRect(box, static_cast<double>(d->width) / 2, static_cast<double>(d->height) / 2);
  else
    path.addRect(box);
  Paint(api, d->dc, path);
}

// Raster operations on an area: only those that paint a plain result.
void RopDraw(wmfAPI* api, wmfROP_Draw_t* d) {
  constexpr U32 kPatCopy = 0x00F00021, kBlackness = 0x00000042, kWhiteness = 0x00FF0062;
  QPainter* p = DeviceOf(api)->painter;
  const QRectF box = BoxOf(d->TL, d->BR);
  if (d->ROP == kPatCopy) p->fillRect(box, BrushOf(d->dc));
  else if (d->ROP == kBlackness) p->fillRect(box, Qt::black);
  else if (d->ROP == kWhiteness) p->fillRect(box, Qt::white);
}

// Bitmaps inside a metafile are device-independent bitmaps without the file
// header; Qt's reader decodes them once one is put in front.
void BmpRead(wmfAPI*, wmfBMP_Read_t* r) {
  r->bmp.data = nullptr;
  if (!r->buffer || r->length < 40) return;
  const auto length = static_cast<quint32>(r->length);
  const quint32 infoSize = qFromLittleEndian<quint32>(r->buffer);
  const quint16 depth = qFromLittleEndian<quint16>(r->buffer + 14);
  const quint32 used = qFromLittleEndian<quint32>(r->buffer + 32);
  const quint64 colours = depth <= 8 ? (used ? used : (1u << depth)) : (used ? used : 0);
  const quint64 offset = 14 + static_cast<quint64>(infoSize) + 4 * colours;
  QByteArray file("BM");
  char field[4];
  qToLittleEndian<quint32>(14 + length, field);
  file.append(field, 4);
  file.append(4, '\0');
  qToLittleEndian<quint32>(static_cast<quint32>(std::min<quint64>(offset, 0xFFFFFFFF)), field);
  file.append(field, 4);
  file.append(reinterpret_cast<const char*>(r->buffer), static_cast<qsizetype>(length));
  auto image = std::make_unique<QImage>();
  if (!image->loadFromData(file, "BMP") || image->isNull()) return;
  r->bmp.width = static_cast<U16>(std::min(image->width(), 0xFFFF));
  r->bmp.height = static_cast<U16>(std::min(image->height(), 0xFFFF));
  r->bmp.data = image.release();
}

void BmpFree(wmfAPI*, wmfBMP* bmp) {
  delete static_cast<QImage*>(bmp->data);
  bmp->data = nullptr;
}

void BmpDraw(wmfAPI* api, wmfBMP_Draw_t* d) {
  const auto* image = static_cast<const QImage*>(d->bmp.data);
  if (!image) return;
  const QRect source(d->crop.x, d->crop.y, d->crop.w, d->crop.h);
  const QRectF target(At(d->pt), QSizeF(d->crop.w * d->pixel_width, d->crop.h * d->pixel_height));
  DeviceOf(api)->painter->drawImage(target, *image, source);
}

void DrawText(wmfAPI* api, wmfDrawText_t* d) {
  if (!d->str || !d->dc->font) return;
  QPainter* p = DeviceOf(api)->painter;
  const wmfFont* f = d->dc->font;
  QFont font(QString::fromLatin1(WMF_FONT_NAME(f) ? WMF_FONT_NAME(f) : ""));
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(d->font_height))));
  font.setWeight(WMF_FONT_WEIGHT(f) >= 600 ? QFont::Bold : QFont::Normal);
  font.setItalic(WMF_FONT_ITALIC(f) != 0);
  font.setUnderline(WMF_TEXT_UNDERLINE(f) != 0);
  font.setStrikeOut(WMF_TEXT_STRIKEOUT(f) != 0);
  font.setStyleStrategy(QFont::NoAntialias);
  const QString text = QString::fromLatin1(d->str);
  p->save();
  p->translate(At(d->pt));
  p->rotate(-static_cast<double>(WMF_FONT_ESCAPEMENT(f)) / 10.0);
  p->setFont(font);
  if (WMF_DC_OPAQUE(d->dc)) {
    const QFontMetricsF metrics(font);
    p->fillRect(QRectF(0, -metrics.ascent(), metrics.horizontalAdvance(text), metrics.height()),
                ColourOf(WMF_DC_BACKGROUND(d->dc)));
  }
  p->setPen(ColourOf(WMF_DC_TEXTCOLOR(d->dc)));
  p->drawText(QPointF(0, 0), text);  // the player hands over the baseline's start
  p->restore();
}

void RegionPaint(wmfAPI* api, wmfPolyRectangle_t* d) {
  if (!HasBrush(d->dc)) return;
  for (unsigned i = 0; i < d->count; ++i) DeviceOf(api)->painter->fillRect(BoxOf(d->TL[i], d->BR[i]), BrushOf(d->dc));
}

void RegionFrame(wmfAPI* api, wmfPolyRectangle_t* d) {
  if (!HasBrush(d->dc)) return;
  QPainter* p = DeviceOf(api)->painter;
  const double w = static_cast<double>(d->width), h = static_cast<double>(d->height);
  for (unsigned i = 0; i < d->count; ++i) {
    const QRectF box = BoxOf(d->TL[i], d->BR[i]);
    QPainterPath frame;
    frame.addRect(box);
    frame.addRect(box.adjusted(w, h, -w, -h));
    frame.setFillRule(Qt::OddEvenFill);
    p->fillPath(frame, BrushOf(d->dc));
  }
}

void RegionClip(wmfAPI* api, wmfPolyRectangle_t* d) {
  QPainter* p = DeviceOf(api)->painter;
  if (d->count == 0) {
    p->setClipping(false);
    return;
  }
  QPainterPath clip;
  for (unsigned i = 0; i < d->count; ++i) clip.addRect(BoxOf(d->TL[i], d->BR[i]));
  p->setClipPath(clip);
}

void InstallDevice(wmfAPI* api) {
  auto* f = static_cast<wmfFunctionReference*>(wmf_malloc(api, sizeof(wmfFunctionReference)));
  if (!f) return;
  std::memset(f, 0, sizeof(*f));
  f->device_open = NoOp;
  f->device_close = NoOp;
  f->device_begin = NoOp;
  f->device_end = NoOp;
  f->flood_interior = NoFlood;
  f->flood_exterior = NoFlood;
  f->draw_pixel = DrawPixel;
  f->draw_pie = DrawPie;
  f->draw_chord = DrawChord;
  f->draw_arc = DrawArc;
  f->draw_ellipse = DrawEllipse;
  f->draw_line = DrawLine;
  f->poly_line = PolyLine;
  f->draw_polygon = DrawPolygon;
  f->draw_polypolygon = DrawPolyPolygon;
  f->draw_rectangle = DrawRectangle;
  f->rop_draw = RopDraw;
  f->bmp_draw = BmpDraw;
  f->bmp_read = BmpRead;
  f->bmp_free = BmpFree;
  f->draw_text = DrawText;
  f->udata_init = NoUserData;
  f->udata_copy = NoUserData;
  f->udata_set = NoUserData;
  f->udata_free = NoUserData;
  f->region_frame = RegionFrame;
  f->region_paint = RegionPaint;
  f->region_clip = RegionClip;
  api->function_reference = f;
}

// The player measures strings to place aligned text; Qt's metrics at a 1-point
// size (the unit it expects) keep that consistent with what DrawText draws.
void MapFont(wmfAPI*, wmfFont*) {}
float StringWidth(wmfAPI*, wmfFont* f, char* str) {
  if (!str) return 0;
  QFont font(QString::fromLatin1(WMF_FONT_NAME(f) ? WMF_FONT_NAME(f) : ""));
  font.setPixelSize(100);
  return static_cast<float>(QFontMetricsF(font).horizontalAdvance(QString::fromLatin1(str)) / 100.0);
}

struct ApiCloser {
  void operator()(wmfAPI* api) const { wmf_lite_destroy(api); }
};

}  // namespace

QImage DecodeWmf(const QByteArray& bytes, QString* error) {
  wmfAPI_Options options{};
  options.function = InstallDevice;
  wmfAPI* raw = nullptr;
  const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  if (wmf_lite_create(&raw, flags, &options) != wmf_E_None || !raw || !raw->function_reference) {
    if (raw) wmf_lite_destroy(raw);
    Fail(error, QStringLiteral("the metafile decoder cannot start"));
    return {};
  }
  const std::unique_ptr<wmfAPI, ApiCloser> api(raw);
  // Attached to the library's memory manager, which frees it with the rest.
  auto* fonts = static_cast<wmfFontData*>(wmf_calloc(api.get(), 1, sizeof(wmfFontData)));
  if (!fonts) {
    Fail(error, QStringLiteral("out of memory"));
    return {};
  }
  fonts->map = MapFont;
  fonts->stringwidth = StringWidth;
  api->font_data = fonts;
  WmfDevice device;
  api->device_data = &device;

  QByteArray contents = bytes;
  if (wmf_mem_open(api.get(), reinterpret_cast<unsigned char*>(contents.data()), contents.size()) != wmf_E_None) {
    Fail(error, QStringLiteral("not a metafile"));
    return {};
  }
  wmfD_Rect bbox{};
  if (wmf_scan(api.get(), 0, &bbox) != wmf_E_None) {
    Fail(error, QStringLiteral("the metafile's records cannot be read"));
    return {};
  }
  unsigned int width = 0, height = 0;
  if (wmf_display_size(api.get(), &width, &height, kPixelsPerInch, kPixelsPerInch) != wmf_E_None) {
    Fail(error, QStringLiteral("the metafile has no size"));
    return {};
  }
  if (!SizeAllowed(width, height, error)) return {};
  QImage image = BlankCanvas(static_cast<int>(width), static_cast<int>(height));
  QPainter painter(&image);
  // The player hands over points (1/72 inch) from the window origin; a
  // picture without a placeable header has no frame, so its drawing's own
  // bounds are the frame. Without antialiasing Qt already puts a line at an
  // integer coordinate on the pixel the format's own device would.
  painter.scale(kPixelsPerInch / 72, kPixelsPerInch / 72);
  if (!api->File->placeable) painter.translate(-static_cast<double>(bbox.TL.x), -static_cast<double>(bbox.TL.y));
  device.painter = &painter;
  const wmf_error_t played = wmf_play(api.get(), 0, &bbox);
  painter.end();
  if (played != wmf_E_None) {
    Fail(error, QStringLiteral("the metafile's records cannot be played"));
    return {};
  }
  return image;
}

QImage DecodeMetafileBytes(MetafileKind kind, const QByteArray& bytes, QString* error) {
  return kind == MetafileKind::kEmf ? DecodeEmf(bytes, error) : DecodeWmf(bytes, error);
}

}  // namespace tilora::metafile
