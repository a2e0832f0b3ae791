#include "ui/console_preview/console_preview_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>

#include "convert/convert_file.h"
#include "io/failure_text.h"
#include "ui/console_preview/console_picture_view.h"
#include "ui/common/core_text.h"

using tilora::ui::ConsoleRendering;
using tilora::ui::CoreText;
using tilora::ui::PreviewSettings;

namespace {

// Up to this many pixels a picture is encoded at once on the UI thread (a
// few milliseconds); larger ones on a worker thread, so the window stays
// responsive.
constexpr std::size_t kInlinePixels = std::size_t{1024} * 1024;

constexpr int kDepths[] = {2, 4, 8};
constexpr int kMode7Choice = 3;
constexpr int kSheetColumns[] = {16, 32};
// The tile sheet is as wide at 32 tiles across as at 16 shown twice as large.
constexpr int kSheetWidth = 256;

ConsoleRendering Render(const tilora::Picture& picture, const PreviewSettings& settings) {
  try {
    return tilora::ui::RenderForConsole(picture, settings);
  } catch (const std::exception& e) {
    ConsoleRendering failed;
    failed.refusal = std::string("The preview could not be made: ") + e.what();
    return failed;
  }
}

int DepthChoice(int bpp) { return bpp == 2 ? 0 : bpp == 8 ? 2 : 1; }

QLabel* Heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

}  // namespace

ConsolePreviewWindow::ConsolePreviewWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("ConsolePreview"));
  setWindowTitle(QStringLiteral("Console Preview"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreateControls());

  auto* middle = new QHBoxLayout;
  auto* pictureArea = new QScrollArea(this);
  pictureArea->setObjectName(QStringLiteral("pictureArea"));
  pictureArea->setWidgetResizable(false);
  pictureArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  pictureArea->setBackgroundRole(QPalette::Dark);
  view = new ConsolePictureView;
  view->setObjectName(QStringLiteral("view"));
  pictureArea->setWidget(view);
  middle->addWidget(pictureArea, 1);
  middle->addWidget(CreateSidePanel());
  layout->addLayout(middle, 1);

  statusLine = new QLabel(this);
  statusLine->setObjectName(QStringLiteral("statusLine"));
  statusLine->setTextFormat(Qt::PlainText);
  statusLine->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  statusLine->setWordWrap(true);
  statusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(statusLine);

  ConnectControls();
  FollowDepth();
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
  resize(980, 640);
}

ConsolePreviewWindow::~ConsolePreviewWindow() = default;

