#pragma once

#include <QImage>
#include <QString>
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
// figures; "Save..." writes those outputs as tilora-convert would with the
// same options. A window of its own, not modal; it reads the picture when it
// is shown and encodes again whenever a setting changes.
class ConsolePreviewWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ConsolePreviewWindow(QWidget* owner = nullptr);
  ~ConsolePreviewWindow() override;

  // The picture the main window's open decoded, shown and saved as it was
  // then; fallback is what the main window shows, for a picture that could
  // not be decoded.
  void SetPicture(const tilora::DecodedFile& opened, const QImage& fallback);
  // Where "Save..." writes: the main window's name field, read at each save.
  void SetBaseName(std::function<QString()> baseName);
  // Failures of "Save..." that are not refusals (a full disk, a folder
  // missing), for the main window's failure box.
  void SetFailureSink(std::function<void(const QString&)> sink);

  tilora::ui::PreviewSettings Settings() const;
  // What the view shows now; empty until the picture has been encoded.
  const tilora::ui::ConsoleRendering& Rendering() const { return rendering_; }
  // Whether an encoding is running on a worker thread.
  bool Encoding() const { return pending_ != 0; }

  QComboBox* depthBox;
  QCheckBox* deduplicateBox;
  QCheckBox* flipsBox;
  QSpinBox* subPalettesBox;
  QCheckBox* lossyBox;
  QCheckBox* ditherBox;
  QComboBox* zoomBox;
  QCheckBox* gridBox;
  QComboBox* sheetColumnsBox;
  QCheckBox* greySheetBox;
  QPushButton* saveButton;
  ConsolePictureView* view;
  ConsolePictureView* sheetView;
  QLabel* swatches;
  QLabel* figures;
  QLabel* statusLine;

 public slots:
  void Save();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* CreateControls();
  QWidget* CreateSidePanel();
  void ConnectControls();
  void LoadPicture();
  void Refresh();
  void Apply(const tilora::ui::ConsoleRendering& rendering);
  void ShowStatus(const QString& text);
  void FollowDepth();

  tilora::DecodedFile opened_;
  QImage fallback_;
  bool stale_ = false;
  std::shared_ptr<const tilora::Picture> picture_;
  QString loadRefusal_;
  tilora::ui::ConsoleRendering rendering_;
  quint64 latest_ = 0;   // the newest encoding asked for
  quint64 pending_ = 0;  // the one running on a worker thread, 0 for none
  std::function<QString()> baseName_;
  std::function<void(const QString&)> failureSink_;
};
