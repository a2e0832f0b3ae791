#pragma once

// The console preview as the main window opens it, its dialogs answered
// and recorded: the save dialog with `answer` (the name it suggests when
// empty), the replace question with `replace`, and the open dialog of a
// shared set with `set`.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QString>
#include <QStringList>

#include <string>

#include "ui/console_preview/console_preview_window.h"
#include "window_driver.h"

namespace tilora::testing {

struct Preview {
  WindowDriver w;
  ConsolePreviewWindow* window = nullptr;
  QString answer;
  bool replace = true;
  QStringList suggested;
  QStringList asked;  // the files a replace question named
  QStringList set;    // the pictures a shared set's dialog gives
  QStringList folders;  // where that dialog started

  void Open(const std::string& path) {
    w.Open(path);
    Show();
  }
  void Show() {
    w.form.ConsolePreview1->trigger();
    window = w.form.ConsolePreview();
    window->SetQuestions({[this](QWidget*, const QString&, const QString& name, const QString&) {
                            suggested << name;
                            return answer.isEmpty() ? name : answer;
                          },
                          [this](QWidget*, const QStringList& existing) {
                            asked << existing;
                            return replace;
                          },
                          [this](QWidget*, const QString&, const QString& folder, const QString&) {
                            folders << folder;
                            return set;
                          }});
  }
  template <typename T>
  T& Get(const char* name) const {
    return Find<T>(*window, name);
  }
  // Depth choice: 0-2 for 2, 4, 8 bpp, 3 for mode 7.
  void Choose(int depth, bool deduplicate, bool flips) {
    Find<QCheckBox>(*window, "deduplicateBox").setChecked(deduplicate);
    Find<QCheckBox>(*window, "flipsBox").setChecked(flips);
    Find<QComboBox>(*window, "depthBox").setCurrentIndex(depth);
  }
  QString Status() const { return Find<QLabel>(*window, "statusLine").text(); }
  QStringList Figures() const { return Find<QLabel>(*window, "figures").text().split(QLatin1Char('\n')); }
};

}  // namespace tilora::testing
