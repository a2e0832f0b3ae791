// The last-resort guard: a failure escaping an event handler is shown and
// the loop carries on.
#include <QDir>
#include <QEvent>
#include <QSettings>
#include <QTest>

#include <stdexcept>

#include "io/io_error.h"
#include "ui/common/application.h"

namespace {

class Throwing : public QObject {
 public:
  int kind = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    switch (kind) {
      case 0: throw tilora::IoError(tilora::kErrReadBeyondEnd);
      case 1: throw std::runtime_error("Out of order!");
      default: throw 42;
    }
  }
};

}  // namespace

class ApplicationTest : public QObject {
  Q_OBJECT

 private slots:
  void failuresLeavingAHandlerReachTheFailureBox() {
    auto* app = qobject_cast<tilora::ui::Application*>(QCoreApplication::instance());
    QVERIFY(app);
    QStringList shown;
    app->SetFailureSink([&shown](const QString& text) { shown << text; });
    Throwing target;
    for (int kind = 0; kind < 3; ++kind) {
      target.kind = kind;
      QEvent event(QEvent::User);
      QVERIFY(!QCoreApplication::sendEvent(&target, &event));
    }
    QCOMPARE(shown, (QStringList{"Read beyond end of file.", "Out of order!", "Unexpected failure."}));

    // Posted events go through the same guard, and the loop goes on.
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QCOMPARE(shown.size(), 4);
  }

  // Qt's file dialog writes its history through these; nothing may reach the
  // user's own settings.
  void settingsStayOutOfTheUsersFolders() {
    const QString file = QSettings(QSettings::UserScope, QStringLiteral("QtProject")).fileName();
    QVERIFY2(file.startsWith(QDir::tempPath()), qPrintable(file));
    QVERIFY(!file.startsWith(QDir::homePath() + QStringLiteral("/.config")));
  }
};

int main(int argc, char** argv) {
  tilora::ui::Application app(argc, argv);
  ApplicationTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "application_test.moc"
