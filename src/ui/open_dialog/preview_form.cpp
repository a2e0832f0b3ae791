#include "ui/open_dialog/preview_form.h"

#include <QFrame>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "ui/open_dialog/picture_view.h"

TPreviewForm::TPreviewForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      panel_(new QFrame(this)),
      image_(new TPictureView(panel_)) {
  setWindowTitle(QStringLiteral("Preview"));
  setFocusPolicy(Qt::StrongFocus);
  resize(kDefaultSize);

  auto* formLayout = new QVBoxLayout(this);
  formLayout->setContentsMargins(0, 0, 0, 0);
  formLayout->addWidget(panel_);

  panel_->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  panel_->setBackgroundRole(QPalette::Base);
  panel_->setAutoFillBackground(true);
  auto* panelLayout = new QVBoxLayout(panel_);
  panelLayout->setContentsMargins(kPanelBorderWidth, kPanelBorderWidth, kPanelBorderWidth, kPanelBorderWidth);
  panelLayout->addWidget(image_);
}

QSize TPreviewForm::PanelClientSize() const {
  const int frame = 2 * panel_->frameWidth();
  return size() - QSize(frame, frame);
}

void TPreviewForm::keyPressEvent(QKeyEvent* event) {
  QString text = event->text();
  if (event->key() == Qt::Key_Escape) text = QString(QChar(27));
  if (OnKeyPress && text.size() == 1) {
    QChar key = text.front();
    OnKeyPress(this, key);
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
