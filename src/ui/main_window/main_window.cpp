#include "ui/main_window/main_window.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStringList>

#include <algorithm>
#include <exception>
#include <string>

#include "formats/bmp/bmp_layout.h"
#include "formats/png/png_reader.h"
#include "io/failure_text.h"
#include "ui/console_preview/console_preview_window.h"
#include "ui/common/core_text.h"
#include "ui/common/fonts.h"
#include "ui/common/picture_image.h"
#include "ui/common/picture_loader.h"
#include "ui/common/program_icon.h"

namespace {

using tilora::ui::BoxKind;
using tilora::ui::CoreText;
using tilora::ui::LocalName;

constexpr int kDesignTextHeight = 13;
constexpr int kScrollArrowStep = 8;
constexpr int kScrollFrameWidth = 2;

// Picture sizes come from the file unchecked: a negative height is a picture
// stored top row first, and nothing may exceed what a widget can hold.
int ViewExtent(std::int32_t value) {
  const std::int64_t magnitude = value < 0 ? -static_cast<std::int64_t>(value) : value;
  return static_cast<int>(std::min<std::int64_t>(magnitude, QWIDGETSIZE_MAX));
}

}  // namespace

TImage::TImage(QWidget* parent) : QWidget(parent) {}

void TImage::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
  emit pictureChanged();
}

void TImage::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), picture_);
}

TAutoSizeLabel::TAutoSizeLabel(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

void TAutoSizeLabel::SetText(const QString& text) {
  setText(text);
  adjustSize();
}

void TAutoSizeLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) adjustSize();
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Tilora"));
  setWindowIcon(tilora::ui::ProgramIcon());
  setFont(tilora::ui::FormFont());
  formTextHeight_ = tilora::ui::TextHeight(font());

  runDialog_ = [](TOpenPictureDialog& dialog) { return dialog.Run(); };
  decodePicture_ = tilora::DecodeFile;
  showMessage_ = [this](BoxKind kind, const QString& text) {
    if (kind == BoxKind::Notice)
      tilora::ui::ShowNoticeBox(this, text);
    else
      tilora::ui::ShowFailureBox(text);
  };

  CreateMenu();
  CreateControls();
  PlaceControls();
}

void TForm1::SetDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
void TForm1::SetMessageSink(MessageSink sink) { showMessage_ = std::move(sink); }
void TForm1::SetPictureDecoder(tilora::PictureDecoder decoder) { decodePicture_ = std::move(decoder); }

int TForm1::Scaled(int designValue) const {
  return (designValue * formTextHeight_ + kDesignTextHeight / 2) / kDesignTextHeight;
}

void TForm1::CreateMenu() {
  mm1 = new QMenuBar(this);
  mm1->setObjectName(QStringLiteral("mm1"));
  mm1->setFont(QApplication::font("QMenuBar"));  // the system's menu font
  // Each title and item has an access key; the menus show the shortcuts.
  File1 = mm1->addMenu(QStringLiteral("&File"));
  OpenBMP1 = File1->addAction(QStringLiteral("&Open BMP"));
  OpenBMP1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  Close1 = File1->addAction(QStringLiteral("&Close"));
  Close1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  Convert1 = mm1->addMenu(QStringLiteral("&Convert"));
  inFile1 = Convert1->addAction(QStringLiteral("&In File"));
  Convert1->menuAction()->setEnabled(false);
  View1 = mm1->addMenu(QStringLiteral("&View"));
  ConsolePreview1 = View1->addAction(QStringLiteral("&Console Preview"));
  ConsolePreview1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  ConsolePreview1->setEnabled(false);
  setMenuBar(mm1);

  const std::pair<QObject*, const char*> names[] = {
      {File1, "File1"},       {OpenBMP1, "OpenBMP1"}, {Close1, "Close1"},
      {Convert1, "Convert1"}, {inFile1, "inFile1"},   {View1, "View1"},
      {ConsolePreview1, "ConsolePreview1"}};
  for (const auto& [object, name] : names) object->setObjectName(QLatin1String(name));

  connect(OpenBMP1, &QAction::triggered, this, &TForm1::OpenBMP1Click);
  connect(inFile1, &QAction::triggered, this, &TForm1::inFile1Click);
  connect(Close1, &QAction::triggered, this, &TForm1::Close1Click);
  connect(ConsolePreview1, &QAction::triggered, this, &TForm1::ConsolePreview1Click);
  // Alt and Down come with the desktop style; F10 is added here.
  auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
  connect(menuKey, &QShortcut::activated, this, &TForm1::OpenMenuBar);
}

