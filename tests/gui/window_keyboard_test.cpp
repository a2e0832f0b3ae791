// The window without a mouse: access keys, shortcuts and the menu keys reach
// every command. And the picture area, which shows every new picture from
// its top-left corner.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "bmp_builder.h"
#include "temp_dir.h"
#include "ui/console_preview/console_preview_window.h"
#include "ui/main_window/main_window.h"

using tilora::testing::BuildBmp;
using tilora::testing::MakeShape;
using tilora::testing::TempDir;
using tilora::testing::WriteFileBytes;

namespace {

// A shown, active window whose dialog "chooses" `chosen` (or is cancelled
// when it is empty) and whose boxes are recorded.
struct ActiveWindow {
  TForm1 form;
  QString chosen;
  int dialogRuns = 0;
  QStringList messages;

  ActiveWindow() {
    form.SetDialogRunner([this](TOpenPictureDialog& dialog) {
      ++dialogRuns;
      if (chosen.isEmpty()) return false;
      dialog.SetFileName(chosen);
      return true;
    });
    form.SetMessageSink([this](tilora::ui::BoxKind, const QString& text) { messages << text; });
    form.show();
    form.activateWindow();
  }
  void Open(const QString& path) {
    chosen = path;
    form.OpenBMP1->trigger();
    chosen.clear();
    QTRY_VERIFY_WITH_TIMEOUT(!form.Reading(), 30000);
  }
};

QString Picture(const TempDir& dir, const std::string& leaf, int width, int height) {
  WriteFileBytes(dir / leaf, BuildBmp(MakeShape(width, height, 8)));
  return QString::fromStdString(dir / leaf);
}

// Presses keys as the user does, each to the open menu or else to the
// focus: "Alt" alone is a tap of the Alt key, anything else one key with its
// modifiers ("Ctrl+O", "Down").
void Press(QWidget& window, const QString& keys) {
  for (const QString& key : keys.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    QWidget* target = QApplication::activePopupWidget();
    if (!target) target = QApplication::focusWidget();
    if (!target) target = &window;
    if (key.trimmed() == QLatin1String("Alt")) {
      QTest::keyPress(target, Qt::Key_Alt, Qt::AltModifier);
      QTest::keyRelease(target, Qt::Key_Alt);
      continue;
    }
    const QKeyCombination combination = QKeySequence(key.trimmed())[0];
    QTest::keyClick(target, combination.key(), combination.keyboardModifiers());
  }
}

}  // namespace

class WindowKeyboardTest : public QObject {
  Q_OBJECT

 private:
  QString startFolder_;

