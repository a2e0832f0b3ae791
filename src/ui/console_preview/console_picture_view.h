#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QWidget>

#include <optional>

// A picture drawn at a whole-number zoom without smoothing, so every pixel
// stays a sharp square, with an optional 8 x 8 tile grid and one tile
// outlined in red, always within the picture. Its size follows the picture
// and the zoom.
class ConsolePictureView : public QWidget {
  Q_OBJECT

 public:
  explicit ConsolePictureView(QWidget* parent = nullptr);

  void SetImage(const QImage& image);
  void SetZoom(int zoom);
  void SetGrid(bool grid);
  // The rectangle to outline, in picture pixels; nothing for none.
  void SetMarked(std::optional<QRect> marked);

  const QImage& Image() const { return image_; }
  int Zoom() const { return zoom_; }
  bool Grid() const { return grid_; }
  const std::optional<QRect>& Marked() const { return marked_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Resize();
  void DrawGrid(QPainter& painter, const QRect& exposed) const;
  void DrawMark(QPainter& painter) const;

  QImage image_;
  int zoom_ = 1;
  bool grid_ = false;
  std::optional<QRect> marked_;
};
