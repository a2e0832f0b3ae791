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

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;
class ConsolePictureView;

// The console preview: the picture the main window opened as the console
// would show it at the chosen depth, beside its tile sheet, sub-palettes and
// figures; "Save..." writes those outputs and "Save ROM..." a cartridge, as
// tilora-convert would with the same options. A window of its own, not
// modal; it reads the picture when it is shown and encodes again whenever a
// setting changes. While a picture is read or encoded it shows nothing of an
// earlier one. Its controls are found by their object names.
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

  tilora::ui::PreviewSettings Settings() const;
  // What the view shows now; empty until the picture has been encoded.
  const tilora::ui::ConsoleRendering& Rendering() const { return rendering_; }
  // Whether an encoding is running on a worker thread.
  bool Encoding() const { return pending_ != 0; }
  // Whether a cartridge is being made on a worker thread.
  bool SavingRom() const { return savingRom_; }

 public slots:
  void Save();
  void SaveRom();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* CreateControls();
  QWidget* CreateSidePanel();
  void ConnectControls();
  void LoadPicture();
  void Refresh();
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
  QSpinBox* subPalettesBox_;
  QCheckBox* lossyBox_;
  QCheckBox* ditherBox_;
  QComboBox* zoomBox_;
  QCheckBox* gridBox_;
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
  std::function<QString()> baseName_;
  std::function<void(const QString&)> failureSink_;
  Questions questions_;
};
