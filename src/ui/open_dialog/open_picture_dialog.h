#pragma once

#include <QFlags>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QFileDialog;
class QLabel;
class QToolButton;
class QWidget;
class TPictureView;
class TPreviewDecoder;
class TSilentPaintPanel;
class TPictureFileDialog;

// The picture-open dialog: Qt's own (non-native) open-file dialog with a
// preview area at the right of its controls, showing the selected picture's
// size, the picture scaled to fit, and a button (or Ctrl+P) for a larger
// preview window. Pictures are decoded off the user-interface thread; while
// the selection's picture is being decoded the area shows no picture, never
// the previous selection's. The controls of the preview area and the last
// previewed name live as long as the dialog and are kept from one run to the
// next, and so are the dialog's size and file type while the program runs.
class TOpenPictureDialog : public QObject {
  Q_OBJECT

 public:
  enum TOpenOption {
    ofReadOnly = 0x1,
    ofHideReadOnly = 0x2,
    ofExtensionDifferent = 0x4,
    ofFileMustExist = 0x8,
    ofEnableSizing = 0x10,
    ofOldStyleDialog = 0x20,  // the plain dialog, without the preview area
  };
  Q_DECLARE_FLAGS(TOpenOptions, TOpenOption)

  using TNotifyEvent = std::function<void(QObject* sender)>;
  // Decodes a file for the preview; called on a worker thread, so it must
  // not touch widgets. A null image, with the reason in *error, on failure.
  using PictureDecoder = std::function<QImage(const QString& path, QString* error)>;
  using TCloseQueryEvent = std::function<void(QObject* sender, bool& canClose)>;

  // Every picture format the preview decodes, "All" first.
  static QString DefaultFilter();
  // A filter turned into Qt's name filters: the description as shown, the
  // patterns (";" turned into " ") in a trailing group Qt reads but hides.
  static QStringList QtNameFilters(const QString& filter);

  explicit TOpenPictureDialog(QWidget* owner = nullptr);
  ~TOpenPictureDialog() override;

  // Modal. True when the user confirmed a name, which FileName then holds
  // as a full path (the file need not exist); false on cancel, and then
  // nothing has changed.
  bool Run();
  // While the dialog is open: the current selection's full path.
  QString FileName() const;
  void SetFileName(const QString& fileName) { fileName_ = fileName; }
  // Pairs of a description and its patterns, all separated by "|"; patterns
  // within one entry are separated by ";".
  QString Filter() const { return filter_; }
  void SetFilter(const QString& filter) {
    filter_ = filter;
    shownFilterIndex_ = 0;
  }
  int FilterIndex() const { return filterIndex_; }  // 1-based
  void SetFilterIndex(int index) {
    filterIndex_ = index;
    shownFilterIndex_ = 0;
  }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions options) { options_ = options; }
  QString InitialDir() const { return initialDir_; }
  void SetInitialDir(const QString& dir) { initialDir_ = dir; }
  QString Title() const { return title_; }
  void SetTitle(const QString& title) { title_ = title; }
  QString DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const QString& ext) { defaultExt_ = ext; }

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;
  TNotifyEvent OnSelectionChange;
  TCloseQueryEvent OnCanClose;  // unassigned: every confirmed name may close
  // Shows a failure of the dialog's own commands (the preview window);
  // the default is a critical message box captioned with the application
  // title. The text comes as the failure gave it, without the final ".".
  std::function<void(const QString& text)> FailureBox;
  // The preview's decoder, tilora::ui::LoadPicture unless replaced; a
  // replacement takes effect from the next selection.
  PictureDecoder PreviewDecoder;

  QWidget* PicturePanel() const { return picturePanel_; }
  QLabel* PictureLabel() const { return pictureLabel_; }
  QToolButton* PreviewButton() const { return previewButton_; }
  TSilentPaintPanel* PaintPanel() const { return paintPanel_; }
  TPictureView* PaintBox() const { return paintBox_; }
  QString PreviewedFileName() const { return previewedFileName_; }
  // The preview's decodes in progress.
  TPreviewDecoder* Decodes() const { return decoder_; }
  // The file dialog of the run in progress, or null.
  QFileDialog* Host() const;

  // Opens the preview picture in a window of its own, modally; the window
  // is gone when this returns, also when it throws.
  virtual void OpenFullPreview();

 protected:
  // The notifications of a run: the dialog is set up and about to show, the
  // current selection changed, the dialog has closed.
  virtual void DialogShown();
  virtual void SelectionChanged();
  virtual void DialogClosed();
  virtual void FullPreviewKeyPress(QWidget* sender, QChar& key);

  // Seams for tests, so that nothing blocks in a modal loop and nothing
  // waits for the file dialog's background folder loading.
  virtual int ExecDialog(QFileDialog& dialog);
  virtual int ExecPreview(QDialog& form);
  // Qt reports a new current item; tests may ignore Qt and call
  // CurrentChanged themselves.
  virtual void HostCurrentChanged(const QString& path);
  // The current selection is now path: FileName follows it, and the preview.
  void CurrentChanged(const QString& path);
  virtual QRect MonitorGeometry(const QWidget* window) const;

 private:
  friend class TPictureFileDialog;

  void CreateControls();
  void ConfigureHost(TPictureFileDialog& dialog) const;
  int FilterIndexOf(const QString& chosen) const;
  void AttachPreviewArea(TPictureFileDialog& dialog);
  void DetachPreviewArea();
  void HostShown();
  bool HostCanClose(const QString& confirmed);
  void ShowNoPicture();
  void ShowPreview(const QString& path, const QImage& picture);
  void RunPreviewCommand();
  void ReportFailure(const QString& text);
  QWidget* ActiveWindow() const;

  QWidget* owner_;
  QString fileName_;
  QString filter_;
  int filterIndex_ = 1;
  TOpenOptions options_;
  QString initialDir_;
  QString title_;
  QString defaultExt_;

  QWidget* picturePanel_ = nullptr;  // owned: deleted with the dialog
  QLabel* pictureLabel_ = nullptr;
  QToolButton* previewButton_ = nullptr;
  TSilentPaintPanel* paintPanel_ = nullptr;
  TPictureView* paintBox_ = nullptr;
  QString previewedFileName_;
  TPreviewDecoder* decoder_ = nullptr;  // a child: goes with the dialog

  TPictureFileDialog* host_ = nullptr;
  QString currentPath_;
  QString confirmedPath_;
  // What the last run ended with, OK or cancel, for the next one: its size
  // (the user's own once resized) and the file type it showed.
  QSize shownSize_;
  int shownFilterIndex_ = 0;  // 1-based; 0: FilterIndex
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TOpenPictureDialog::TOpenOptions)
