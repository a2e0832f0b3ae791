// Start-up: the application, the main window, the message loop.
#include "ui/application.h"
#include "ui/unit1.h"

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
  return app.exec();
}
