#pragma once

#include <QScrollArea>

// The picture's scrolling frame. It takes the keyboard focus, so the arrow
// keys and Page Up and Down scroll a large picture, and shows that it has it
// by drawing its sunken frame in the highlight colour: the frame style alone
// looks the same either way.
class PictureArea : public QScrollArea {
  Q_OBJECT

 public:
  explicit PictureArea(QWidget* parent = nullptr);

 protected:
  bool event(QEvent* event) override;
};
