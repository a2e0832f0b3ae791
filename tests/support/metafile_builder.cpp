#include "metafile_builder.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace tilora::testing {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr std::uint32_t kStock = 0x80000000;
constexpr std::uint32_t kNullBrush = kStock | 5;
constexpr std::uint32_t kNullPen = kStock | 8;

// Record types of the two formats.
constexpr std::uint32_t kEmrHeader = 1, kEmrPolyline16 = 87, kEmrSetBkMode = 18,
                        kEmrSetTextAlign = 22, kEmrSetTextColor = 24, kEmrSelectObject = 37,
                        kEmrCreatePen = 38, kEmrCreateBrush = 39, kEmrDeleteObject = 40,
                        kEmrEllipse = 42, kEmrRectangle = 43, kEmrEof = 14, kEmrCreateFont = 82,
                        kEmrExtTextOutW = 84, kEmrStretchDiBits = 81;
constexpr std::uint32_t kWmfSetBkMode = 0x0102, kWmfSetTextColor = 0x0209,
                        kWmfSetWindowOrg = 0x020B, kWmfSetWindowExt = 0x020C,
                        kWmfSetTextAlign = 0x012E, kWmfSelectObject = 0x012D,
                        kWmfDeleteObject = 0x01F0, kWmfCreatePen = 0x02FA,
                        kWmfCreateFont = 0x02FB, kWmfCreateBrush = 0x02FC,
                        kWmfEllipse = 0x0418, kWmfRectangle = 0x041B, kWmfPolyline = 0x0325,
                        kWmfTextOut = 0x0521, kWmfStretchDib = 0x0F43, kWmfEof = 0x0000;