QWidget* ConsolePreviewWindow::CreateControls() {
  auto* box = new QWidget(this);
  auto* rows = new QVBoxLayout(box);
  rows->setContentsMargins(0, 0, 0, 0);
  auto* tiles = new QHBoxLayout;
  auto* shown = new QHBoxLayout;
  rows->addLayout(tiles);
  rows->addLayout(shown);

  depthBox = new QComboBox(box);
  depthBox->addItems(
      {QStringLiteral("2 bpp"), QStringLiteral("4 bpp"), QStringLiteral("8 bpp"), QStringLiteral("Mode 7")});
  depthBox->setCurrentIndex(1);
  auto* depthLabel = new QLabel(QStringLiteral("&Depth:"), box);
  depthLabel->setBuddy(depthBox);
  deduplicateBox = new QCheckBox(QStringLiteral("Dedu&plicate tiles"), box);
  deduplicateBox->setToolTip(QStringLiteral("Store each distinct tile once and write a map (--map)"));
  flipsBox = new QCheckBox(QStringLiteral("Use &flips"), box);
  flipsBox->setChecked(true);
  flipsBox->setToolTip(QStringLiteral("A flipped copy of a stored tile is the same tile (off: --no-flip)"));

  // Sub-palettes are made for truecolour pictures, as --palettes does.
  subPalettesBox = new QSpinBox(box);
  subPalettesBox->setRange(1, 8);
  auto* subPalettesLabel = new QLabel(QStringLiteral("S&ub-palettes:"), box);
  subPalettesLabel->setBuddy(subPalettesBox);
  lossyBox = new QCheckBox(QStringLiteral("&Lossy"), box);
  ditherBox = new QCheckBox(QStringLiteral("D&ither"), box);
  subPalettesBox->setToolTip(QStringLiteral("Sub-palettes made for a truecolour picture (--palettes)"));
  subPalettesLabel->setToolTip(subPalettesBox->toolTip());
  lossyBox->setToolTip(QStringLiteral("When the colours do not fit, reduce them (--lossy)"));
  ditherBox->setToolTip(QStringLiteral("With lossy: error diffusion within each tile (--dither)"));
  for (QWidget* control : {static_cast<QWidget*>(subPalettesLabel), static_cast<QWidget*>(subPalettesBox),
                           static_cast<QWidget*>(lossyBox), static_cast<QWidget*>(ditherBox)})
    control->setEnabled(tilora::ui::kSubPaletteGeneration);

  for (QWidget* control :
       {static_cast<QWidget*>(depthLabel), static_cast<QWidget*>(depthBox), static_cast<QWidget*>(deduplicateBox),
        static_cast<QWidget*>(flipsBox), static_cast<QWidget*>(subPalettesLabel), static_cast<QWidget*>(subPalettesBox),
        static_cast<QWidget*>(lossyBox), static_cast<QWidget*>(ditherBox)})
    tiles->addWidget(control);
  tiles->addStretch(1);

  zoomBox = new QComboBox(box);
  zoomBox->addItems({QStringLiteral("1x"), QStringLiteral("2x"), QStringLiteral("3x"), QStringLiteral("4x")});
  zoomBox->setCurrentIndex(1);
  auto* zoomLabel = new QLabel(QStringLiteral("&Zoom:"), box);
  zoomLabel->setBuddy(zoomBox);
  gridBox = new QCheckBox(QStringLiteral("Tile &grid"), box);
  saveButton = new QPushButton(QStringLiteral("&Save..."), box);
  saveButton->setToolTip(
      QStringLiteral("Write these outputs under the main window's file name, as tilora-convert would"));
  shown->addWidget(zoomLabel);
  shown->addWidget(zoomBox);
  shown->addWidget(gridBox);
  shown->addStretch(1);
  shown->addWidget(saveButton);

  const std::pair<QObject*, const char*> names[] = {{depthBox, "depthBox"},    {deduplicateBox, "deduplicateBox"},
                                                    {flipsBox, "flipsBox"},    {subPalettesBox, "subPalettesBox"},
                                                    {lossyBox, "lossyBox"},    {ditherBox, "ditherBox"},
                                                    {zoomBox, "zoomBox"},      {gridBox, "gridBox"},
                                                    {saveButton, "saveButton"}};
  for (const auto& [object, name] : names) object->setObjectName(QLatin1String(name));
  return box;
}

QWidget* ConsolePreviewWindow::CreateSidePanel() {
  auto* panel = new QWidget(this);
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);

  column->addWidget(Heading(QStringLiteral("Tile sheet, in video memory order"), panel));
  auto* sheetOptions = new QHBoxLayout;
  sheetColumnsBox = new QComboBox(panel);
  sheetColumnsBox->addItems({QStringLiteral("16 across"), QStringLiteral("32 across")});
  greySheetBox = new QCheckBox(QStringLiteral("Grey le&vels"), panel);
  greySheetBox->setToolTip(QStringLiteral("Show each tile's colour numbers instead of its colours"));
  sheetOptions->addWidget(sheetColumnsBox);
  sheetOptions->addWidget(greySheetBox);
  sheetOptions->addStretch(1);
  column->addLayout(sheetOptions);
  auto* sheetArea = new QScrollArea(panel);
  sheetArea->setWidgetResizable(false);
  sheetArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  sheetArea->setBackgroundRole(QPalette::Dark);
  sheetView = new ConsolePictureView;
  sheetView->SetGrid(true);
  sheetArea->setWidget(sheetView);
  sheetArea->setFixedWidth(kSheetWidth + 2 * sheetArea->frameWidth() + 16);
  column->addWidget(sheetArea, 1);
  // As wide with a refusal as without, so the picture does not jump.
  panel->setFixedWidth(sheetArea->width() + 40);

  column->addWidget(Heading(QStringLiteral("Sub-palettes"), panel));
  swatches = new QLabel(panel);
  swatches->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  column->addWidget(swatches);

  column->addWidget(Heading(QStringLiteral("Figures"), panel));
  figures = new QLabel(panel);
  figures->setTextFormat(Qt::PlainText);
  figures->setWordWrap(true);
  figures->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(figures);

  const std::pair<QObject*, const char*> names[] = {{sheetColumnsBox, "sheetColumnsBox"},
                                                    {greySheetBox, "greySheetBox"},
                                                    {sheetView, "sheetView"},
                                                    {swatches, "swatches"},
                                                    {figures, "figures"}};
  for (const auto& [object, name] : names) object->setObjectName(QLatin1String(name));
  return panel;
}

