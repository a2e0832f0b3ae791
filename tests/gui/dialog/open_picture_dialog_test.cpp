#include "ui/open_dialog/open_picture_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <stdexcept>

#include "bmp_builder.h"
#include "dialog_test_support.h"
#include "gui_test_main.h"
#include "temp_dir.h"
#include "ui/open_dialog/fitting.h"
#include "ui/open_dialog/picture_view.h"
#include "ui/open_dialog/preview_form.h"
#include "ui/open_dialog/silent_paint_panel.h"

using tilora::testing::BmpShape;
using tilora::testing::BuildBmp;
using tilora::testing::CompareState;
using tilora::testing::Confirm;
using tilora::testing::kNoPicture;
using tilora::testing::Path;
using tilora::testing::PreviewState;
using tilora::testing::StateOf;
using tilora::testing::TempDir;
using tilora::testing::TestDialog;
using tilora::testing::WriteBmp;
using tilora::testing::WriteBytes;
using tilora::testing::WriteFileBytes;

class OpenPictureDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void StartsWithThePictureFilterAndAnIdleArea() {
    TOpenPictureDialog dialog;
    QCOMPARE(dialog.Filter(),
             QStringLiteral("All (*.bmp;*.ico;*.emf;*.wmf)|*.bmp;*.ico;*.emf;*.wmf|Bitmaps (*.bmp)|*.bmp|"
                            "Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf"));
    QCOMPARE(dialog.FilterIndex(), 1);
    QCOMPARE(dialog.Options(), TOpenPictureDialog::ofHideReadOnly | TOpenPictureDialog::ofEnableSizing);
    QVERIFY(dialog.FileName().isEmpty());
    QCOMPARE(dialog.PicturePanel()->width(), 169);
    QCOMPARE(dialog.PictureLabel()->height(), 23);
    QVERIFY(dialog.PictureLabel()->text().isEmpty());
    QVERIFY(dialog.PaintPanel()->Caption().isEmpty());
    QToolButton* button = dialog.PreviewButton();
    QVERIFY(!button->isEnabled());
    QCOMPARE(button->focusPolicy(), Qt::NoFocus);
    QCOMPARE(button->toolTip(), QStringLiteral("Preview"));
    QCOMPARE(button->size(), QSize(23, 22));
    QVERIFY(!button->icon().pixmap(16, 16).isNull());
  }

  void FilterReachesQtWithItsTextsKept() {
    QCOMPARE(TOpenPictureDialog::QtNameFilters(TOpenPictureDialog::DefaultFilter()),
             QStringList({QStringLiteral("All (*.bmp;*.ico;*.emf;*.wmf) (*.bmp *.ico *.emf *.wmf)"),
                          QStringLiteral("Bitmaps (*.bmp) (*.bmp)"), QStringLiteral("Icons (*.ico) (*.ico)"),
                          QStringLiteral("Enhanced Metafiles (*.emf) (*.emf)"),
                          QStringLiteral("Metafiles (*.wmf) (*.wmf)")}));
    TestDialog dialog;
    dialog.SetFilter(QStringLiteral("Bitmaps (*.bmp)|*.bmp"));
    QStringList shown;
    QStringList patterns;
    dialog.script = [&](QFileDialog& host) {
      const auto* types = host.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      QVERIFY(types);
      for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
      patterns = host.nameFilters();
    };
    dialog.Run();
    QCOMPARE(shown, QStringList(QStringLiteral("Bitmaps (*.bmp)")));
    QCOMPARE(patterns, QStringList(QStringLiteral("Bitmaps (*.bmp) (*.bmp)")));
  }

  void FilterIndexAndExtensionFollowTheConfirmedName() {
    TempDir dir;
    const QString icon = WriteBytes(dir, "logo.ico", "not really an icon");
    TestDialog dialog;
    dialog.SetFilterIndex(2);
    dialog.SetDefaultExt(QStringLiteral("bmp"));
    int shownIndex = -1;
    dialog.script = [&](QFileDialog& host) {
      auto* types = host.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      QVERIFY(types);
      shownIndex = types->currentIndex();
      types->setCurrentIndex(2);
      host.selectFile(icon);
      Confirm(host);
    };
    QVERIFY(dialog.Run());
    QCOMPARE(shownIndex, 1);
    QCOMPARE(dialog.FilterIndex(), 3);
    QVERIFY(dialog.Options().testFlag(TOpenPictureDialog::ofExtensionDifferent));
  }

  void SelectionShowsThePictureOrNone_data() {
    QTest::addColumn<QString>("leaf");
    QTest::addColumn<bool>("picture");
    QTest::newRow("256 x 224 bitmap") << "tiles.bmp" << true;
    QTest::newRow("extension in capitals") << "TILES2.BMP" << true;
    QTest::newRow("folder") << "folder.bmp" << false;
    QTest::newRow("missing file") << "missing.bmp" << false;
    QTest::newRow("plain text") << "notes.txt" << false;
    QTest::newRow("text named .bmp") << "text.bmp" << false;
    QTest::newRow("header cut short") << "short.bmp" << false;
    QTest::newRow("metafile") << "drawing.emf" << false;
    QTest::newRow("no name") << "" << false;
  }
  void SelectionShowsThePictureOrNone() {
    QFETCH(QString, leaf);
    QFETCH(bool, picture);
    TempDir dir;
    WriteBmp(dir, "tiles.bmp", 256, 224);
    WriteBmp(dir, "TILES2.BMP", 256, 224);
    std::filesystem::create_directory(dir.path() / "folder.bmp");
    WriteBytes(dir, "notes.txt", "Tile 1 is the sky.\n");
    WriteBytes(dir, "text.bmp", "Tile 1 is the sky.\n");
    const std::vector<std::uint8_t> whole = BuildBmp(BmpShape{});
    WriteFileBytes(dir / "short.bmp", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 30));
    WriteBytes(dir, "drawing.emf", std::string(200, '\1'));

    TestDialog dialog;
    // Start from the other state, so every field has to change.
    const QString other = picture ? QString() : WriteBmp(dir, "other.bmp", 16, 8);
    dialog.script = [&](QFileDialog&) {
      if (!other.isEmpty()) dialog.Select(other);
      dialog.Select(leaf.isEmpty() ? QString() : Path(dir, leaf.toLatin1().constData()));
    };
    dialog.Run();
    if (picture)
      CompareState(StateOf(dialog), {QStringLiteral(" (256x224)"), QString(), true, QSize(256, 224)});
    else
      CompareState(StateOf(dialog), kNoPicture);
  }

  void SameTextIsNotLoadedAgain_data() {
    QTest::addColumn<QStringList>("selections");
    QTest::addColumn<QStringList>("loads");
    const QStringList a{QStringLiteral("a.bmp")};
    QTest::newRow("same file twice") << QStringList{"a.bmp", "a.bmp"} << a;
    QTest::newRow("other letter case")
        << QStringList{"a.bmp", "a.BMP", "a.bmp"} << QStringList{"a.bmp", "a.BMP", "a.bmp"};
    QTest::newRow("A, B, A") << QStringList{"a.bmp", "b.bmp", "a.bmp"} << QStringList{"a.bmp", "b.bmp", "a.bmp"};
    QTest::newRow("failed selection remembered")
        << QStringList{"bad.bmp", "bad.bmp", "bad.bmp"} << QStringList{"bad.bmp"};
    QTest::newRow("missing file is not loaded") << QStringList{"gone.bmp", "a.bmp"} << a;
  }
  void SameTextIsNotLoadedAgain() {
    QFETCH(QStringList, selections);
    QFETCH(QStringList, loads);
    TempDir dir;
    // The folder is case-sensitive or not depending on the system; both
    // spellings of a.bmp exist either way.
    WriteBmp(dir, "a.bmp", 8, 8);
    WriteBmp(dir, "a.BMP", 8, 8);
    WriteBmp(dir, "b.bmp", 8, 8);
    WriteBytes(dir, "bad.bmp", "BM");
    const QString base = QString::fromStdString(dir.path().string()) + QDir::separator();

    TestDialog dialog;
    QStringList states;
    dialog.script = [&](QFileDialog&) {
      for (const QString& s : selections) {
        dialog.Select(base + s);
        states << dialog.PictureLabel()->text();
      }
    };
    dialog.Run();
    QStringList expected;
    for (const QString& l : loads) expected << base + l;
    QCOMPARE(dialog.Loads(), expected);
    QCOMPARE(dialog.PreviewedFileName(), base + selections.last());
    // A remembered failure stays a failure.
    if (selections.first() == QStringLiteral("bad.bmp"))
      QCOMPARE(states, QStringList(selections.size(), QStringLiteral("Picture:")));
  }

  void ShowEmptiesThePreviewButKeepsLabelAndButton() {
    TempDir dir;
    const QString picture = WriteBmp(dir, "tiles.bmp", 256, 224);
    TestDialog dialog;
    int shows = 0;
    int closes = 0;
    int changes = 0;
    dialog.OnShow = [&](QObject* sender) {
      QCOMPARE(sender, &dialog);
      ++shows;
    };
    dialog.OnClose = [&](QObject*) { ++closes; };
    dialog.OnSelectionChange = [&](QObject*) { ++changes; };
    dialog.script = [&](QFileDialog&) { dialog.Select(picture); };
    QVERIFY(!dialog.Run());
    QCOMPARE(dialog.PreviewedFileName(), picture);

    PreviewState atShow;
    QString previewedAtShow = QStringLiteral("unset");
    bool panelInHost = false;
    int buttonLeft = 0;
    dialog.script = [&](QFileDialog& host) {
      atShow = StateOf(dialog);
      previewedAtShow = dialog.PreviewedFileName();
      panelInHost = dialog.PicturePanel()->isVisible() && dialog.PicturePanel()->window() == &host;
      buttonLeft = dialog.PreviewButton()->x();
    };
    dialog.Run();
    CompareState(atShow, {QStringLiteral(" (256x224)"), QStringLiteral("(None)"), true, QSize(0, 0)});
    QVERIFY(previewedAtShow.isEmpty());
    QVERIFY(panelInHost);
    // At the right end of the label's row: panel edge 169 - 6, less 23 + 2.
    QCOMPARE(buttonLeft, 138);
    QCOMPARE(shows, 2);
    QCOMPARE(closes, 2);
    QVERIFY(changes >= 1);
    // Between runs the area belongs to the picture dialog alone.
    QVERIFY(dialog.PicturePanel()->parentWidget() == nullptr);
    QVERIFY(!dialog.PicturePanel()->isVisible());
  }

  void OldStyleDialogHasNoPreviewArea() {
    TestDialog dialog;
    dialog.SetOptions(dialog.Options() | TOpenPictureDialog::ofOldStyleDialog);
    bool panelInHost = true;
    dialog.script = [&](QFileDialog& host) { panelInHost = dialog.PicturePanel()->window() == &host; };
    dialog.Run();
    QVERIFY(!panelInHost);
  }

  void DialogIsCentredOnTheActiveMonitor() {
    TestDialog dialog;
    dialog.monitor = QRect(1920, 0, 1280, 1024);
    QPoint position;
    QSize size;
    dialog.script = [&](QFileDialog& host) {
      position = host.pos();
      size = host.frameGeometry().size();
    };
    dialog.Run();
    QVERIFY(size.width() > 169);
    QCOMPARE(position, QPoint(1920 + (1280 - size.width()) / 2, (1024 - size.height()) / 3));
  }

  void ConfirmedNameIsKeptAndFilledInNextTime() {
    TempDir dir;
    const QString first = WriteBmp(dir, "first.bmp", 8, 8);
    TestDialog dialog;
    dialog.script = [&](QFileDialog& host) {
      host.selectFile(first);
      Confirm(host);
    };
    QVERIFY(dialog.Run());
    QCOMPARE(dialog.FileName(), QDir::toNativeSeparators(first));

    QString filledIn;
    QString directory;
    dialog.script = [&](QFileDialog& host) {
      filledIn = host.selectedFiles().value(0);
      directory = host.directory().absolutePath();
    };
    QVERIFY(!dialog.Run());
    QCOMPARE(filledIn, first);
    QCOMPARE(QDir(directory), QDir(QString::fromStdString(dir.path().string())));
    // Cancel changes nothing.
    QCOMPARE(dialog.FileName(), QDir::toNativeSeparators(first));
  }

  void TypedNameOfAMissingFileIsConfirmed_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("missing file") << "new.bmp";
    QTest::newRow("missing folder too") << "nowhere/new.bmp";
  }
  void TypedNameOfAMissingFileIsConfirmed() {
    QFETCH(QString, typed);
    TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    TestDialog dialog;
    dialog.SetInitialDir(folder);
    dialog.script = [&](QFileDialog& host) {
      auto* name = host.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QVERIFY(name);
      name->clear();
      QTest::keyClicks(name, typed);
      Confirm(host);
    };
    QVERIFY(dialog.Run());
    QCOMPARE(dialog.FileName(), QDir::toNativeSeparators(folder + QLatin1Char('/') + typed));
    QCOMPARE(dir.List(), std::vector<std::string>());
  }

  void RefusalKeepsTheDialogOpen() {
    TempDir dir;
    const QString picture = WriteBmp(dir, "tiles.bmp", 8, 8);
    TestDialog dialog;
    bool allow = false;
    QStringList asked;
    dialog.OnCanClose = [&](QObject*, bool& canClose) {
      asked << dialog.FileName();
      canClose = allow;
    };
    bool openAfterRefusal = false;
    dialog.script = [&](QFileDialog& host) {
      host.selectFile(picture);
      Confirm(host);
      openAfterRefusal = host.isVisible();
      allow = true;
      Confirm(host);
    };
    QVERIFY(dialog.Run());
    QVERIFY(openAfterRefusal);
    QCOMPARE(asked, QStringList(2, QDir::toNativeSeparators(picture)));
    QCOMPARE(dialog.FileName(), QDir::toNativeSeparators(picture));
  }

  void FullPreviewWindowSize_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("drawn");
    QTest::newRow("empty: default size") << QSize() << QSize(320, 240) << QRect();
    QTest::newRow("small: its own size") << QSize(100, 50) << QSize(114, 64) << QRect(0, 0, 100, 50);
    QTest::newRow("large: three quarters of the monitor")
        << QSize(4000, 3000) << QSize(1440, 810) << QRect(182, 0, 1061, 796);
  }
  void FullPreviewWindowSize() {
    QFETCH(QSize, picture);
    QFETCH(QSize, client);
    QFETCH(QRect, drawn);
    TestDialog dialog;
    if (picture.isValid()) {
      QImage image(picture, QImage::Format_RGB32);
      image.fill(Qt::darkCyan);
      dialog.PaintBox()->SetPicture(image);
    }
    QSize size;
    QPoint position;
    QRect imageRect;
    QString title;
    dialog.previewScript = [&](TPreviewForm& form) {
      form.show();
      size = form.size();
      position = form.pos();
      imageRect = form.Image()->PictureRect();
      title = form.windowTitle();
    };
    dialog.OpenFullPreview();
    QCOMPARE(dialog.previews, 1);
    QCOMPARE(title, QStringLiteral("Preview"));
    QCOMPARE(size, client);
    QCOMPARE(position, QPoint((1920 - client.width()) / 2, (1080 - client.height()) / 2));
    if (drawn.isValid()) QCOMPARE(imageRect, drawn);
  }

  void EscapeClosesThePreviewAndItIsDestroyed() {
    TestDialog dialog;
    QPointer<TPreviewForm> window;
    bool openBefore = false;
    bool openAfter = true;
    int result = -1;
    dialog.previewScript = [&](TPreviewForm& form) {
      window = &form;
      form.show();
      openBefore = form.isVisible();
      QTest::keyClick(&form, Qt::Key_A);
      QTest::keyClick(&form, Qt::Key_Escape);
      openAfter = form.isVisible();
      result = form.result();
    };
    dialog.OpenFullPreview();
    QVERIFY(openBefore);
    QVERIFY(!openAfter);
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(window.isNull());
  }

  void PreviewOpensFromTheButtonAndTheBox() {
    TempDir dir;
    const QString picture = WriteBmp(dir, "tiles.bmp", 32, 16);
    TestDialog dialog;
    QSize previewed;
    dialog.previewScript = [&](TPreviewForm& form) { previewed = form.Image()->Picture().size(); };
    dialog.script = [&](QFileDialog&) {
      dialog.Select(picture);
      QTest::mouseClick(dialog.PreviewButton(), Qt::LeftButton);
      QTest::mouseDClick(dialog.PaintBox(), Qt::LeftButton);
    };
    dialog.Run();
    QCOMPARE(dialog.previews, 2);
    QCOMPARE(previewed, QSize(32, 16));
  }

  void PreviewFailureReachesTheFailureBoxAndTheDialogStaysOpen() {
    TempDir dir;
    const QString picture = WriteBmp(dir, "tiles.bmp", 8, 8);
    TestDialog dialog;
    QStringList failures;
    dialog.FailureBox = [&](const QString& text) { failures << text; };
    QPointer<TPreviewForm> window;
    dialog.previewScript = [&](TPreviewForm& form) {
      window = &form;
      throw std::runtime_error("Out of memory");
    };
    bool open = false;
    dialog.script = [&](QFileDialog& host) {
      dialog.Select(picture);
      QTest::mouseClick(dialog.PreviewButton(), Qt::LeftButton);
      open = host.isVisible();
    };
    dialog.Run();
    QCOMPARE(failures, QStringList(QStringLiteral("Out of memory")));
    QVERIFY(window.isNull());
    QVERIFY(open);
  }
};

TILORA_GUI_TEST_MAIN(OpenPictureDialogTest)
#include "open_picture_dialog_test.moc"