void TForm1::OpenMenuBar() {
  mm1->setActiveAction(File1->menuAction());
  if (!File1->actions().isEmpty()) File1->setActiveAction(File1->actions().constFirst());
}

void TForm1::CreateControls() {
  auto* client = new QWidget(this);
  setCentralWidget(client);

  GroupBox1 = new QGroupBox(QStringLiteral("Picture Info"), client);
  StaticText1 = new TAutoSizeLabel(GroupBox1);
  StaticText3 = new TAutoSizeLabel(GroupBox1);
  for (QLabel* label : {StaticText1, StaticText3}) label->setFont(tilora::ui::DescriptionFont());

  ScrollBox1 = new QScrollArea(client);
  ScrollBox1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  ScrollBox1->setLineWidth(kScrollFrameWidth);
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  for (QScrollBar* bar : {ScrollBox1->horizontalScrollBar(), ScrollBox1->verticalScrollBar()}) {
    bar->setSingleStep(kScrollArrowStep);
    bar->setTracking(false);  // a dragged thumb takes effect when released
  }
  img1 = new TImage;
  connect(img1, &TImage::pictureChanged, this, &TForm1::ResetPictureScroll);

  txt2 = new TAutoSizeLabel(client);
  Edit1 = new QLineEdit(QStringLiteral("Pic"), client);
  txt1 = new TAutoSizeLabel(client);

  stat1 = new QStatusBar(this);
  stat1Panel = new QLabel(stat1);
  stat1Panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  stat1Panel->setTextFormat(Qt::PlainText);
  stat1Panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // A long name is clipped at the edge and never widens the window.
  stat1Panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  stat1Panel->setMinimumWidth(0);
  stat1->addWidget(stat1Panel, 1);
  stat1->setSizeGripEnabled(true);
  setStatusBar(stat1);

  const std::pair<QWidget*, const char*> names[] = {
      {GroupBox1, "GroupBox1"}, {StaticText1, "StaticText1"}, {StaticText3, "StaticText3"},
      {ScrollBox1, "ScrollBox1"}, {img1, "img1"}, {txt2, "txt2"}, {Edit1, "Edit1"},
      {txt1, "txt1"}, {stat1, "stat1"}};
  for (const auto& [widget, name] : names) widget->setObjectName(QLatin1String(name));

  dlgOpenPic1 = new TOpenPictureDialog(this);
  dlgOpenPic1->setObjectName(QStringLiteral("dlgOpenPic1"));
  dlgOpenPic1->SetFilter(QStringLiteral("Bitmaps (*.bmp)|*.bmp|Pictures (*.bmp *.png)|*.bmp;*.png|All files (*)|*"));
  // The preview window's failures reach the window's own failure box.
  dlgOpenPic1->FailureBox = [this](const QString& text) { ShowFailure(text); };
}

void TForm1::PlaceControls() {
  const auto place = [this](QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
  };
  place(GroupBox1, 288, 9, 153, 105);
  place(StaticText1, 2, 24, 88, 19);
  place(StaticText3, 2, 39, 88, 19);
  place(ScrollBox1, 7, 6, 262, 230);
  place(txt2, 289, 120, 74, 17);
  place(Edit1, 289, 140, 121, 21);
  place(txt1, 274, 218, 136, 17);
  // The labels then size themselves to their text from these positions.
  StaticText1->SetText(QStringLiteral("Resolution: "));
  StaticText3->SetText(QStringLiteral("Pic Format: "));
  txt2->SetText(QStringLiteral("New File Name"));
  txt1->SetText(QStringLiteral("Tilora: pictures to tiles"));

  // Set before it joins the frame, which otherwise sizes it to its hint.
  img1->resize(Scaled(256), Scaled(224));
  ScrollBox1->setWidget(img1);

  // The status bar follows the bottom edge; the rest keeps its place.
  stat1->setFixedHeight(Scaled(19));
  move(239, 225);
  resize(Scaled(447), mm1->sizeHint().height() + Scaled(257));
}

