#pragma once

// The main window driven through its menu actions, with the open dialog
// "choosing" a given name and the message boxes recorded, so that no modal
// loop runs. An open returns once its picture has been read.

#include <QAction>
#include <QMenu>
#include <QString>
#include <QTest>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ui/main_window/main_window.h"

namespace tilora::testing {

struct Message {
  ui::BoxKind kind;
  QString text;
  bool operator==(const Message& other) const { return kind == other.kind && text == other.text; }
};

inline char* toString(const std::vector<Message>& messages) {
  QStringList shown;
  for (const Message& m : messages)
    shown << QStringLiteral("%1: %2").arg(m.kind == ui::BoxKind::Notice ? "notice" : "failure", m.text);
  return QTest::toString(QLatin1Char('[') + shown.join(QStringLiteral(" | ")) + QLatin1Char(']'));
}

struct WindowDriver {
  TForm1 form;
  std::vector<Message> messages;

  WindowDriver() {
    form.SetMessageSink([this](ui::BoxKind kind, const QString& text) { messages.push_back({kind, text}); });
  }
  void Open(const std::string& path) {
    const QString name = QString::fromStdString(path);
    form.SetDialogRunner([name](TOpenPictureDialog& dialog) {
      dialog.SetFileName(name);
      return true;
    });
    form.OpenBMP1->trigger();
    Settle();
  }
  // The open's picture has been read, and shown or refused.
  void Settle() { QTRY_VERIFY_WITH_TIMEOUT(!form.Reading(), 30000); }
  void Convert() { form.inFile1->trigger(); }
  bool ConvertEnabled() const { return form.Convert1->menuAction()->isEnabled(); }
  bool PreviewEnabled() const { return form.ConsolePreview1->isEnabled(); }
  // The messages since the last call.
  std::vector<Message> TakeMessages() { return std::exchange(messages, {}); }
};

// A window's control by its object name; a missing one ends the test.
template <typename T>
T& Find(const QObject& window, const char* name) {
  T* found = window.findChild<T*>(QLatin1String(name));
  if (!found) throw std::logic_error(std::string("no control named ") + name);
  return *found;
}

// The converter's one line for a refused picture, without "PICTURE: ".
inline QString ConverterNotice(const std::string& err, const std::string& picture) {
  QString text = QString::fromStdString(err).trimmed();
  const QString prefix = QString::fromStdString(picture + ": ");
  return text.startsWith(prefix) ? text.mid(prefix.size()) : text;
}

}  // namespace tilora::testing
