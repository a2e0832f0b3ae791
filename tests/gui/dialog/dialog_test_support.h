#pragma once
// The picture-open dialog under test: scripted runs instead of modal ones,
// and what its preview area shows.

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMutex>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "temp_dir.h"
#include "ui/open_dialog/open_picture_dialog.h"
#include "ui/open_dialog/picture_view.h"
#include "ui/open_dialog/preview_decoder.h"
#include "ui/open_dialog/preview_form.h"
#include "ui/open_dialog/silent_paint_panel.h"
#include "ui/common/picture_loader.h"

namespace tilora::testing {

// Runs are scripted instead of modal; the current selection is whatever the
// test says, not what Qt's background folder loading has got to.
class TestDialog : public TOpenPictureDialog {
 public:
  using TOpenPictureDialog::DialogShown;

  TestDialog() {
    PreviewDecoder = [loads = loads_](const QString& path, QString* error) {
      loads->Append(path);
      return tilora::ui::LoadPicture(path, error);
    };
  }

  // The files decoded so far, in order.
  QStringList Loads() const { return loads_->Snapshot(); }
  QRect monitor{0, 0, 1920, 1080};
  // Runs with the file dialog shown; the run ends with `result` unless the
  // script ended it.
  std::function<void(QFileDialog&)> script;
  int result = QDialog::Rejected;
  std::function<void(TPreviewForm&)> previewScript;
  int previews = 0;

  // Selects path and waits for its preview, as a user looking at it would.
  void Select(const QString& path) {
    CurrentChanged(path);
    Settle();
  }
  // Selects path and goes on at once, as a user moving through a folder does.
  void SelectOnly(const QString& path) { CurrentChanged(path); }
  // Every decode started has come back, its result shown or dropped.
  void Settle() { QTRY_COMPARE(Decodes()->Running(), 0); }

 protected:
  int ExecDialog(QFileDialog& dialog) override {
    dialog.show();
    if (script) script(dialog);
    if (dialog.isVisible()) static_cast<QDialog&>(dialog).done(result);
    return dialog.result();
  }
  int ExecPreview(QDialog& form) override {
    ++previews;
    if (previewScript) previewScript(static_cast<TPreviewForm&>(form));
    return form.result();
  }
  void HostCurrentChanged(const QString&) override {}
  QRect MonitorGeometry(const QWidget*) const override { return monitor; }

 private:
  // Written by the decoding thread.
  struct LoadLog {
    mutable QMutex mutex;
    QStringList paths;
    void Append(const QString& path) {
      const QMutexLocker lock(&mutex);
      paths << path;
    }
    QStringList Snapshot() const {
      const QMutexLocker lock(&mutex);
      return paths;
    }
  };
  std::shared_ptr<LoadLog> loads_ = std::make_shared<LoadLog>();
};

inline QString Path(const TempDir& dir, const char* leaf) { return QString::fromStdString(dir / leaf); }

inline QString WriteBmp(const TempDir& dir, const char* leaf, int width, int height) {
  BmpShape shape;
  shape.width = width;
  shape.height = height;
  shape.depth = 8;
  WriteFileBytes(dir / leaf, BuildBmp(shape));
  return Path(dir, leaf);
}

inline QString WriteBytes(const TempDir& dir, const char* leaf, const std::string& bytes) {
  WriteFileBytes(dir / leaf, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return Path(dir, leaf);
}

// Clicks the dialog's Open button, as the user does to confirm a name.
inline void Confirm(QFileDialog& host) {
  auto* buttons = host.findChild<QDialogButtonBox*>();
  QVERIFY(buttons && buttons->button(QDialogButtonBox::Open));
  QVERIFY(buttons->button(QDialogButtonBox::Open)->isEnabled());
  QTest::mouseClick(buttons->button(QDialogButtonBox::Open), Qt::LeftButton);
}

// What the preview area shows: label, caption, button enabled, picture size.
struct PreviewState {
  QString label;
  QString caption;
  bool button;
  QSize picture;
};

inline PreviewState StateOf(const TOpenPictureDialog& dialog) {
  return {dialog.PictureLabel()->text(), dialog.PaintPanel()->Caption(), dialog.PreviewButton()->isEnabled(),
          dialog.PaintBox()->Picture().size()};
}

inline void CompareState(const PreviewState& actual, const PreviewState& expected) {
  QCOMPARE(actual.label, expected.label);
  QCOMPARE(actual.caption, expected.caption);
  QCOMPARE(actual.button, expected.button);
  QCOMPARE(actual.picture, expected.picture);
}

inline const PreviewState kNoPicture{QStringLiteral("Picture:"), QStringLiteral("(None)"), false, QSize(0, 0)};

}  // namespace tilora::testing