void TForm1::ResetPictureScroll() {
  ScrollBox1->horizontalScrollBar()->setValue(0);
  ScrollBox1->verticalScrollBar()->setValue(0);
}

void TForm1::SetImageWidth(std::int32_t width) { img1->resize(ViewExtent(width), img1->height()); }
void TForm1::SetImageHeight(std::int32_t height) { img1->resize(img1->width(), ViewExtent(height)); }

void TForm1::ShowNotice(const QString& text) { showMessage_(BoxKind::Notice, text); }
void TForm1::ShowFailure(const QString& text) { showMessage_(BoxKind::Failure, tilora::ui::FailureBoxText(text)); }

// Called inside a catch block: nothing may leave a handler, so whatever was
// thrown becomes a failure box and the window waits for the next command.
void TForm1::ShowCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    ShowFailure(CoreText(e.what()));
  } catch (...) {
    ShowFailure(QStringLiteral("Unexpected failure"));
  }
}

void TForm1::OpenBMP1Click() {
  try {
    if (!runDialog_(*dlgOpenPic1)) return;
  } catch (...) {
    ShowCurrentException();
    return;
  }
  OpenChosenPicture();
}

void TForm1::OpenGivenFile(const QString& file) {
  dlgOpenPic1->SetFileName(QFileInfo(file).absoluteFilePath());
  OpenChosenPicture();
}

void TForm1::OpenChosenPicture() {
  ReadChosenPicture();
  FollowLastOpen();
}

void TForm1::ReadChosenPicture() {
  // Nothing of an earlier open is converted after this one fails.
  PictureHeaderAccepted = false;
  opened_ = {};
  try {
    const QString name = dlgOpenPic1->FileName();
    // As the platform's dialog does, so relative output names land beside the picture.
    QDir::setCurrent(QFileInfo(name).absolutePath());
    stat1Panel->setText(name);
    if (ReadPng(name)) return;

    opened_.stamp = tilora::ReadHeader(LocalName(name), PictureHeader, SourceFile,
                                       {[this](std::int32_t w) { SetImageWidth(w); },
                                        [this](std::int32_t h) { SetImageHeight(h); }});
    // A file named as a bitmap must be one; icons and metafiles are shown
    // by their own decoders.
    const bool namedBitmap = QFileInfo(name).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0;
    if (namedBitmap && !tilora::IsBitmapHeader(PictureHeader)) {
      ShowNotice(QString::fromLatin1(tilora::kNotBmpNotice));
      return;
    }
    if (!tilora::IsAccepted(PictureHeader)) {
      ShowNotice(QString::fromLatin1(tilora::kCompressionNotice));
      return;
    }
    PictureHeaderAccepted = true;
    StaticText1->SetText(QString::fromStdString(tilora::ResolutionText(PictureHeader)));
    StaticText3->SetText(QString::fromStdString(tilora::FormatText(PictureHeader)));
    Convert1->menuAction()->setEnabled(true);
    ShowDecodedPicture(name);
  } catch (...) {
    ShowCurrentException();
  }
}

