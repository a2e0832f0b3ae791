#pragma once

#include <QString>
#include <QWidget>

class TPictureView;

// A panel (button-face colour, a lowered outer and a raised inner bevel of
// one pixel each, caption centred) that holds a picture view. A failure
// while painting the panel or its view is not let through: the caption
// becomes "Invalid image" instead. Setting the caption it already has does
// nothing, so a picture that fails on every paint cannot start a loop of
// repaints.
class TSilentPaintPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kBevelWidth = 1;
  static constexpr int kBevels = 2 * kBevelWidth;

  explicit TSilentPaintPanel(QWidget* parent = nullptr);

  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  // Places view inside the bevels, filling them, and watches its painting.
  void SetView(TPictureView* view);

 signals:
  void CaptionChanged(const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;
  // May throw; paintEvent turns a failure into the "Invalid image" caption.
  virtual void PaintPanel(QPainter& painter);

 private:
  void PaintFailed();

  QString caption_;
};
