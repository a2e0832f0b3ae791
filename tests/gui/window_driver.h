#pragma once

// The main window driven through its menu actions, with the open dialog
// "choosing" a given name and the message boxes recorded, so that no modal
// loop runs. An open returns once its picture has been read.

#include <QAction>
#include <QMenu>
#include <QString>
#include <QTest>

#include <condition_variable>
#include <memory>
#include <mutex>
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
    Start(path);
    Settle();
  }
  // Opens path and returns while its picture may still be read.
  void Start(const std::string& path) {
    const QString name = QString::fromStdString(path);
    form.SetDialogRunner([name](TOpenPictureDialog& dialog) {
      dialog.SetFileName(name);
      return true;
    });
    form.OpenBMP1->trigger();
  }
  // The open's picture has been read, and shown or refused.
  void Settle() { QTRY_VERIFY_WITH_TIMEOUT(!form.Reading(), 30000); }
  void Convert() { form.inFile1->trigger(); }
  bool ConvertEnabled() const { return form.Convert1->menuAction()->isEnabled(); }
  bool PreviewEnabled() const { return form.ConsolePreview1->isEnabled(); }
  // The messages since the last call.
  std::vector<Message> TakeMessages() { return std::exchange(messages, {}); }
};

// Holds the decodings of files whose name contains `held` (every file's by
// default) until Release, so a test can act while the window reads a
// picture; counts every decoding.
// Declared after the window it serves, it releases them before the window
// goes, which waits for its reads.
class DecodeGate {
 public:
  explicit DecodeGate(std::string held = {}) : state_(std::make_shared<State>()) { state_->held = std::move(held); }
  ~DecodeGate() { Release(); }
  DecodeGate(const DecodeGate&) = delete;
  DecodeGate& operator=(const DecodeGate&) = delete;

  PictureDecoder Decoder() const {
    return [state = state_](const std::string& path) {
      std::unique_lock lock(state->mutex);
      ++state->decodings;
      if (path.find(state->held) != std::string::npos) state->opened.wait(lock, [&] { return state->released; });
      lock.unlock();
      return DecodeFile(path);
    };
  }
  void Release() {
    {
      const std::lock_guard lock(state_->mutex);
      state_->released = true;
    }
    state_->opened.notify_all();
  }
  int Decodings() const {
    const std::lock_guard lock(state_->mutex);
    return state_->decodings;
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable opened;
    std::string held;
    bool released = false;
    int decodings = 0;
  };
  std::shared_ptr<State> state_;
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