void ConsolePreviewWindow::ConnectControls() {
  const auto refresh = [this] { Refresh(); };
  connect(depthBox, &QComboBox::currentIndexChanged, this, [this] {
    FollowDepth();
    Refresh();
  });
  connect(deduplicateBox, &QCheckBox::toggled, this, [this] {
    FollowDepth();
    Refresh();
  });
  for (QCheckBox* box : {flipsBox, lossyBox, ditherBox, greySheetBox}) connect(box, &QCheckBox::toggled, this, refresh);
  connect(subPalettesBox, &QSpinBox::valueChanged, this, refresh);
  connect(sheetColumnsBox, &QComboBox::currentIndexChanged, this, refresh);
  // Zoom and grid only change how the same rendering is drawn.
  connect(zoomBox, &QComboBox::currentIndexChanged, this, [this](int index) { view->SetZoom(index + 1); });
  connect(gridBox, &QCheckBox::toggled, view, &ConsolePictureView::SetGrid);
  connect(saveButton, &QPushButton::clicked, this, &ConsolePreviewWindow::Save);
  view->SetZoom(zoomBox->currentIndex() + 1);
}

// Mode 7 has its own map and no flips; flips only mean something with a map.
void ConsolePreviewWindow::FollowDepth() {
  const bool mode7 = depthBox->currentIndex() == kMode7Choice;
  deduplicateBox->setEnabled(!mode7);
  flipsBox->setEnabled(!mode7 && deduplicateBox->isChecked());
}

void ConsolePreviewWindow::SetBaseName(std::function<QString()> baseName) { baseName_ = std::move(baseName); }

void ConsolePreviewWindow::SetFailureSink(std::function<void(const QString&)> sink) { failureSink_ = std::move(sink); }

PreviewSettings ConsolePreviewWindow::Settings() const {
  PreviewSettings settings;
  const int depth = depthBox->currentIndex();
  settings.mode7 = depth == kMode7Choice;
  settings.bpp = settings.mode7 ? 8 : kDepths[std::clamp(depth, 0, 2)];
  settings.deduplicate = deduplicateBox->isChecked();
  settings.flips = flipsBox->isChecked();
  settings.truecolour = picture_ && !picture_->indexed;
  settings.subPalettes = subPalettesBox->value();
  settings.lossy = lossyBox->isChecked();
  settings.dither = ditherBox->isChecked();
  settings.sheetColumns = kSheetColumns[std::clamp(sheetColumnsBox->currentIndex(), 0, 1)];
  settings.greySheet = greySheetBox->isChecked();
  return settings;
}

void ConsolePreviewWindow::SetPicture(const tilora::DecodedFile& opened, const QImage& fallback) {
  const bool same = opened.path == opened_.path && opened.stamp == opened_.stamp && opened.picture == opened_.picture &&
                    (picture_ || stale_);
  opened_ = opened;
  fallback_ = fallback;
  setWindowTitle(QStringLiteral("Console Preview - %1").arg(QFileInfo(CoreText(opened.path)).fileName()));
  if (same) return;
  stale_ = true;
  picture_.reset();
  if (isVisible()) LoadPicture();
}

void ConsolePreviewWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (stale_) LoadPicture();
}

