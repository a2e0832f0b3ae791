// Shows the main window with its File menu opened from the keyboard (F10)
// and saves the screen around both, for a look at the access keys and the
// shortcuts. Not a test. Usage: tilora_window_screenshot OUT.png
#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "ui/main_window.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tilora_window_screenshot OUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  TForm1 form;
  form.show();
  form.activateWindow();
  if (!QTest::qWaitForWindowActive(&form)) {
    std::fprintf(stderr, "the window never became active\n");
    return 1;
  }
  QTest::keyClick(&form, Qt::Key_F10);
  QTest::qWait(300);
  const QWidget* menu = QApplication::activePopupWidget();
  if (!menu) {
    std::fprintf(stderr, "F10 opened no menu\n");
    return 1;
  }
  const QRect area = form.frameGeometry().united(menu->geometry());
  const QPixmap shot = form.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
