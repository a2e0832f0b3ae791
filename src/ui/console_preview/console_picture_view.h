#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QWidget>

#include <optional>
#include <vector>

// A picture drawn at a whole-number zoom without smoothing, so every pixel
// stays a sharp square, with an optional grid (8 x 8 tiles by default),
// rectangles outlined, and one tile outlined in red, always within the
// picture. Its size follows the picture and the zoom.
class ConsolePictureView : public QWidget {
  Q_OBJECT

 public:
  explicit ConsolePictureView(QWidget* parent = nullptr);

  void SetImage(const QImage& image);
  void SetZoom(int zoom);
  void SetGrid(bool grid);
  void SetGridStep(QSize step);
  // Rectangles to outline, in picture pixels, each within the picture.
  void SetOutlines(std::vector<QRect> outlines);
  // The rectangle to outline, in picture pixels; nothing for none.
  void SetMarked(std::optional<QRect> marked);

  const QImage& Image() const { return image_; }
  int Zoom() const { return zoom_; }
  bool Grid() const { return grid_; }
  QSize GridStep() const { return gridStep_; }
  const std::vector<QRect>& Outlines() const { return outlines_; }
  const std::optional<QRect>& Marked() const { return marked_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Resize();
  void DrawGrid(QPainter& painter, const QRect& exposed) const;
  void DrawMark(QPainter& painter) const;
  void DrawOutlines(QPainter& painter) const;

  QImage image_;
  int zoom_ = 1;
  bool grid_ = false;
  QSize gridStep_{8, 8};
  std::vector<QRect> outlines_;
  std::optional<QRect> marked_;
};
