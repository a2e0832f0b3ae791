#pragma once

#include <QObject>
#include <QString>

class QWidget;

// The picture-open dialog as the main window sees it: run modally with a
// filter, OK gives the chosen file's full path in FileName. This plain file
// dialog stands in until the previewing dialog replaces it.
class TOpenPictureDialog : public QObject {
  Q_OBJECT

 public:
  explicit TOpenPictureDialog(QWidget* owner = nullptr);
  // True with FileName set to the chosen file's full path; false on cancel.
  bool Run();
  QString FileName() const;
  void SetFileName(const QString& fileName);
  // Pairs of description and patterns separated by "|", e.g.
  // "Bitmaps (*.bmp)|*.bmp".
  QString Filter() const;
  void SetFilter(const QString& filter);

 private:
  QWidget* owner_;
  QString fileName_;
  QString filter_;
};
