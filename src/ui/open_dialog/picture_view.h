#pragma once

#include <QImage>
#include <QWidget>

class QPainter;

// A picture drawn scaled to fit and centred (stretch, proportional and
// centre on), with nothing painted around it so its parent shows through.
// The preview box of the open dialog and the image of the full preview.
class TPictureView : public QWidget {
  Q_OBJECT

 public:
  explicit TPictureView(QWidget* parent = nullptr);

  const QImage& Picture() const { return picture_; }
  // A null image empties the view.
  void SetPicture(const QImage& picture);
  // Where the picture is drawn in the view's client area.
  QRect PictureRect() const;

 signals:
  void DoubleClicked();
  // Drawing raised a failure; the view itself has painted nothing.
  void PaintFailed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // May throw; paintEvent turns a failure into PaintFailed.
  virtual void DrawPicture(QPainter& painter, const QRect& target);

 private:
  QImage picture_;
};