 private slots:
  void init() { startFolder_ = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder_); }

  // Found by object name; each reads as its caption with its access key.
  void MenusHaveAccessKeys_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("accessKey");
    QTest::newRow("File") << "File1" << "File" << QKeySequence(Qt::ALT | Qt::Key_F);
    QTest::newRow("Open BMP") << "OpenBMP1" << "Open BMP" << QKeySequence(Qt::ALT | Qt::Key_O);
    QTest::newRow("Close") << "Close1" << "Close" << QKeySequence(Qt::ALT | Qt::Key_C);
    QTest::newRow("Convert") << "Convert1" << "Convert" << QKeySequence(Qt::ALT | Qt::Key_C);
    QTest::newRow("In File") << "inFile1" << "In File" << QKeySequence(Qt::ALT | Qt::Key_I);
    QTest::newRow("View") << "View1" << "View" << QKeySequence(Qt::ALT | Qt::Key_V);
    QTest::newRow("Console Preview") << "ConsolePreview1" << "Console Preview" << QKeySequence(Qt::ALT | Qt::Key_C);
  }
  void MenusHaveAccessKeys() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, accessKey);
    TForm1 form;
    QString text;
    if (const auto* menu = form.findChild<QMenu*>(name))
      text = menu->title();
    else if (const auto* action = form.findChild<QAction*>(name))
      text = action->text();
    else
      QFAIL(qPrintable(QStringLiteral("no menu or item named ") + name));
    QCOMPARE(QString(text).remove(QLatin1Char('&')), caption);
    QCOMPARE(QKeySequence::mnemonic(text), accessKey);
  }

  void KeysReachEveryCommand_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("command");
    QTest::newRow("Ctrl+O") << "Ctrl+O" << "OpenBMP1";
    QTest::newRow("Ctrl+Q") << "Ctrl+Q" << "Close1";
    // F10 opens the first menu with its first item highlighted.
    QTest::newRow("F10, Enter") << "F10, Return" << "OpenBMP1";
    QTest::newRow("F10, Down, Enter") << "F10, Down, Return" << "Close1";
    QTest::newRow("F10, Right, Enter") << "F10, Right, Return" << "inFile1";
    QTest::newRow("Alt, Down, Enter") << "Alt, Down, Return" << "OpenBMP1";
    QTest::newRow("Alt, Right, Down, Enter") << "Alt, Right, Down, Return" << "inFile1";
    QTest::newRow("Alt+F, O") << "Alt+F, O" << "OpenBMP1";
    QTest::newRow("Alt+F, C") << "Alt+F, C" << "Close1";
    QTest::newRow("Alt+C, I") << "Alt+C, I" << "inFile1";
    QTest::newRow("Ctrl+P") << "Ctrl+P" << "ConsolePreview1";
    QTest::newRow("Alt+V, C") << "Alt+V, C" << "ConsolePreview1";
    QTest::newRow("F10, Right, Right, Enter") << "F10, Right, Right, Return" << "ConsolePreview1";
  }
  void KeysReachEveryCommand() {
    QFETCH(QString, keys);
    QFETCH(QString, command);
    TempDir dir;
    auto w = std::make_unique<ActiveWindow>();
    QVERIFY(QTest::qWaitForWindowActive(&w->form));
    // A picture is open, so that every command is enabled.
    w->Open(Picture(dir, "a.bmp", 16, 16));
    QVERIFY(w->form.Convert1->menuAction()->isEnabled());
    w->dialogRuns = 0;

    QSignalSpy open(w->form.OpenBMP1, &QAction::triggered);
    QSignalSpy close(w->form.Close1, &QAction::triggered);
    QSignalSpy convert(w->form.inFile1, &QAction::triggered);
    Press(w->form, keys);
    QCOMPARE(open.size(), command == QLatin1String("OpenBMP1") ? 1 : 0);
    QCOMPARE(close.size(), command == QLatin1String("Close1") ? 1 : 0);
    QCOMPARE(convert.size(), command == QLatin1String("inFile1") ? 1 : 0);
    // Each command did its work: the dialog ran, the window closed, the
    // files were written.
    QCOMPARE(w->dialogRuns, open.size());
    QCOMPARE(w->form.isVisible(), close.isEmpty());
    QCOMPARE(QFile::exists(QString::fromStdString(dir / "Pic.bin")), !convert.isEmpty());
    const bool previewShown = w->form.ConsolePreview() && w->form.ConsolePreview()->isVisible();
    QCOMPARE(previewShown, command == QLatin1String("ConsolePreview1"));
    QVERIFY(w->messages.isEmpty());
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
  }

  // The area was scrolled to the far corner of a large picture; the next
  // picture shows from its first row and column.
  void NewPictureShowsFromTheTopLeftCorner_data() {
    QTest::addColumn<QSize>("next");
    QTest::addColumn<bool>("sameFile");
    QTest::newRow("larger") << QSize(700, 800) << false;
    QTest::newRow("narrow and tall") << QSize(300, 900) << false;
    QTest::newRow("same file again") << QSize(600, 500) << true;
    QTest::newRow("fits the area") << QSize(64, 64) << false;
  }
  void NewPictureShowsFromTheTopLeftCorner() {
    QFETCH(QSize, next);
    QFETCH(bool, sameFile);
    TempDir dir;
    ActiveWindow w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    QScrollBar* h = w.form.ScrollBox1->horizontalScrollBar();
    QScrollBar* v = w.form.ScrollBox1->verticalScrollBar();
    const QString first = Picture(dir, "first.bmp", 600, 500);
    w.Open(first);
    h->setValue(h->maximum());
    v->setValue(v->maximum());
    QVERIFY(h->value() > 0 && v->value() > 0);
    QVERIFY(w.form.img1->pos() != QPoint(0, 0));

    w.Open(sameFile ? first : Picture(dir, "next.bmp", next.width(), next.height()));
    QCOMPARE(w.form.img1->Picture().size(), next);
    QCOMPARE(h->value(), 0);
    QCOMPARE(v->value(), 0);
    QCOMPARE(w.form.img1->pos(), QPoint(0, 0));
    QVERIFY(w.messages.isEmpty());
  }

  // Tab goes between the name field, where the focus starts, and the
  // picture area, which shows when it has the focus; nothing else takes it.
  // Alt+N reaches the name field from anywhere.
  void FocusStopsAreVisible() {
    ActiveWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.form.Edit1));
    const QImage unfocused = w.form.ScrollBox1->grab().toImage();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.form.ScrollBox1));
    QVERIFY(w.form.ScrollBox1->grab().toImage() != unfocused);
    Press(w.form, QStringLiteral("Alt+N"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.form.Edit1));
    for (int i = 0; i < 4; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* focus = QApplication::focusWidget();
      QVERIFY2(focus == w.form.Edit1 || focus == w.form.ScrollBox1, qPrintable(focus ? focus->objectName() : "none"));
    }
  }

  // Ctrl+Q closes Tilora from the console preview too.
  void CloseFromTheConsolePreview() {
    TempDir dir;
    ActiveWindow w;
    QVERIFY(QTest::qWaitForWindowActive(&w.form));
    w.Open(Picture(dir, "a.bmp", 16, 16));
    w.form.ConsolePreview1->trigger();
    ConsolePreviewWindow* preview = w.form.ConsolePreview();
    QVERIFY(QTest::qWaitForWindowActive(preview));
    Press(*preview, QStringLiteral("Ctrl+Q"));
    QVERIFY(!w.form.isVisible());
  }

  // Whoever gives img1 a picture gets the reset, not only the open command.
  void AnyNewPictureResetsTheScroll() {
    ActiveWindow w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    w.form.img1->resize(800, 800);
    QScrollBar* v = w.form.ScrollBox1->verticalScrollBar();
    v->setValue(v->maximum());
    QVERIFY(v->value() > 0);
    w.form.img1->SetPicture(QImage(800, 800, QImage::Format_RGB32));
    QCOMPARE(v->value(), 0);
  }
};

QTEST_MAIN(WindowKeyboardTest)
#include "window_keyboard_test.moc"
