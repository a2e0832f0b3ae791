#pragma once

#include <QApplication>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace tilora::ui {

// The application with the last-resort failure handler: whatever a handler
// lets escape while an event is delivered is shown in the failure box, and
// the message loop carries on.
class Application : public QApplication {
  Q_OBJECT

 public:
  using FailureSink = std::function<void(const QString&)>;

  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // Where caught failures go; the failure box unless replaced.
  void SetFailureSink(FailureSink sink);

 private:
  // Qt's file dialog keeps a history of its own in the user's settings;
  // Tilora stores no settings, so they go to a folder removed at exit.
  QTemporaryDir settingsDir_;
  FailureSink showFailure_;
};

}  // namespace tilora::ui