class Bytes {
 public:
  Bytes& U8(unsigned v) {
    data.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Bytes& U16(unsigned v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
  Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Bytes& I16(int v) { return U16(static_cast<unsigned>(v) & 0xFFFF); }
  Bytes& I32(int v) { return U32(static_cast<std::uint32_t>(v)); }
  Bytes& Colour(Rgb c) { return U8(c.r).U8(c.g).U8(c.b).U8(0); }
  Bytes& Pad(std::size_t multiple) {
    while (data.size() % multiple != 0) U8(0);
    return *this;
  }
  std::vector<std::uint8_t> data;
};

void Patch32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

MetafileBuilder::MetafileBuilder(Kind kind, int width, int height)
    : kind_(kind), width_(width), height_(height) {
  if (kind_ == Kind::kWmf) {
    Record(kWmfSetWindowOrg, Bytes().I16(0).I16(0).data);
    Record(kWmfSetWindowExt, Bytes().I16(height).I16(width).data);
  }
}

void MetafileBuilder::Record(std::uint32_t type, const std::vector<std::uint8_t>& params) {
  Bytes r;
  if (kind_ == Kind::kEmf) {
    const auto size = static_cast<std::uint32_t>(8 + (params.size() + 3) / 4 * 4);
    r.U32(type).U32(size);
    r.data.insert(r.data.end(), params.begin(), params.end());
    r.Pad(4);
  } else {
    const auto words = static_cast<std::uint32_t>(3 + (params.size() + 1) / 2);
    r.U32(words).U16(type);
    r.data.insert(r.data.end(), params.begin(), params.end());
    r.Pad(2);
    if (words > largestRecord_) largestRecord_ = words;
  }
  body_.insert(body_.end(), r.data.begin(), r.data.end());
  ++records_;
}

// EMF handles start at 1 (0 is the metafile); WMF takes the lowest free slot.
std::uint32_t MetafileBuilder::NewObject() {
  std::size_t slot = 0;
  while (slot < objectsInUse_.size() && objectsInUse_[slot]) ++slot;
  if (slot == objectsInUse_.size()) objectsInUse_.push_back(true);
  objectsInUse_[slot] = true;
  if (objectsInUse_.size() > maxObjects_) maxObjects_ = static_cast<std::uint32_t>(objectsInUse_.size());
  return static_cast<std::uint32_t>(kind_ == Kind::kEmf ? slot + 1 : slot);
}

void MetafileBuilder::Select(std::uint32_t object) {
  if (kind_ == Kind::kEmf) Record(kEmrSelectObject, Bytes().U32(object).data);
  else Record(kWmfSelectObject, Bytes().U16(object).data);
}

void MetafileBuilder::Delete(std::uint32_t object) {
  if (object == kNone || (object & kStock) != 0) return;
  if (kind_ == Kind::kEmf) Record(kEmrDeleteObject, Bytes().U32(object).data);
  else Record(kWmfDeleteObject, Bytes().U16(object).data);
  objectsInUse_[kind_ == Kind::kEmf ? object - 1 : object] = false;
}

void MetafileBuilder::Replace(std::uint32_t* slot, std::uint32_t object) {
  Select(object);
  Delete(*slot);
  *slot = object;
}

void MetafileBuilder::SolidBrush(Rgb colour) {
  const std::uint32_t object = NewObject();
  if (kind_ == Kind::kEmf) Record(kEmrCreateBrush, Bytes().U32(object).U32(0).Colour(colour).U32(0).data);
  else Record(kWmfCreateBrush, Bytes().U16(0).Colour(colour).U16(0).data);
  Replace(&brush_, object);
}

void MetafileBuilder::NullBrush() {
  if (kind_ == Kind::kEmf) return Replace(&brush_, kNullBrush);
  const std::uint32_t object = NewObject();
  Record(kWmfCreateBrush, Bytes().U16(1).Colour({}).U16(0).data);
  Replace(&brush_, object);
}

void MetafileBuilder::Pen(Rgb colour, int width) {
  const std::uint32_t object = NewObject();
  if (kind_ == Kind::kEmf) Record(kEmrCreatePen, Bytes().U32(object).U32(0).I32(width).I32(0).Colour(colour).data);
  else Record(kWmfCreatePen, Bytes().U16(0).I16(width).I16(0).Colour(colour).data);
  Replace(&pen_, object);
}

void MetafileBuilder::NullPen() {
  if (kind_ == Kind::kEmf) return Replace(&pen_, kNullPen);
  const std::uint32_t object = NewObject();
  Record(kWmfCreatePen, Bytes().U16(5).I16(0).I16(0).Colour({}).data);
  Replace(&pen_, object);
}

void MetafileBuilder::Rectangle(int left, int top, int right, int bottom) {
  if (kind_ == Kind::kEmf) Record(kEmrRectangle, Bytes().I32(left).I32(top).I32(right).I32(bottom).data);
  else Record(kWmfRectangle, Bytes().I16(bottom).I16(right).I16(top).I16(left).data);
}

void MetafileBuilder::Ellipse(int left, int top, int right, int bottom) {
  if (kind_ == Kind::kEmf) Record(kEmrEllipse, Bytes().I32(left).I32(top).I32(right).I32(bottom).data);
  else Record(kWmfEllipse, Bytes().I16(bottom).I16(right).I16(top).I16(left).data);
}

void MetafileBuilder::Polyline(const std::vector<Point>& points) {
  Bytes b;
  if (kind_ == Kind::kEmf) {
    int l = width_, t = height_, r = 0, bt = 0;
    for (const auto& [x, y] : points) {
      l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), bt = std::max(bt, y);
    }
    b.I32(l).I32(t).I32(r).I32(bt).U32(static_cast<std::uint32_t>(points.size()));
    for (const auto& [x, y] : points) b.I16(x).I16(y);
    Record(kEmrPolyline16, b.data);
  } else {
    b.U16(static_cast<unsigned>(points.size()));
    for (const auto& [x, y] : points) b.I16(x).I16(y);
    Record(kWmfPolyline, b.data);
  }
}

void MetafileBuilder::Text(int x, int y, const std::string& ascii, Rgb colour, int height,
                           const std::string& face) {
  const std::uint32_t object = NewObject();
  Bytes font;
  if (kind_ == Kind::kEmf) {
    font.U32(object).I32(-height).I32(0).I32(0).I32(0).I32(400);
    font.U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(3).U8(0);  // non-antialiased quality
    for (std::size_t i = 0; i < 32; ++i) font.U16(i < face.size() ? static_cast<unsigned char>(face[i]) : 0);
    Record(kEmrCreateFont, font.data);
  } else {
    font.I16(-height).I16(0).I16(0).I16(0).I16(400);
    font.U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(3).U8(0);
    for (char c : face) font.U8(static_cast<unsigned char>(c));
    font.U8(0);
    Record(kWmfCreateFont, font.data);
  }
  Replace(&font_, object);
  if (kind_ == Kind::kEmf) {
    Record(kEmrSetTextColor, Bytes().Colour(colour).data);
    Record(kEmrSetBkMode, Bytes().U32(1).data);
    Record(kEmrSetTextAlign, Bytes().U32(0).data);
    const auto n = static_cast<std::uint32_t>(ascii.size());
    const std::uint32_t offString = 76;
    const std::uint32_t offDx = offString + (2 * n + 3) / 4 * 4;
    Bytes t;
    t.I32(x).I32(y).I32(x + height * static_cast<int>(n)).I32(y + height);  // bounds
    t.U32(1).U32(0).U32(0);                                                // compatible mode, no scale
    t.I32(x).I32(y).U32(n).U32(offString).U32(0).I32(0).I32(0).I32(-1).I32(-1).U32(offDx);
    for (char c : ascii) t.U16(static_cast<unsigned char>(c));
    t.Pad(4);
    for (std::uint32_t i = 0; i < n; ++i) t.I32(height / 2);
    Record(kEmrExtTextOutW, t.data);
  } else {
    Record(kWmfSetTextColor, Bytes().Colour(colour).data);
    Record(kWmfSetBkMode, Bytes().U16(1).data);
    Record(kWmfSetTextAlign, Bytes().U16(0).data);
    Bytes t;
    t.U16(static_cast<unsigned>(ascii.size()));
    for (char c : ascii) t.U8(static_cast<unsigned char>(c));
    t.Pad(2);
    t.I16(y).I16(x);
    Record(kWmfTextOut, t.data);
  }
}

void MetafileBuilder::Bitmap(int left, int top, int width, int height, const std::vector<std::uint8_t>& bmpFile) {
  constexpr std::uint32_t kSrcCopy = 0x00CC0020;
  const auto at32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(bmpFile[at] | bmpFile[at + 1] << 8 | bmpFile[at + 2] << 16 | bmpFile[at + 3] << 24);
  };
  const int srcWidth = static_cast<int>(at32(18));
  const int srcHeight = std::abs(static_cast<int>(at32(22)));
  const std::vector<std::uint8_t> dib(bmpFile.begin() + 14, bmpFile.end());
  Bytes b;
  if (kind_ == Kind::kEmf) {
    const auto infoSize = at32(10) - 14;
    const auto bitsSize = static_cast<std::uint32_t>(dib.size()) - infoSize;
    b.I32(left).I32(top).I32(left + width - 1).I32(top + height - 1);
    b.I32(left).I32(top).I32(0).I32(0).I32(srcWidth).I32(srcHeight);
    b.U32(80).U32(infoSize).U32(80 + infoSize).U32(bitsSize).U32(0).U32(kSrcCopy).I32(width).I32(height);
    b.data.insert(b.data.end(), dib.begin(), dib.end());
    Record(kEmrStretchDiBits, b.data);
  } else {
    b.U32(kSrcCopy).U16(0).I16(srcHeight).I16(srcWidth).I16(0).I16(0).I16(height).I16(width).I16(top).I16(left);
    b.data.insert(b.data.end(), dib.begin(), dib.end());
    Record(kWmfStretchDib, b.data);
  }
}

