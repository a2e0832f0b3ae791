#pragma once

#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "io/checked_file.h"
#include "ui/main_window/opened_picture.h"
#include "ui/main_window/picture_header.h"
#include "ui/main_window/picture_reading.h"
#include "ui/common/message_boxes.h"
#include "ui/open_dialog/open_picture_dialog.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class ConsolePreviewWindow;
class QLineEdit;
class QMenu;
class QMenuBar;
class QScrollArea;
class QStatusBar;

// The picture view: draws its picture at natural size from the top-left
// corner, clipped to its own size, which the open command sets.
class TImage : public QWidget {
  Q_OBJECT

 public:
  explicit TImage(QWidget* parent = nullptr);
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }

 signals:
  // SetPicture was called, even with the picture already shown.
  void pictureChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

// A label that sizes itself to its text in its font, keeping its position;
// outside a layout nothing else would. Set its text through SetText.
class TAutoSizeLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TAutoSizeLabel(QWidget* parent = nullptr);
  void SetText(const QString& text);

 protected:
  void changeEvent(QEvent* event) override;
};

// The main window: menus, picture description, picture view, name field and
// status bar. Each menu item runs one handler; a failure inside one reaches
// the failure box and the window waits for the next command. An open reads
// the header at once and the picture on a worker thread; a picture file
// dropped on the window opens as if chosen in the dialog.
class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Runs the open dialog; true when it ended with OK. Tests put their own in
  // front of it so that no modal loop runs.
  using DialogRunner = std::function<bool(TOpenPictureDialog&)>;
  // Shows a notice or a failure, given the text exactly as the box shows it.
  using MessageSink = std::function<void(tilora::ui::BoxKind, const QString&)>;

  explicit TForm1(QWidget* parent = nullptr);

  void SetDialogRunner(DialogRunner runner);
  void SetMessageSink(MessageSink sink);
  // How an open decodes its picture (once), on a worker thread: tests count
  // the decodings.
  void SetPictureDecoder(tilora::PictureDecoder decoder);
  // Whether the last open's picture is still being read.
  bool Reading() const { return reading_.Busy(); }

  // A design value (96 pixels per inch, form text 13 pixels high) scaled by
  // the measured height of the form font's text.
  int Scaled(int designValue) const;
  int FormTextHeight() const { return formTextHeight_; }

  QMenuBar* mm1;
  QMenu* File1;
  QAction* OpenBMP1;
  QAction* Close1;
  QMenu* Convert1;
  QAction* inFile1;
  QMenu* View1;
  QAction* ConsolePreview1;
  QAction* GrowPictureArea1;
  QGroupBox* GroupBox1;
  TAutoSizeLabel* StaticText1;
  TAutoSizeLabel* StaticText3;
  QScrollArea* ScrollBox1;
  TImage* img1;
  TAutoSizeLabel* txt2;
  QLineEdit* Edit1;
  TAutoSizeLabel* txt1;
  QStatusBar* stat1;
  QLabel* stat1Panel;  // the status bar's one panel
  TOpenPictureDialog* dlgOpenPic1;

  // The first version's state of the last open: its header record, whether
  // it was accepted, and the file variable the header is read through.
  tilora::PictureHeaderRecord PictureHeader;
  bool PictureHeaderAccepted = false;
  tilora::CheckedFile SourceFile;

 public slots:
  void OpenBMP1Click();
  void inFile1Click();
  void Close1Click();
  // Shows the console preview of the picture the last open accepted.
  void ConsolePreview1Click();

  // "Open BMP" as if the dialog had been confirmed with file: how a file
  // given on the command line ("Open with") is opened.
  void OpenGivenFile(const QString& file);

  // Scrolls the picture area to its top-left corner; runs whenever img1
  // gets a picture, so a new picture shows from its first row and column.
  void ResetPictureScroll();
  // F10: the first menu opens with its first item highlighted, as after
  // Alt and Down.
  void OpenMenuBar();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OpenChosenPicture();
  void ReadChosenPicture();
  bool StartPngRead(const QString& name);
  void StartReading(const QString& name, PictureReading::Work work, void (TForm1::*shown)(const PictureRead&));
  void ShowRead(const PictureRead& read);
  void ShowPngRead(const PictureRead& read);
  void EndOpen();
  void FollowLastOpen();
  void CreateControls();
  void CreateMenu();
  void PlaceControls();
  void PlacePictureArea();
  void SetImageWidth(std::int32_t width);
  void SetImageHeight(std::int32_t height);
  void ShowNotice(const QString& text);
  void ShowFailure(const QString& text);
  void ShowCurrentException();
  void ShowConversionFailure(const tilora::Failure& failure);

  int formTextHeight_ = 13;
  // The controls at the right of the picture area, at their design places.
  std::vector<std::pair<QWidget*, QPoint>> besideArea_;
  // The last open's picture, decoded once, which the view shows and "In
  // File", the console preview and its "Save..." convert.
  tilora::DecodedFile opened_;
  tilora::PictureDecoder decodePicture_;
  DialogRunner runDialog_;
  MessageSink showMessage_;
  // Made on first use, then kept: there is one console preview.
  ConsolePreviewWindow* consolePreview_ = nullptr;
  // Last, so that it goes first: it waits for reads still running, whose
  // results would reach the members above.
  PictureReading reading_;

 public:
  ConsolePreviewWindow* ConsolePreview() const { return consolePreview_; }
};
