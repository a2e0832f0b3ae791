// WMF: the library's player plays the records into our own device layer,
// which draws with QPainter: exact colours and every fill, which the
// library's own outputs do not all keep.

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include <libwmf/api.h>
#include <libwmf/defs.h>
#include <libwmf/ipa.h>
#include <libwmf/macro.h>

#include "metafile/decode_support.h"
#include "metafile/metafile_decoder.h"

namespace tilora::metafile {

namespace {

using namespace detail;

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

}  // namespace tilora::metafile
