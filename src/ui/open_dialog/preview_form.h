#pragma once

#include <QChar>
#include <QDialog>
#include <functional>

class QFrame;
class TPictureView;

// The full preview window: a resizable tool window whose panel (single
// sunken border, border width 5, window-background colour) holds the
// picture scaled to fit. Key presses go to OnKeyPress before anything else
// in the window sees them.
class TPreviewForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPanelBorderWidth = 5;
  static constexpr QSize kDefaultSize{320, 240};

  explicit TPreviewForm(QWidget* parent = nullptr);

  QFrame* Panel() const { return panel_; }
  TPictureView* Image() const { return image_; }
  // The panel fills the window, so its client area is the window's client
  // area less the panel's own border.
  QSize PanelClientSize() const;

  // A key that gives one character (Escape gives 27).
  std::function<void(QWidget* sender, QChar& key)> OnKeyPress;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QFrame* panel_;
  TPictureView* image_;
};