// The picture is decoded once for the view, the console preview and the
// conversions; what the core cannot read (an icon, a metafile, a bitmap
// beyond the converter's limits) is shown by the display's own decoders,
// whose failures the failure box tells.
void TForm1::ShowDecodedPicture(const QString& name) {
  const QString kind = QFileInfo(name).suffix().toLower();
  opened_ = tilora::DecodeAfterHeader(decodePicture_, LocalName(name), opened_.stamp);
  if (opened_.picture && kind == QLatin1String("bmp")) {
    img1->SetPicture(tilora::ui::ImageOf(*opened_.picture));
    return;
  }
  QString failure;
  const QImage picture = tilora::ui::LoadPicture(name, &failure);
  if (picture.isNull()) {
    ShowFailure(failure);
    return;
  }
  // A metafile's bytes at the bitmap header's offsets mean nothing; its
  // size is the decoded picture's.
  if (kind == QLatin1String("emf") || kind == QLatin1String("wmf")) {
    SetImageWidth(picture.width());
    SetImageHeight(picture.height());
  }
  img1->SetPicture(picture);
}

// A PNG is told by its signature, as the conversion tells it; a file named
// as a bitmap is read as one whatever it holds, so it meets the not-a-BMP
// notice as before. False when the file is not a PNG.
bool TForm1::ReadPng(const QString& name) {
  if (QFileInfo(name).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0) return false;
  if (!tilora::IsPngFile(LocalName(name))) return false;
  opened_ = decodePicture_(LocalName(name));
  if (!opened_.picture) {
    ShowFailure(CoreText(tilora::FailureMessage(opened_.failure.value_or(tilora::Failure{}))));
    return true;
  }
  PictureHeaderAccepted = true;
  const tilora::Picture& picture = *opened_.picture;
  SetImageWidth(picture.width);
  SetImageHeight(picture.height);
  tilora::PictureHeaderRecord described;
  described.Width = picture.width;
  described.Height = picture.height;
  described.Depth = static_cast<std::uint16_t>(picture.depth);
  StaticText1->SetText(QString::fromStdString(tilora::ResolutionText(described)));
  StaticText3->SetText(QString::fromStdString(tilora::FormatText(described)));
  Convert1->menuAction()->setEnabled(true);
  img1->SetPicture(tilora::ui::ImageOf(picture));
  return true;
}

// The console preview shows what "In File" would convert: nothing after an
// open that was refused or failed.
void TForm1::FollowLastOpen() {
  const bool accepted = PictureHeaderAccepted;
  ConsolePreview1->setEnabled(accepted);
  if (!consolePreview_) return;
  if (accepted)
    consolePreview_->SetPicture(opened_, img1->Picture());
  else
    consolePreview_->close();
}

void TForm1::ConsolePreview1Click() {
  try {
    if (!consolePreview_) {
      consolePreview_ = new ConsolePreviewWindow(this);
      consolePreview_->SetBaseName([this] { return Edit1->text(); });
      consolePreview_->SetFailureSink([this](const QString& text) { ShowFailure(text); });
      consolePreview_->SetPicture(opened_, img1->Picture());
    }
    consolePreview_->show();
    consolePreview_->raise();
    consolePreview_->activateWindow();
  } catch (...) {
    ShowCurrentException();
  }
}

// Refusals are notices; a file that could not be read or written, or a
// fault of ours, is a failure.
void TForm1::ShowConversionFailure(const tilora::Failure& failure) {
  const QString text = CoreText(tilora::FailureMessage(failure));
  if (failure.kind == tilora::FailureKind::Picture || failure.kind == tilora::FailureKind::Usage)
    ShowNotice(text);
  else
    ShowFailure(text);
}

void TForm1::inFile1Click() {
  // The status bar says what the last command did: the picture's name as
  // the open left it, or the files a conversion wrote.
  stat1Panel->setText(dlgOpenPic1->FileName());
  try {
    const tilora::Result<tilora::ConvertedFiles> done =
        tilora::ConvertPicture(opened_, PictureHeaderAccepted, LocalName(Edit1->text()));
    if (const tilora::Failure* failure = done.IfFailed()) {
      ShowConversionFailure(*failure);
      return;
    }
    QStringList written;
    for (const std::string& name : done->written) written << CoreText(name);
    stat1Panel->setText(QStringLiteral("Wrote ") + written.join(QStringLiteral(", ")));
  } catch (...) {
    ShowCurrentException();
  }
}

void TForm1::Close1Click() { close(); }
