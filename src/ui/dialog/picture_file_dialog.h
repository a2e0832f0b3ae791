#pragma once

#include <QFileDialog>

class TOpenPictureDialog;

// The Qt file dialog under TOpenPictureDialog: tells it when the dialog has
// been set up for showing and lets it refuse a confirmed name.
class TPictureFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  TPictureFileDialog(QWidget* parent, TOpenPictureDialog& picker);

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TOpenPictureDialog& picker_;
};