std::vector<std::uint8_t> MetafileBuilder::Finish() {
  Bytes out;
  if (kind_ == Kind::kEmf) {
    Record(kEmrEof, Bytes().U32(0).U32(16).U32(20).data);
    const auto frame = [](int pixels) { return static_cast<int>(std::lround(pixels * 2540.0 / 96.0)); };
    out.U32(kEmrHeader).U32(88);
    out.I32(0).I32(0).I32(width_ - 1).I32(height_ - 1);          // bounds, pixels, inclusive
    out.I32(0).I32(0).I32(frame(width_)).I32(frame(height_));  // frame, 0.01 mm
    out.U32(0x464D4520).U32(0x10000).U32(0).U32(0);            // " EMF", version, sizes patched below
    out.U16(maxObjects_ + 1).U16(0).U32(0).U32(0).U32(0);
    out.I32(960).I32(960).I32(254).I32(254);  // a 96-dpi reference device
    out.data.insert(out.data.end(), body_.begin(), body_.end());
    Patch32(out.data, 48, static_cast<std::uint32_t>(out.data.size()));
    Patch32(out.data, 52, records_ + 1);
    return out.data;
  }
  Record(kWmfEof, {});
  Bytes placeable;
  placeable.U32(0x9AC6CDD7).U16(0).I16(0).I16(0).I16(width_).I16(height_).U16(96).U32(0);
  unsigned checksum = 0;
  for (std::size_t i = 0; i < placeable.data.size(); i += 2)
    checksum ^= static_cast<unsigned>(placeable.data[i] | (placeable.data[i + 1] << 8));
  placeable.U16(checksum);
  out = placeable;
  const auto words = static_cast<std::uint32_t>((18 + body_.size()) / 2);
  out.U16(1).U16(9).U16(0x0300).U32(words).U16(maxObjects_).U32(largestRecord_).U16(0);
  out.data.insert(out.data.end(), body_.begin(), body_.end());
  return out.data;
}

std::vector<std::uint8_t> FidelityPicture(MetafileBuilder::Kind kind) {
  MetafileBuilder m(kind, 200, 120);
  m.NullPen();
  m.SolidBrush({255, 255, 255});
  m.Rectangle(0, 0, 201, 121);  // background
  m.SolidBrush({0x12, 0x34, 0x56});
  m.Rectangle(10, 10, 70, 50);
  m.SolidBrush({0xC8, 0x64, 0x1E});
  m.Ellipse(90, 10, 150, 70);
  m.Pen({0x0A, 0xB0, 0x3C}, 3);
  m.Polyline({{10, 100}, {60, 100}, {60, 80}, {110, 80}});
  m.Text(130, 80, "Tile", {0x80, 0x00, 0x80}, 24);
  return m.Finish();
}

}  // namespace tilora::testing
