#include "ui/common/application.h"

#include <QSettings>

#include <exception>

#include "ui/common/message_boxes.h"

namespace tilora::ui {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv), showFailure_([](const QString& text) { ShowFailureBox(text); }) {
  if (settingsDir_.isValid()) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
  }
}

void Application::SetFailureSink(FailureSink sink) { showFailure_ = std::move(sink); }

bool Application::notify(QObject* receiver, QEvent* event) {
  QString failure;
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    failure = QString::fromLocal8Bit(e.what());
  } catch (...) {
    failure = QStringLiteral("Unexpected failure");
  }
  // Shown outside the catch, so a failure while showing it is not nested in it.
  try {
    showFailure_(FailureBoxText(failure));
  } catch (...) {
    // The box itself failed; the text must still reach someone.
    qCritical("%s", qPrintable(failure));
  }
  return false;
}

}  // namespace tilora::ui
