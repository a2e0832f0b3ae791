#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

namespace tilora::ui {

enum class BoxKind { Notice, Failure };

// The caption of both boxes: the application title derived from the
// executable's file name, never the main window's caption.
QString BoxCaption();

// A failure's text as its box shows it: "." appended when the last character
// sorts after ".".
QString FailureBoxText(const QString& failure);

// What Ctrl+C in the notice box puts on the clipboard: caption, text and
// button captions between lines of 27 "-", with CRLF line ends.
QString NoticeClipboardText(const QString& caption, const QString& text, const QStringList& buttons);

// The plain notice box: fixed frame, no icon, text wrapped at half the screen
// width, one centred "OK" that is both default and cancel button, and Ctrl+C
// that copies the box as text. QMessageBox offers no such copy everywhere.
class NoticeBox : public QDialog {
  Q_OBJECT

 public:
  explicit NoticeBox(const QString& text, QWidget* owner = nullptr);
  QString Text() const;
  QPushButton* OkButton() const { return ok_; }
  QLabel* TextLabel() const { return label_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* label_;
  QPushButton* ok_;
};

// The failure box: the critical message box with the program's icon in its
// title bar and the notice box's Ctrl+C. Give it the text as it shows it
// (see FailureBoxText).
class FailureBox : public QMessageBox {
  Q_OBJECT

 public:
  explicit FailureBox(const QString& text, QWidget* owner = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Modal; return when the user has closed the box.
void ShowNoticeBox(QWidget* owner, const QString& text);
void ShowFailureBox(const QString& failure);

}  // namespace tilora::ui
