// Start-up: the application, the main window, the message loop.
#include <QStringList>
#include <QTimer>

#include "ui/common/application.h"
#include "ui/main_window/main_window.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Started maximised or minimised (a shortcut's "Run" setting), the window
// shows so.
void ShowAsStarted(TForm1& form) {
#ifdef Q_OS_WIN
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  if (startup.dwFlags & STARTF_USESHOWWINDOW) {
    switch (startup.wShowWindow) {
      case SW_SHOWMAXIMIZED: form.showMaximized(); return;
      case SW_SHOWMINIMIZED:
      case SW_MINIMIZE:
      case SW_SHOWMINNOACTIVE: form.showMinimized(); return;
      default: break;
    }
  }
#endif
  form.show();
}

}  // namespace

int main(int argc, char** argv) {
  tilora::ui::Application app(argc, argv);
  TForm1 Form1;
  ShowAsStarted(Form1);
  // A file named on the command line ("Open with") is opened once the
  // window is up, so its boxes have the window behind them.
  const QStringList args = QCoreApplication::arguments();
  if (args.size() > 1) {
    const QString file = args.at(1);
    QTimer::singleShot(0, &Form1, [&Form1, file] { Form1.OpenGivenFile(file); });
  }
  return app.exec();
}
