#pragma once

#include <QFileDialog>

class TOpenPictureDialog;

// The Qt file dialog under TOpenPictureDialog: tells it when the dialog has
// been set up for showing and lets it refuse a confirmed name.
class TPictureFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  TPictureFileDialog(QWidget* parent, TOpenPictureDialog& picker);

  void accept() override;
  void done(int result) override;

  // A typed name whose last part holds "*" or "?" filters the list instead
  // of being returned, as the platform's dialog does: "*.emf", "a?.bmp",
  // "*.bmp;*.ico", "art/*.bmp" (the list moves to art). True when applied;
  // false for a plain name, or a folder part that is no folder.
  bool ApplyTypedPattern(const QString& typed);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FitColumns();

  TOpenPictureDialog& picker_;
};
