// Shows the picture-open dialog with a picture selected, the way a user gets
// there (Qt's folder loading, a click on the file), and saves what it looks
// like, then the full preview window. Not a test: it waits for Qt's
// background loading. Usage: tilora_dialog_screenshot WORK_FOLDER OUT.png

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <cstdio>
#include <functional>

#include "bmp_builder.h"
#include "temp_dir.h"
#include "ui/open_dialog/open_picture_dialog.h"
#include "ui/open_dialog/preview_decoder.h"
#include "ui/open_dialog/preview_form.h"

namespace {

bool WaitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 5000) return false;
    QTest::qWait(20);
  }
  return true;
}

class ShotDialog : public TOpenPictureDialog {
 public:
  ShotDialog(QString picture, QString out) : picture_(std::move(picture)), out_(std::move(out)) {}
  bool ok = false;

 protected:
  int ExecDialog(QFileDialog& host) override {
    host.show();
    auto* list = host.findChild<QListView*>(QStringLiteral("listView"));
    const QString leaf = QFileInfo(picture_).fileName();
    QModelIndex item;
    const bool found = list && WaitFor([&] {
      for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
        const QModelIndex index = list->model()->index(row, 0, list->rootIndex());
        if (index.data().toString() == leaf) item = index;
      }
      return item.isValid();
    });
    if (found) {
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(item).center());
      // The preview decodes in the background.
      WaitFor([this] { return !Decodes()->Pending(); });
      QTest::qWait(200);
      ok = host.grab().save(out_) && PreviewedFileName() == QDir::toNativeSeparators(picture_);
      QTest::mouseClick(PreviewButton(), Qt::LeftButton);
    } else {
      std::fprintf(stderr, "the file dialog never listed %s\n", qPrintable(leaf));
    }
    static_cast<QDialog&>(host).done(QDialog::Rejected);
    return host.result();
  }
  int ExecPreview(QDialog& form) override {
    form.show();
    QTest::qWait(200);
    QString previewOut = out_;
    previewOut.insert(previewOut.lastIndexOf(QLatin1Char('.')), QStringLiteral("-preview"));
    ok = form.grab().save(previewOut) && ok;
    form.close();
    return form.result();
  }

 private:
  QString picture_;
  QString out_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tilora_dialog_screenshot WORK_FOLDER OUT.png\n");
    return 2;
  }
  // Qt's file dialog keeps a history in the user's settings; not ours to touch.
  const tilora::testing::TempDir settings;
  const QString settingsPath = QString::fromStdString(settings.path().string());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsPath);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsPath);
  QApplication app(argc, argv);

  // Coloured 8 x 8 tiles, as the converter's pictures usually are.
  tilora::testing::BmpShape shape;
  shape.width = 256;
  shape.height = 224;
  shape.depth = 8;
  for (int y = 0; y < shape.height; ++y)
    for (int x = 0; x < shape.width; ++x) shape.pixels.push_back(static_cast<std::uint8_t>((x / 8 * 7 + y / 8 * 13) % 256));
  for (int i = 0; i < 256; ++i)
    shape.palette.push_back({static_cast<std::uint8_t>(i * 5), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 3)});
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString picture = folder + QStringLiteral("/tiles.bmp");
  tilora::testing::WriteFileBytes(picture.toStdString(), tilora::testing::BuildBmp(shape));
  tilora::testing::WriteFileBytes((folder + QStringLiteral("/notes.txt")).toStdString(), {'h', 'i', '\n'});

  ShotDialog dialog(picture, QString::fromLocal8Bit(argv[2]));
  dialog.SetInitialDir(folder);
  dialog.Run();
  return dialog.ok ? 0 : 1;
}
