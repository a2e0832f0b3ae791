#include "ui/common/message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/common/app_title.h"
#include "io/io_error.h"
#include "ui/common/program_icon.h"

namespace tilora::ui {
namespace {

const QString kRule = QString(27, QLatin1Char('-'));
const QString kCrLf = QStringLiteral("\r\n");

QScreen* ActiveScreen() {
  if (QWidget* active = QApplication::activeWindow()) return active->screen();
  return QGuiApplication::primaryScreen();
}

// Ctrl+C alone, as the platform's boxes take it.
bool IsCopyChord(const QKeyEvent& event) {
  return event.key() == Qt::Key_C && (event.modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

void CopyBox(const QString& caption, const QString& text, const QStringList& buttons) {
  QApplication::beep();
  QApplication::clipboard()->setText(NoticeClipboardText(caption, text, buttons));
}

void CentreOn(QWidget& box, const QScreen* screen) {
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  box.move(area.center() - QPoint(box.width() / 2, box.height() / 2));
}

}  // namespace

QString BoxCaption() {
  const QByteArray path = QFile::encodeName(QCoreApplication::applicationFilePath());
  return QFile::decodeName(QByteArray::fromStdString(ApplicationTitle(path.toStdString())));
}

QString FailureBoxText(const QString& failure) {
  // UTF-8 keeps every character, and its last byte sorts after "." exactly
  // when the last character does.
  return QString::fromStdString(FailureText(failure.toStdString()));
}

QString NoticeClipboardText(const QString& caption, const QString& text, const QStringList& buttons) {
  QString line;
  for (QString button : buttons) line += button.remove(QLatin1Char('&')) + QStringLiteral("   ");
  return kRule + kCrLf + caption + kCrLf + kRule + kCrLf + text + kCrLf + kRule + kCrLf + line + kCrLf + kRule + kCrLf;
}

NoticeBox::NoticeBox(const QString& text, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      label_(new QLabel(text, this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)) {
  setWindowTitle(BoxCaption());
  setModal(true);
  // The system's message font, not the owner's form font.
  setFont(QApplication::font("QMessageBox"));

  label_->setTextFormat(Qt::PlainText);
  label_->setWordWrap(true);
  label_->setTextInteractionFlags(Qt::NoTextInteraction);
  const QScreen* screen = ActiveScreen();
  const int wrapWidth = screen ? screen->availableGeometry().width() / 2 : 640;
  const QRect textRect = label_->fontMetrics().boundingRect(QRect(0, 0, wrapWidth, 1 << 20),
                                                            Qt::TextWordWrap, text);
  label_->setFixedSize(textRect.width() + 2, textRect.height());

  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 12);
  layout->setSpacing(16);
  layout->addWidget(label_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  CentreOn(*this, screen);
}

QString NoticeBox::Text() const { return label_->text(); }

void NoticeBox::keyPressEvent(QKeyEvent* event) {
  // Esc (cancel) and Enter (default button) are the dialog's own.
  if (IsCopyChord(*event)) {
    CopyBox(windowTitle(), Text(), {ok_->text()});
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

FailureBox::FailureBox(const QString& text, QWidget* owner)
    : QMessageBox(QMessageBox::Critical, BoxCaption(), text, QMessageBox::Ok, owner) {
  // Owned by the application, it would otherwise have no icon of its own.
  setWindowIcon(ProgramIcon());
}

void FailureBox::keyPressEvent(QKeyEvent* event) {
  if (IsCopyChord(*event)) {
    QStringList captions;
    for (const QAbstractButton* button : buttons()) captions << button->text();
    CopyBox(windowTitle(), text(), captions);
    event->accept();
    return;
  }
  QMessageBox::keyPressEvent(event);
}

void ShowNoticeBox(QWidget* owner, const QString& text) {
  NoticeBox box(text, owner);
  box.exec();
}

void ShowFailureBox(const QString& failure) {
  // A window holding the mouse would keep it from the box.
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  // Owned by the application: every window of it is disabled while it is up.
  FailureBox box(FailureBoxText(failure));
  box.setWindowModality(Qt::ApplicationModal);
  box.adjustSize();
  CentreOn(box, ActiveScreen());
  box.exec();
}

}  // namespace tilora::ui
