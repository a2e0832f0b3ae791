#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "convert/convert_file.h"
#include "ui/console_preview/console_preview_model.h"
#include "ui/console_preview/shared_set.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QPushButton;
class QScrollArea;
class QSpinBox;
class ConsolePictureView;

// The console preview: the picture the main window opened as the console
// would show it at the chosen depth, or as sprites, beside its tile sheet,
// sub-palettes and figures; or a shared set of pictures chosen here,
// converted together. "Save..." writes those outputs and "Save ROM..." a
// cartridge, as tilora-convert would with the same options. A window of its
// own, not modal; it reads the picture when it is shown and encodes again
// whenever a setting changes. While a picture is read or encoded it shows
// nothing of an earlier one. Its controls are found by their object names.
class ConsolePreviewWindow : public QWidget {
  Q_OBJECT

 public:
  // How the save commands ask the user. Tests answer without a modal loop.
  struct Questions {
    // A file name from a save dialog; empty when it was cancelled.
    std::function<QString(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter)>
        saveName;
    // Whether these existing files may be replaced.
    std::function<bool(QWidget* parent, const QStringList& existing)> replace;
    // Pictures chosen in an open dialog starting in folder; none when it
    // was cancelled.
    std::function<QStringList(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)>
        openNames;
  };

  explicit ConsolePreviewWindow(QWidget* owner = nullptr);
  ~ConsolePreviewWindow() override;

  // The picture the main window's open decoded, shown and saved as it was
  // then; fallback is what the main window shows, for a picture that could
  // not be decoded.
  void SetPicture(const tilora::DecodedFile& opened, const QImage& fallback);
  // The main window is reading the picture at path: nothing is shown until
  // SetPicture brings it.
  void SetReading(const QString& path);
  // Shows the window, beside owner within its screen when it was hidden.
  void ShowBeside(QWidget* owner);
  // Where "Save..." starts: the main window's name field, read at each save.
  void SetBaseName(std::function<QString()> baseName);
  // Failures of the save commands that are not refusals (a full disk, a
  // folder missing), for the main window's failure box.
  void SetFailureSink(std::function<void(const QString&)> sink);
  void SetQuestions(Questions questions);
  // How a shared set's pictures are decoded, once each: a seam, so tests
  // can count and hold the decodings.
  void SetSetDecoder(tilora::ui::SetDecoder decode);

  tilora::ui::PreviewSettings Settings() const;
  // What the view shows now; empty until the picture has been encoded.
  const tilora::ui::ConsoleRendering& Rendering() const { return rendering_; }
  // Whether an encoding is running on a worker thread.
  bool Encoding() const { return pending_ != 0; }
  // Whether a cartridge is being made on a worker thread.
  bool SavingRom() const { return savingRom_; }
  // Whether a shared set is shown, and whether its pictures are being read.
  bool InSet() const { return inSet_; }
  bool ReadingSet() const { return readingSet_; }

 public slots:
  void Save();
  void SaveRom();
  // Asks for the pictures of a shared set and shows them converted together.
  void ChooseSet();
  // Shows the main window's picture again.
  void LeaveSet();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* CreateControls();
  QLayout* CreateSpriteControls(QWidget* box);
  QLayout* CreateSetControls(QWidget* box);
  QWidget* CreateSidePanel();
  void ConnectControls();
  void LoadPicture();
  void FitFrames();
  void Refresh();
  void ReadSet(const QStringList& chosen);
  void TakeSet(const tilora::ui::SharedSet& set);
  void DropSet();
  void ShowSetPicture(int index);
  bool HasPicture() const;
  std::vector<std::string> SetNamesNow() const;
  void SaveSet(const QString& base);
  void Apply(const tilora::ui::ConsoleRendering& rendering);
  void ShowBusy(const QString& status);
  void ShowStatus(const QString& text);
  void FollowChoices();
  void FollowSaving();
  QString AskFileName(const QString& caption, const QString& suggested, const QString& filter);
  bool MayReplace(const QStringList& names);
  void ReportSaved(const tilora::Result<tilora::ConvertedFiles>& done);

  QComboBox* depthBox_;
  QCheckBox* deduplicateBox_;
  QCheckBox* flipsBox_;
  QCheckBox* tileSizeBox_;
  QSpinBox* subPalettesBox_;
  QCheckBox* lossyBox_;
  QCheckBox* ditherBox_;
  QComboBox* zoomBox_;
  QCheckBox* gridBox_;
  QCheckBox* spritesBox_;
  QSpinBox* frameWidthBox_;
  QSpinBox* frameHeightBox_;
  QComboBox* objectSizesBox_;
  QSpinBox* originXBox_;
  QSpinBox* originYBox_;
  QCheckBox* outlinesBox_;
  QPushButton* setButton_;
  QComboBox* setPictureBox_;
  QPushButton* leaveSetButton_;
  QComboBox* sheetColumnsBox_;
  QCheckBox* greySheetBox_;
  QPushButton* saveButton_;
  QPushButton* saveRomButton_;
  QScrollArea* pictureArea_;
  ConsolePictureView* view_;
  ConsolePictureView* sheetView_;
  QLabel* swatches_;
  QLabel* figures_;
  QLabel* statusLine_;

  tilora::DecodedFile opened_;
  QImage fallback_;
  bool stale_ = false;
  bool reading_ = false;
  std::shared_ptr<const tilora::Picture> picture_;
  QString loadRefusal_;
  tilora::ui::ConsoleRendering rendering_;
  quint64 latest_ = 0;   // the newest encoding asked for
  quint64 pending_ = 0;  // the one running on a worker thread, 0 for none
  bool savingRom_ = false;
  // A shared set shown instead of the main window's picture.
  bool inSet_ = false;
  bool readingSet_ = false;
  quint64 setTicket_ = 0;
  std::shared_ptr<const tilora::ui::SharedSet> set_;
  tilora::ui::SetDecoder setDecoder_;
  std::function<QString()> baseName_;
  std::function<void(const QString&)> failureSink_;
  Questions questions_;
};
