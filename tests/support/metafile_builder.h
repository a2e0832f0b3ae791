#pragma once

// Builds small enhanced (EMF) and placeable (WMF) metafiles record by record,
// independently of the decoders, so tests know every pixel they should see.
// Coordinates are picture pixels (one logical unit a pixel at 96 dpi).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tilora::testing {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
};

using Point = std::pair<int, int>;

class MetafileBuilder {
 public:
  enum class Kind { kEmf, kWmf };
  MetafileBuilder(Kind kind, int width, int height);

  // Each replaces the selected brush or pen (and deletes the old one).
  void SolidBrush(Rgb colour);
  void NullBrush();
  void Pen(Rgb colour, int width);
  void NullPen();

  // Boxes are left, top, right (exclusive), bottom (exclusive).
  void Rectangle(int left, int top, int right, int bottom);
  void Ellipse(int left, int top, int right, int bottom);
  void Polyline(const std::vector<Point>& points);
  // Text with its top-left corner at x, y, in a font of the given pixel height.
  void Text(int x, int y, const std::string& ascii, Rgb colour, int height,
            const std::string& face = "Liberation Sans");

  // A BMP file's picture stretched into the box (left, top, width, height).
  void Bitmap(int left, int top, int width, int height, const std::vector<std::uint8_t>& bmpFile);
  // Any record, for fuzz seeds: the type and its parameters as stored.
  void Raw(std::uint32_t type, const std::vector<std::uint8_t>& params) { Record(type, params); }

  std::vector<std::uint8_t> Finish();

 private:
  void Record(std::uint32_t type, const std::vector<std::uint8_t>& params);
  std::uint32_t NewObject();
  void Select(std::uint32_t object);
  void Delete(std::uint32_t object);
  void Replace(std::uint32_t* slot, std::uint32_t object);

  Kind kind_;
  int width_;
  int height_;
  std::vector<std::uint8_t> body_;
  std::uint32_t records_ = 0;
  std::uint32_t largestRecord_ = 0;
  std::vector<bool> objectsInUse_;
  std::uint32_t maxObjects_ = 0;
  std::uint32_t brush_ = 0xFFFFFFFF;
  std::uint32_t pen_ = 0xFFFFFFFF;
  std::uint32_t font_ = 0xFFFFFFFF;
};

// A metafile of every kind of shape the tests look at.
std::vector<std::uint8_t> FidelityPicture(MetafileBuilder::Kind kind);

}  // namespace tilora::testing
