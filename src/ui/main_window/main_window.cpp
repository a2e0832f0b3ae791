#include "ui/main_window/main_window.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <exception>

#include "ui/common/core_text.h"
#include "ui/common/fonts.h"
#include "ui/common/program_icon.h"
#include "ui/main_window/picture_area.h"
#include "ui/main_window/window_settings.h"

namespace {

using tilora::ui::BoxKind;
using tilora::ui::CoreText;

constexpr int kDesignTextHeight = 13;
constexpr int kScrollArrowStep = 8;
constexpr int kScrollFrameWidth = 2;
// The client area between the menu and the status bar, and the picture
// area in it, as designed.
constexpr int kDesignClientWidth = 447;
constexpr int kDesignClientHeight = 257;
constexpr int kDesignStatusHeight = 19;
constexpr QRect kDesignPictureArea(7, 6, 262, 230);
// A grown picture area never shrinks below this, so its scroll bars work.
constexpr int kSmallestGrownSide = 64;

constexpr const char* kGrowKey = "view/growPictureArea";

// Picture sizes come from the file unchecked: a negative height is a picture
// stored top row first, and nothing may exceed what a widget can hold.
int ViewExtent(std::int32_t value) {
  const std::int64_t magnitude = value < 0 ? -static_cast<std::int64_t>(value) : value;
  return static_cast<int>(std::min<std::int64_t>(magnitude, QWIDGETSIZE_MAX));
}

// The first local file among those dropped; empty when none is.
QString DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
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
  GrowPictureArea1 = View1->addAction(QStringLiteral("&Grow Picture Area"));
  GrowPictureArea1->setCheckable(true);
  GrowPictureArea1->setChecked(tilora::ui::StoredFlag(QLatin1String(kGrowKey), false));
  setMenuBar(mm1);

  const std::pair<QObject*, const char*> names[] = {
      {File1, "File1"},       {OpenBMP1, "OpenBMP1"}, {Close1, "Close1"},
      {Convert1, "Convert1"}, {inFile1, "inFile1"},   {View1, "View1"},
      {ConsolePreview1, "ConsolePreview1"}, {GrowPictureArea1, "GrowPictureArea1"}};
  for (const auto& [object, name] : names) object->setObjectName(QLatin1String(name));

  connect(OpenBMP1, &QAction::triggered, this, &TForm1::OpenBMP1Click);
  connect(inFile1, &QAction::triggered, this, &TForm1::inFile1Click);
  connect(Close1, &QAction::triggered, this, &TForm1::Close1Click);
  connect(ConsolePreview1, &QAction::triggered, this, &TForm1::ConsolePreview1Click);
  connect(GrowPictureArea1, &QAction::toggled, this, [this](bool on) {
    tilora::ui::StoreFlag(QLatin1String(kGrowKey), on);
    PlacePictureArea();
  });
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
  // A grown picture area follows the client area's size.
  client->installEventFilter(this);
  // A picture file dropped anywhere on the window opens.
  setAcceptDrops(true);

  GroupBox1 = new QGroupBox(QStringLiteral("Picture Info"), client);
  StaticText1 = new TAutoSizeLabel(GroupBox1);
  StaticText3 = new TAutoSizeLabel(GroupBox1);
  for (QLabel* label : {StaticText1, StaticText3}) label->setFont(tilora::ui::DescriptionFont());

  ScrollBox1 = new PictureArea(client);
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
  txt2->setBuddy(Edit1);
  // A file dropped on the name field opens, as anywhere else on the window,
  // rather than becoming a name.
  Edit1->setAcceptDrops(false);
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
  place(ScrollBox1, kDesignPictureArea.x(), kDesignPictureArea.y(), kDesignPictureArea.width(),
        kDesignPictureArea.height());
  place(txt2, 289, 120, 74, 17);
  place(Edit1, 289, 140, 121, 21);
  place(txt1, 274, 218, 136, 17);
  // The labels then size themselves to their text from these positions.
  StaticText1->SetText(QStringLiteral("Resolution: "));
  StaticText3->SetText(QStringLiteral("Pic Format: "));
  // Alt+N reaches the name field.
  txt2->SetText(QStringLiteral("&New File Name"));
  txt1->SetText(QStringLiteral("Tilora: pictures to tiles"));
  for (QWidget* widget : {static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(txt2),
                          static_cast<QWidget*>(Edit1), static_cast<QWidget*>(txt1)})
    besideArea_.push_back({widget, widget->pos()});

  // Set before it joins the frame, which otherwise sizes it to its hint.
  img1->resize(Scaled(256), Scaled(224));
  ScrollBox1->setWidget(img1);

  // The status bar follows the bottom edge; the rest keeps its place.
  stat1->setFixedHeight(Scaled(kDesignStatusHeight));
  move(239, 225);
  resize(Scaled(kDesignClientWidth), mm1->sizeHint().height() + Scaled(kDesignClientHeight));
  // The focus starts in the name field, the one control that takes typing.
  Edit1->setFocus();
}

// Off, every control keeps its design place whatever the window's size. On,
// the picture area grows and shrinks with the client area, and the controls
// beside it keep their distance from it, so that nothing overlaps; at the
// design size both are the same.
void TForm1::PlacePictureArea() {
  const QRect design(Scaled(kDesignPictureArea.x()), Scaled(kDesignPictureArea.y()),
                     Scaled(kDesignPictureArea.width()), Scaled(kDesignPictureArea.height()));
  QRect area = design;
  if (GrowPictureArea1->isChecked()) {
    const QSize designClient(Scaled(kDesignClientWidth), Scaled(kDesignClientHeight) - Scaled(kDesignStatusHeight));
    const QSize extra = centralWidget()->size() - designClient;
    const int smallest = Scaled(kSmallestGrownSide);
    area.setSize({std::max(smallest, design.width() + extra.width()), std::max(smallest, design.height() + extra.height())});
  }
  ScrollBox1->setGeometry(area);
  const int shift = area.width() - design.width();
  for (const auto& [widget, at] : besideArea_) widget->move(at.x() + shift, at.y());
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget() && event->type() == QEvent::Resize && GrowPictureArea1->isChecked())
    PlacePictureArea();
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

// Opened once the drop has ended: the open's boxes are modal, and the drag's
// source waits for the drop to finish.
void TForm1::dropEvent(QDropEvent* event) {
  const QString file = DroppedFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  QTimer::singleShot(0, this, [this, file] { OpenGivenFile(file); });
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