// The main window's picture, never read again here: what is shown and saved
// must be what the main window opened.
void ConsolePreviewWindow::LoadPicture() {
  stale_ = false;
  picture_ = opened_.picture;
  loadRefusal_.clear();
  if (!picture_)
    loadRefusal_ = CoreText(tilora::FailureMessage(opened_.failure.value_or(tilora::Refused("No picture is open."))));
  if (picture_) {
    const QSignalBlocker quiet(depthBox);
    depthBox->setCurrentIndex(DepthChoice(tilora::ui::DepthFor(*picture_)));
    FollowDepth();
  }
  Refresh();
}

void ConsolePreviewWindow::Refresh() {
  const quint64 ticket = ++latest_;
  pending_ = 0;
  if (!picture_) {
    ConsoleRendering nothing;
    nothing.refusal = (loadRefusal_.isEmpty() ? QStringLiteral("No picture is open.") : loadRefusal_).toStdString();
    Apply(nothing);
    return;
  }
  const PreviewSettings settings = Settings();
  if (picture_->PixelCount() <= kInlinePixels) {
    Apply(Render(*picture_, settings));
    return;
  }
  pending_ = ticket;
  saveButton->setEnabled(false);
  ShowStatus(QStringLiteral("Encoding..."));
  auto* watcher = new QFutureWatcher<ConsoleRendering>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, ticket] {
    watcher->deleteLater();
    if (ticket != pending_) return;  // a newer setting's encoding is on its way
    pending_ = 0;
    Apply(watcher->result());
  });
  watcher->setFuture(QtConcurrent::run([picture = picture_, settings] { return Render(*picture, settings); }));
}

void ConsolePreviewWindow::Apply(const ConsoleRendering& rendering) {
  rendering_ = rendering;
  // Never a blank view: what cannot be shown as the console shows it is
  // shown as it is.
  view->SetImage(rendering.shown.isNull() ? fallback_ : rendering.shown);
  view->SetMarked(rendering.marked);
  if (rendering.marked) {
    const QRect zoomed(rendering.marked->topLeft() * view->Zoom(), rendering.marked->size() * view->Zoom());
    if (auto* area = findChild<QScrollArea*>(QStringLiteral("pictureArea")))
      area->ensureVisible(zoomed.center().x(), zoomed.center().y(), zoomed.width() * 4, zoomed.height() * 4);
  }
  sheetView->SetZoom(rendering.tileSheet.isNull() ? 1 : std::max(1, kSheetWidth / rendering.tileSheet.width()));
  sheetView->SetImage(rendering.tileSheet);
  swatches->setPixmap(QPixmap::fromImage(rendering.swatches));
  figures->setText(tilora::ui::FiguresText(rendering));
  saveButton->setEnabled(picture_ && rendering.refusal.empty());
  if (!rendering.refusal.empty())
    ShowStatus(picture_ ? CoreText(rendering.refusal) : QString::fromStdString(rendering.refusal));
  else
    ShowStatus(QStringLiteral("As tilora-convert %1").arg(QString::fromStdString(tilora::ui::ArgumentsOf(Settings()))));
}

void ConsolePreviewWindow::ShowStatus(const QString& text) { statusLine->setText(text); }

void ConsolePreviewWindow::Save() {
  if (!picture_) return;
  const tilora::ConversionSettings settings = tilora::ui::ConversionOf(Settings());
  const QString base = baseName_ ? baseName_() : QStringLiteral("Pic");
  const tilora::Result<tilora::ConvertedFiles> done =
      tilora::ConvertDecodedFile(opened_, tilora::ui::LocalName(base), settings);
  if (const tilora::Failure* failure = done.IfFailed()) {
    const QString text = CoreText(tilora::FailureMessage(*failure));
    ShowStatus(CoreText(tilora::FailureText(tilora::FailureMessage(*failure))));
    // Refusals stay on the status line; what could not be written is a failure.
    if (failure->kind != tilora::FailureKind::Picture && failure->kind != tilora::FailureKind::Usage && failureSink_)
      failureSink_(text);
    return;
  }
  QStringList written;
  for (const std::string& name : done->written) written << CoreText(name);
  ShowStatus(QStringLiteral("Wrote %1.").arg(written.join(QStringLiteral(", "))));
}
