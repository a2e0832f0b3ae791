#include "ui/console_preview/console_preview_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <exception>

#include "io/failure_text.h"
#include "ui/common/core_text.h"
#include "ui/common/message_boxes.h"
#include "ui/console_preview/console_picture_view.h"
#include "ui/console_preview/preview_figures.h"
#include "ui/console_preview/preview_saving.h"
#include "ui/console_preview/window_placement.h"

using tilora::ui::ConsoleRendering;
using tilora::ui::CoreText;
using tilora::ui::PreviewSettings;

namespace {

// Up to this many pixels a picture is encoded at once on the UI thread (a
// few milliseconds); larger ones on a worker thread, so the window stays
// responsive.
constexpr std::size_t kInlinePixels = std::size_t{1024} * 1024;

constexpr int kDepths[] = {2, 4, 8};
constexpr int kEightBitChoice = 2;
constexpr int kMode7Choice = 3;
constexpr int kSheetColumns[] = {16, 32};
// The console's object size pairs, in OBJSEL's order.
constexpr tilora::sprites::ObjectSizes kObjectSizes[] = {{8, 16}, {8, 32}, {8, 64}, {16, 32}, {16, 64}, {32, 64}};
// The tile sheet is as wide at 32 tiles across as at 16 shown twice as large.
constexpr int kSheetWidth = 256;
constexpr QSize kPreferredSize(980, 640);
constexpr int kFigureLines = 10;

// The outputs' own extensions, taken off a name chosen in the save dialog.
constexpr const char* kOutputSuffixes[] = {"bin", "plt", "map", "vram", "oam"};

template <typename Work>
ConsoleRendering Guarded(Work&& work) {
  try {
    return work();
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

// Relative to the current folder (the picture's) when it lies within it,
// as the name field's bases are; the status line then names short files.
QString BaseName(const QString& chosen) {
  QString base = chosen;
  const QFileInfo info(chosen);
  for (const char* suffix : kOutputSuffixes)
    if (info.suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0)
      base = info.dir().filePath(info.completeBaseName());
  const QString relative = QDir::current().relativeFilePath(base);
  return relative.startsWith(QLatin1String("..")) ? base : relative;
}

QString WithSuffix(const QString& chosen, const QString& suffix) {
  return QFileInfo(chosen).suffix().isEmpty() ? chosen + QLatin1Char('.') + suffix : chosen;
}

QString DefaultSaveName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter) {
  // Each file of the set is confirmed together, below.
  return QFileDialog::getSaveFileName(parent, caption, suggested, filter, nullptr, QFileDialog::DontConfirmOverwrite);
}

QStringList DefaultOpenNames(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) {
  return QFileDialog::getOpenFileNames(parent, caption, folder, filter);
}

bool DefaultReplace(QWidget* parent, const QStringList& existing) {
  const QString text = existing.size() == 1 ? QStringLiteral("%1 already exists. Replace it?").arg(existing.constFirst())
                                            : QStringLiteral("These files already exist:\n%1\n\nReplace them?")
                                                  .arg(existing.join(QLatin1Char('\n')));
  return QMessageBox::question(parent, tilora::ui::BoxCaption(), text, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace

ConsolePreviewWindow::ConsolePreviewWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("ConsolePreview"));
  setWindowTitle(QStringLiteral("Console Preview"));
  questions_ = {DefaultSaveName, DefaultReplace, DefaultOpenNames};
  setDecoder_ = tilora::DecodeFile;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CreateControls());

  auto* middle = new QHBoxLayout;
  pictureArea_ = new QScrollArea(this);
  pictureArea_->setObjectName(QStringLiteral("pictureArea"));
  pictureArea_->setWidgetResizable(false);
  pictureArea_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  pictureArea_->setBackgroundRole(QPalette::Dark);
  view_ = new ConsolePictureView;
  view_->setObjectName(QStringLiteral("view"));
  pictureArea_->setWidget(view_);
  middle->addWidget(pictureArea_, 1);
  middle->addWidget(CreateSidePanel());
  layout->addLayout(middle, 1);

  statusLine_ = new QLabel(this);
  statusLine_->setObjectName(QStringLiteral("statusLine"));
  statusLine_->setTextFormat(Qt::PlainText);
  statusLine_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  statusLine_->setWordWrap(true);
  statusLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(statusLine_);

  ConnectControls();
  FollowChoices();
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
  resize(kPreferredSize);
}

ConsolePreviewWindow::~ConsolePreviewWindow() = default;

QWidget* ConsolePreviewWindow::CreateControls() {
  auto* box = new QWidget(this);
  auto* rows = new QVBoxLayout(box);
  rows->setContentsMargins(0, 0, 0, 0);
  auto* tiles = new QHBoxLayout;
  auto* shown = new QHBoxLayout;
  rows->addLayout(tiles);
  rows->addLayout(CreateSpriteControls(box));
  rows->addLayout(CreateSetControls(box));
  rows->addLayout(shown);

  depthBox_ = new QComboBox(box);
  depthBox_->addItems(
      {QStringLiteral("2 bpp"), QStringLiteral("4 bpp"), QStringLiteral("8 bpp"), QStringLiteral("Mode 7")});
  depthBox_->setCurrentIndex(1);
  auto* depthLabel = new QLabel(QStringLiteral("&Depth:"), box);
  depthLabel->setBuddy(depthBox_);
  deduplicateBox_ = new QCheckBox(QStringLiteral("Dedu&plicate tiles"), box);
  deduplicateBox_->setToolTip(QStringLiteral("Store each distinct tile once and write a map (--map)"));
  flipsBox_ = new QCheckBox(QStringLiteral("Use &flips"), box);
  flipsBox_->setChecked(true);
  flipsBox_->setToolTip(QStringLiteral("A flipped copy of a stored tile is the same tile (off: --no-flip)"));
  tileSizeBox_ = new QCheckBox(QStringLiteral("1&6x16 tiles"), box);
  tileSizeBox_->setToolTip(
      QStringLiteral("With a map: each map entry a 16x16 tile of four stored tiles (--tile-size 16)"));

  // Sub-palettes made from the picture's colours, as --palettes does; an
  // indexed picture may keep its own table instead.
  subPalettesBox_ = new QSpinBox(box);
  subPalettesBox_->setRange(0, 8);
  auto* subPalettesLabel = new QLabel(QStringLiteral("S&ub-palettes:"), box);
  subPalettesLabel->setBuddy(subPalettesBox_);
  lossyBox_ = new QCheckBox(QStringLiteral("&Lossy"), box);
  ditherBox_ = new QCheckBox(QStringLiteral("D&ither"), box);
  subPalettesBox_->setToolTip(
      QStringLiteral("Sub-palettes made from the picture's colours (--palettes); \"From picture\" keeps an indexed "
                     "picture's own colour table"));
  subPalettesLabel->setToolTip(subPalettesBox_->toolTip());
  lossyBox_->setToolTip(QStringLiteral("With sub-palettes made: when the colours do not fit, reduce them (--lossy)"));
  ditherBox_->setToolTip(QStringLiteral("With lossy: error diffusion within each tile (--dither)"));

  for (QWidget* control :
       {static_cast<QWidget*>(depthLabel), static_cast<QWidget*>(depthBox_), static_cast<QWidget*>(deduplicateBox_),
        static_cast<QWidget*>(flipsBox_), static_cast<QWidget*>(tileSizeBox_), static_cast<QWidget*>(subPalettesLabel),
        static_cast<QWidget*>(subPalettesBox_), static_cast<QWidget*>(lossyBox_), static_cast<QWidget*>(ditherBox_)})
    tiles->addWidget(control);
  tiles->addStretch(1);

  zoomBox_ = new QComboBox(box);
  zoomBox_->addItems({QStringLiteral("1x"), QStringLiteral("2x"), QStringLiteral("3x"), QStringLiteral("4x")});
  zoomBox_->setCurrentIndex(1);
  auto* zoomLabel = new QLabel(QStringLiteral("&Zoom:"), box);
  zoomLabel->setBuddy(zoomBox_);
  gridBox_ = new QCheckBox(QStringLiteral("Tile &grid"), box);
  saveButton_ = new QPushButton(QStringLiteral("&Save..."), box);
  saveButton_->setToolTip(QStringLiteral("Write these outputs under a name you choose, as tilora-convert would"));
  saveRomButton_ = new QPushButton(QStringLiteral("Save &ROM..."), box);
  saveRomButton_->setToolTip(QStringLiteral("Write a cartridge that shows these outputs on the console (--rom)"));
  shown->addWidget(zoomLabel);
  shown->addWidget(zoomBox_);
  shown->addWidget(gridBox_);
  shown->addStretch(1);
  shown->addWidget(saveButton_);
  shown->addWidget(saveRomButton_);

  const std::pair<QObject*, const char*> names[] = {
      {depthBox_, "depthBox"},   {deduplicateBox_, "deduplicateBox"}, {flipsBox_, "flipsBox"},
      {tileSizeBox_, "tileSizeBox"},
      {subPalettesBox_, "subPalettesBox"}, {lossyBox_, "lossyBox"},  {ditherBox_, "ditherBox"},
      {zoomBox_, "zoomBox"},     {gridBox_, "gridBox"},               {saveButton_, "saveButton"},
      {saveRomButton_, "saveRomButton"}};
  for (const auto& [object, name] : names) object->setObjectName(QLatin1String(name));
  return box;
}

QLayout* ConsolePreviewWindow::CreateSpriteControls(QWidget* box) {
  auto* row = new QHBoxLayout;
  spritesBox_ = new QCheckBox(QStringLiteral("Spri&tes"), box);
  spritesBox_->setToolTip(QStringLiteral("Take the picture as a sheet of sprite frames, drawn by objects (--sprites)"));
  frameWidthBox_ = new QSpinBox(box);
  frameHeightBox_ = new QSpinBox(box);
  // The largest frame, which the first picture's frames are fitted from.
  for (QSpinBox* side : {frameWidthBox_, frameHeightBox_}) {
    side->setRange(1, tilora::sprites::kMaxFrameSide);
    side->setValue(tilora::sprites::kMaxFrameSide);
  }
  auto* frameLabel = new QLabel(QStringLiteral("Fra&me:"), box);
  frameLabel->setBuddy(frameWidthBox_);
  frameLabel->setToolTip(QStringLiteral("Each frame's width and height, dividing the picture's (--sprites WxH)"));
  objectSizesBox_ = new QComboBox(box);
  for (const tilora::sprites::ObjectSizes& sizes : kObjectSizes)
    objectSizesBox_->addItem(QStringLiteral("%1 and %2").arg(sizes.small).arg(sizes.large));
  auto* objectsLabel = new QLabel(QStringLiteral("O&bjects:"), box);
  objectsLabel->setBuddy(objectSizesBox_);
  objectsLabel->setToolTip(QStringLiteral("The small and large object sizes (--obj-sizes)"));
  originXBox_ = new QSpinBox(box);
  originYBox_ = new QSpinBox(box);
  auto* originLabel = new QLabel(QStringLiteral("&Origin:"), box);
  originLabel->setBuddy(originXBox_);
  originLabel->setToolTip(QStringLiteral("The point of each frame that object offsets count from (--origin)"));
  outlinesBox_ = new QCheckBox(QStringLiteral("Object outli&nes"), box);
  row->addWidget(spritesBox_);
  row->addWidget(frameLabel);
  row->addWidget(frameWidthBox_);
  row->addWidget(new QLabel(QStringLiteral("x"), box));
  row->addWidget(frameHeightBox_);
  row->addWidget(objectsLabel);
  row->addWidget(objectSizesBox_);
  row->addWidget(originLabel);
  row->addWidget(originXBox_);
  row->addWidget(new QLabel(QStringLiteral(","), box));
  row->addWidget(originYBox_);
  row->addWidget(outlinesBox_);
  row->addStretch(1);
  const std::pair<QObject*, const char*> names[] = {
      {spritesBox_, "spritesBox"},         {frameWidthBox_, "frameWidthBox"}, {frameHeightBox_, "frameHeightBox"},
      {objectSizesBox_, "objectSizesBox"}, {originXBox_, "originXBox"},       {originYBox_, "originYBox"},
      {outlinesBox_, "outlinesBox"}};
  for (const auto& [object, name] : names) object->setObjectName(QLatin1String(name));
  return row;
}

QLayout* ConsolePreviewWindow::CreateSetControls(QWidget* box) {
  auto* row = new QHBoxLayout;
  setButton_ = new QPushButton(QStringLiteral("Shar&ed Set..."), box);
  setButton_->setToolTip(
      QStringLiteral("Choose pictures to convert together: one tileset and palette, a map each (--shared)"));
  setPictureBox_ = new QComboBox(box);
  setPictureBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  setPictureBox_->setMinimumContentsLength(16);
  auto* pictureLabel = new QLabel(QStringLiteral("Pi&cture:"), box);
  pictureLabel->setBuddy(setPictureBox_);
  leaveSetButton_ = new QPushButton(QStringLiteral("&Window's Picture"), box);
  leaveSetButton_->setToolTip(QStringLiteral("Show the main window's picture again"));
  row->addWidget(setButton_);
  row->addWidget(pictureLabel);
  row->addWidget(setPictureBox_);
  row->addWidget(leaveSetButton_);
  row->addStretch(1);
  setButton_->setObjectName(QStringLiteral("setButton"));
  setPictureBox_->setObjectName(QStringLiteral("setPictureBox"));
  leaveSetButton_->setObjectName(QStringLiteral("leaveSetButton"));
  return row;
}

QWidget* ConsolePreviewWindow::CreateSidePanel() {
  auto* panel = new QWidget(this);
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);

  column->addWidget(Heading(QStringLiteral("Tile sheet, in video memory order"), panel));
  auto* sheetOptions = new QHBoxLayout;
  sheetColumnsBox_ = new QComboBox(panel);
  sheetColumnsBox_->addItems({QStringLiteral("16 across"), QStringLiteral("32 across")});
  greySheetBox_ = new QCheckBox(QStringLiteral("Grey le&vels"), panel);
  greySheetBox_->setToolTip(QStringLiteral("Show each tile's colour numbers instead of its colours"));
  sheetOptions->addWidget(sheetColumnsBox_);
  sheetOptions->addWidget(greySheetBox_);
  sheetOptions->addStretch(1);
  column->addLayout(sheetOptions);
  auto* sheetArea = new QScrollArea(panel);
  sheetArea->setWidgetResizable(false);
  sheetArea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  sheetArea->setBackgroundRole(QPalette::Dark);
  sheetView_ = new ConsolePictureView;
  sheetView_->SetGrid(true);
  sheetArea->setWidget(sheetView_);
  sheetArea->setFixedWidth(kSheetWidth + 2 * sheetArea->frameWidth() + 16);
  column->addWidget(sheetArea, 1);
  // As wide with a refusal as without, so the picture does not jump.
  panel->setFixedWidth(sheetArea->width() + 40);

  column->addWidget(Heading(QStringLiteral("Sub-palettes"), panel));
  swatches_ = new QLabel(panel);
  swatches_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  column->addWidget(swatches_);

  column->addWidget(Heading(QStringLiteral("Figures"), panel));
  figures_ = new QLabel(panel);
  figures_->setTextFormat(Qt::PlainText);
  figures_->setWordWrap(true);
  figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  figures_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // A sprite sheet lists every frame, a shared set every picture.
  auto* figuresArea = new QScrollArea(panel);
  figuresArea->setWidgetResizable(true);
  figuresArea->setFrameShape(QFrame::NoFrame);
  figuresArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  figuresArea->setWidget(figures_);
  // Room for a picture's figures whole; the tile sheet scrolls first.
  figuresArea->setMinimumHeight(figures_->fontMetrics().lineSpacing() * kFigureLines);
  column->addWidget(figuresArea);

  const std::pair<QObject*, const char*> names[] = {{sheetColumnsBox_, "sheetColumnsBox"},
                                                    {greySheetBox_, "greySheetBox"},
                                                    {sheetView_, "sheetView"},
                                                    {swatches_, "swatches"},
                                                    {figures_, "figures"}};
  for (const auto& [object, name] : names) object->setObjectName(QLatin1String(name));
  return panel;
}

void ConsolePreviewWindow::ConnectControls() {
  const auto follow = [this] {
    FollowChoices();
    Refresh();
  };
  const auto again = [this] { Refresh(); };
  for (QComboBox* box : {depthBox_, objectSizesBox_}) connect(box, &QComboBox::currentIndexChanged, this, follow);
  for (QCheckBox* box : {deduplicateBox_, lossyBox_, spritesBox_, tileSizeBox_})
    connect(box, &QCheckBox::toggled, this, follow);
  for (QSpinBox* box : {subPalettesBox_, frameWidthBox_, frameHeightBox_, originXBox_, originYBox_})
    connect(box, &QSpinBox::valueChanged, this, follow);
  for (QCheckBox* box : {flipsBox_, ditherBox_, greySheetBox_}) connect(box, &QCheckBox::toggled, this, again);
  connect(sheetColumnsBox_, &QComboBox::currentIndexChanged, this, again);
  // Zoom, grid and outlines only change how the same rendering is drawn;
  // another picture of a set is drawn from the same conversion.
  connect(zoomBox_, &QComboBox::currentIndexChanged, this, [this](int index) { view_->SetZoom(index + 1); });
  connect(gridBox_, &QCheckBox::toggled, view_, &ConsolePictureView::SetGrid);
  connect(outlinesBox_, &QCheckBox::toggled, this,
          [this](bool on) { view_->SetOutlines(on ? rendering_.outlines : std::vector<QRect>{}); });
  connect(setPictureBox_, &QComboBox::currentIndexChanged, this, &ConsolePreviewWindow::ShowSetPicture);
  connect(setButton_, &QPushButton::clicked, this, &ConsolePreviewWindow::ChooseSet);
  connect(leaveSetButton_, &QPushButton::clicked, this, &ConsolePreviewWindow::LeaveSet);
  connect(saveButton_, &QPushButton::clicked, this, &ConsolePreviewWindow::Save);
  connect(saveRomButton_, &QPushButton::clicked, this, &ConsolePreviewWindow::SaveRom);
  view_->SetZoom(zoomBox_->currentIndex() + 1);
}

// Each control is enabled exactly where it changes the outcome: mode 7 has
// its own map and no flips; flips and 16x16 tiles only mean something with
// a map, which a shared set always has, of 8x8 tiles; 8-bit tiles have one
// palette; lossy and dither only act on sub-palettes made; sprites lay out
// their own 4 bpp tiles, without a map or a reduction, and make each
// sheet's own tiles, so they are no shared set.
void ConsolePreviewWindow::FollowChoices() {
  const bool sprites = spritesBox_->isChecked() && !inSet_;
  const int depth = depthBox_->currentIndex();
  const bool mode7 = depth == kMode7Choice && !sprites;
  if (auto* depths = qobject_cast<QStandardItemModel*>(depthBox_->model()))
    if (QStandardItem* item = depths->item(kMode7Choice)) item->setEnabled(!inSet_);
  depthBox_->setEnabled(!sprites);
  deduplicateBox_->setEnabled(!mode7 && !sprites && !inSet_);
  const bool mapped = !mode7 && !sprites && (inSet_ || deduplicateBox_->isChecked());
  flipsBox_->setEnabled(mapped);
  tileSizeBox_->setEnabled(mapped && !inSet_);
  const bool truecolour = Settings().truecolour;
  const tilora::ui::SubPaletteRange range =
      tilora::ui::SubPaletteChoices(truecolour, !sprites && (mode7 || depth == kEightBitChoice));
  {
    const QSignalBlocker quiet(subPalettesBox_);
    subPalettesBox_->setSpecialValueText(range.low == 0 ? QStringLiteral("From picture") : QString());
    subPalettesBox_->setRange(range.low, range.high);
  }
  subPalettesBox_->setEnabled(HasPicture() && range.low < range.high);
  const bool made = HasPicture() && !sprites && tilora::ui::ConversionOf(Settings()).subPalettes.palettes > 0;
  lossyBox_->setEnabled(made);
  ditherBox_->setEnabled(made && lossyBox_->isChecked());

  spritesBox_->setEnabled(!inSet_);
  for (QWidget* control : std::initializer_list<QWidget*>{frameWidthBox_, frameHeightBox_, objectSizesBox_,
                                                           originXBox_, originYBox_, outlinesBox_})
    control->setEnabled(sprites);
  {
    // The origin lies within the frame.
    const QSignalBlocker quietX(originXBox_);
    const QSignalBlocker quietY(originYBox_);
    originXBox_->setRange(0, frameWidthBox_->value() - 1);
    originYBox_->setRange(0, frameHeightBox_->value() - 1);
  }
  // The name tables are 16 tiles across as large objects read them, in the
  // colours of the objects.
  sheetColumnsBox_->setEnabled(!sprites);
  greySheetBox_->setEnabled(!sprites);
  setButton_->setEnabled(!sprites);
  setPictureBox_->setEnabled(inSet_ && setPictureBox_->count() > 1);
  leaveSetButton_->setEnabled(inSet_);
  // Sprites show their frames' edges, 16x16 tiles their own.
  const bool sixteen = tileSizeBox_->isEnabled() && tileSizeBox_->isChecked();
  view_->SetGridStep(sprites   ? QSize(frameWidthBox_->value(), frameHeightBox_->value())
                     : sixteen ? QSize(16, 16)
                               : QSize(8, 8));
}

bool ConsolePreviewWindow::HasPicture() const { return inSet_ ? set_ && set_->pictures : picture_ != nullptr; }

void ConsolePreviewWindow::SetBaseName(std::function<QString()> baseName) { baseName_ = std::move(baseName); }

void ConsolePreviewWindow::SetFailureSink(std::function<void(const QString&)> sink) { failureSink_ = std::move(sink); }

void ConsolePreviewWindow::SetQuestions(Questions questions) { questions_ = std::move(questions); }

PreviewSettings ConsolePreviewWindow::Settings() const {
  PreviewSettings settings;
  const int depth = depthBox_->currentIndex();
  settings.mode7 = depth == kMode7Choice;
  settings.bpp = settings.mode7 ? 8 : kDepths[std::clamp(depth, 0, 2)];
  settings.deduplicate = deduplicateBox_->isChecked();
  settings.flips = flipsBox_->isChecked();
  settings.tileSize = tileSizeBox_->isChecked() ? 16 : 8;
  settings.shared = inSet_;
  settings.sprites = spritesBox_->isChecked() && !inSet_;
  settings.frameWidth = frameWidthBox_->value();
  settings.frameHeight = frameHeightBox_->value();
  settings.objectSizes = kObjectSizes[std::clamp(objectSizesBox_->currentIndex(), 0, 5)];
  settings.originX = originXBox_->value();
  settings.originY = originYBox_->value();
  if (inSet_) {
    // Any truecolour picture makes sub-palettes for the whole set.
    if (set_ && set_->pictures)
      for (const tilora::Picture& picture : *set_->pictures) settings.truecolour |= !picture.indexed;
  } else {
    settings.truecolour = picture_ && !picture_->indexed;
  }
  settings.subPalettes = subPalettesBox_->value();
  settings.lossy = lossyBox_->isChecked();
  settings.dither = ditherBox_->isChecked();
  settings.sheetColumns = kSheetColumns[std::clamp(sheetColumnsBox_->currentIndex(), 0, 1)];
  settings.greySheet = greySheetBox_->isChecked();
  return settings;
}

void ConsolePreviewWindow::SetPicture(const tilora::DecodedFile& opened, const QImage& fallback) {
  const bool same = !reading_ && !inSet_ && opened.path == opened_.path && opened.stamp == opened_.stamp &&
                    opened.picture == opened_.picture && (picture_ || stale_);
  reading_ = false;
  if (inSet_) {
    DropSet();
    FollowChoices();
  }
  opened_ = opened;
  fallback_ = fallback;
  setWindowTitle(QStringLiteral("Console Preview - %1").arg(QFileInfo(CoreText(opened.path)).fileName()));
  if (same) return;
  stale_ = true;
  picture_.reset();
  // Nothing of the picture before may stand under the new caption.
  ShowBusy(QStringLiteral("Encoding..."));
  if (isVisible()) LoadPicture();
}

void ConsolePreviewWindow::SetReading(const QString& path) {
  // The preview follows the main window's opens, away from a set.
  DropSet();
  reading_ = true;
  stale_ = false;
  opened_ = {};
  picture_.reset();
  ++latest_;
  pending_ = 0;
  setWindowTitle(QStringLiteral("Console Preview - %1").arg(QFileInfo(path).fileName()));
  ShowBusy(QStringLiteral("Reading the picture..."));
}

void ConsolePreviewWindow::ShowBeside(QWidget* owner) {
  if (!isVisible() && owner && owner->screen()) {
    // This window's frame is not known before it is first shown; the
    // owner's is the best guess.
    const QRect ownerFrame = owner->frameGeometry();
    const QRect ownerClient = owner->geometry();
    const QMargins frame(ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
                         ownerFrame.right() - ownerClient.right(), ownerFrame.bottom() - ownerClient.bottom());
    const QRect placed =
        tilora::ui::BesidePlacement(ownerFrame, kPreferredSize.grownBy(frame), owner->screen()->availableGeometry(),
                                    minimumSizeHint().width() + frame.left() + frame.right());
    resize(placed.size().shrunkBy(frame));
    move(placed.topLeft());
  }
  show();
  raise();
  activateWindow();
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
    const QSignalBlocker quietDepth(depthBox_);
    const QSignalBlocker quietCount(subPalettesBox_);
    depthBox_->setCurrentIndex(DepthChoice(tilora::ui::DepthFor(*picture_)));
    // A new picture starts from its own colours where it has a table.
    subPalettesBox_->setMinimum(0);
    subPalettesBox_->setValue(picture_->indexed ? 0 : 1);
    FitFrames();
  }
  FollowChoices();
  Refresh();
}

namespace {

// The largest side up to the console's frame limit that divides the sheet's.
int DividingSide(int sheet) {
  for (int side = std::min(sheet, tilora::sprites::kMaxFrameSide); side > 1; --side)
    if (sheet % side == 0) return side;
  return 1;
}

}  // namespace

// Frames that divide the new picture are kept; otherwise square frames as
// tall as the sheet where they fit, the usual strip of an animation.
void ConsolePreviewWindow::FitFrames() {
  const int width = picture_->width;
  const int height = picture_->height;
  if (width % frameWidthBox_->value() == 0 && height % frameHeightBox_->value() == 0) return;
  const QSignalBlocker quietWidth(frameWidthBox_);
  const QSignalBlocker quietHeight(frameHeightBox_);
  const int side = DividingSide(height);
  frameHeightBox_->setValue(side);
  frameWidthBox_->setValue(width % side == 0 ? side : DividingSide(width));
}

void ConsolePreviewWindow::Refresh() {
  if (reading_ || readingSet_) return;
  const quint64 ticket = ++latest_;
  pending_ = 0;
  if (inSet_ ? !set_ : !picture_) {
    ConsoleRendering nothing;
    nothing.refusal = (loadRefusal_.isEmpty() ? QStringLiteral("No picture is open.") : loadRefusal_).toStdString();
    Apply(nothing);
    return;
  }
  const PreviewSettings settings = Settings();
  std::function<ConsoleRendering()> render;
  std::size_t pixels = 0;
  if (inSet_) {
    const auto shown = static_cast<std::size_t>(std::max(0, setPictureBox_->currentIndex()));
    render = [set = set_, settings, shown] {
      return Guarded([&] { return tilora::ui::RenderSharedForConsole(*set, settings, shown); });
    };
    if (set_->pictures)
      for (const tilora::Picture& picture : *set_->pictures) pixels += picture.PixelCount();
  } else {
    render = [picture = picture_, settings] {
      return Guarded([&] { return tilora::ui::RenderForConsole(*picture, settings); });
    };
    pixels = picture_->PixelCount();
  }
  if (pixels <= kInlinePixels) {
    Apply(render());
    return;
  }
  pending_ = ticket;
  FollowSaving();
  ShowStatus(QStringLiteral("Encoding..."));
  auto* watcher = new QFutureWatcher<ConsoleRendering>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, ticket] {
    watcher->deleteLater();
    if (ticket != pending_) return;  // a newer setting's encoding is on its way
    pending_ = 0;
    Apply(watcher->result());
  });
  watcher->setFuture(QtConcurrent::run(std::move(render)));
}

void ConsolePreviewWindow::ShowBusy(const QString& status) {
  rendering_ = {};
  view_->SetImage(QImage());
  view_->SetMarked(std::nullopt);
  sheetView_->SetImage(QImage());
  swatches_->clear();
  figures_->clear();
  FollowSaving();
  ShowStatus(status);
}

void ConsolePreviewWindow::Apply(const ConsoleRendering& rendering) {
  rendering_ = rendering;
  if (inSet_) {
    const QSignalBlocker quiet(setPictureBox_);
    const int chosen = setPictureBox_->currentIndex();
    if (rendering.refusedPicture) {
      setPictureBox_->setCurrentIndex(static_cast<int>(*rendering.refusedPicture));
    } else if (rendering_.shared && chosen >= 0 && static_cast<std::size_t>(chosen) != rendering_.sharedShown) {
      // Another picture was chosen while the set was encoded.
      rendering_.sharedShown = static_cast<std::size_t>(chosen);
      rendering_.shown = tilora::ui::SharedPictureImage(*rendering_.shared, rendering_.sharedShown);
    }
  }
  // Never a blank view: what cannot be shown as the console shows it is
  // shown as it is.
  view_->SetImage(rendering_.shown.isNull() && !inSet_ ? fallback_ : rendering_.shown);
  view_->SetMarked(rendering.marked);
  view_->SetOutlines(outlinesBox_->isChecked() ? rendering.outlines : std::vector<QRect>{});
  if (rendering.marked) {
    const QRect zoomed(rendering.marked->topLeft() * view_->Zoom(), rendering.marked->size() * view_->Zoom());
    pictureArea_->ensureVisible(zoomed.center().x(), zoomed.center().y(), zoomed.width() * 4, zoomed.height() * 4);
  }
  sheetView_->SetZoom(rendering.tileSheet.isNull() ? 1 : std::max(1, kSheetWidth / rendering.tileSheet.width()));
  sheetView_->SetImage(rendering.tileSheet);
  swatches_->setPixmap(QPixmap::fromImage(rendering.swatches));
  figures_->setText(tilora::ui::FiguresText(rendering));
  FollowSaving();
  if (!rendering.refusal.empty())
    ShowStatus(HasPicture() || inSet_ ? CoreText(rendering.refusal) : QString::fromStdString(rendering.refusal));
  else
    ShowStatus(QStringLiteral("As tilora-convert %1").arg(QString::fromStdString(tilora::ui::ArgumentsOf(Settings()))));
}

// Saving writes what is shown: only a finished encoding of these settings.
void ConsolePreviewWindow::FollowSaving() {
  const bool converted = inSet_ ? rendering_.shared != nullptr : rendering_.conversion != nullptr;
  const bool shown = HasPicture() && !reading_ && !readingSet_ && pending_ == 0 && converted;
  saveButton_->setEnabled(shown);
  saveRomButton_->setEnabled(shown && !savingRom_);
}

void ConsolePreviewWindow::ShowStatus(const QString& text) { statusLine_->setText(text); }

QString ConsolePreviewWindow::AskFileName(const QString& caption, const QString& suggested, const QString& filter) {
  return questions_.saveName ? questions_.saveName(this, caption, suggested, filter) : QString();
}

// Asked once for the whole set, naming the files that exist.
bool ConsolePreviewWindow::MayReplace(const QStringList& names) {
  QStringList existing;
  for (const QString& name : names)
    if (QFileInfo::exists(name)) existing << name;
  if (existing.isEmpty()) return true;
  return questions_.replace && questions_.replace(this, existing);
}

void ConsolePreviewWindow::ReportSaved(const tilora::Result<tilora::ConvertedFiles>& done) {
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

void ConsolePreviewWindow::Save() {
  if (!saveButton_->isEnabled()) return;
  const tilora::ConversionSettings settings = tilora::ui::ConversionOf(Settings());
  const QString suggested = QDir::current().absoluteFilePath(baseName_ ? baseName_() : QStringLiteral("Pic"));
  const QString caption = inSet_             ? QStringLiteral("Save Tiles, Palette and Maps")
                          : settings.sprites ? QStringLiteral("Save Tiles, Palette and Metasprites")
                                             : QStringLiteral("Save Tiles, Palette and Map");
  const QString chosen =
      AskFileName(caption, suggested, QStringLiteral("Tiles, palettes and maps (*.bin *.plt *.map *.vram *.oam)"));
  if (chosen.isEmpty()) return;
  const QString base = BaseName(chosen);
  if (inSet_) {
    SaveSet(base);
    return;
  }
  QStringList names;
  for (const std::string& name : tilora::OutputNames(tilora::ui::LocalName(base), settings)) names << CoreText(name);
  if (!MayReplace(names)) {
    ShowStatus(QStringLiteral("Nothing was saved."));
    return;
  }
  ReportSaved(tilora::ui::SaveConversion(opened_, *rendering_.conversion, tilora::ui::LocalName(base), settings));
}

// The cartridge is built from a conversion of its own, on a worker thread:
// a large picture takes a while to encode again.
void ConsolePreviewWindow::SaveRom() {
  if (!saveRomButton_->isEnabled()) return;
  const tilora::ConversionSettings settings = tilora::ui::ConversionOf(Settings());
  const QString suggested =
      QDir::current().absoluteFilePath((baseName_ ? baseName_() : QStringLiteral("Pic")) + QStringLiteral(".sfc"));
  const QString chosen = AskFileName(QStringLiteral("Save ROM"), suggested, QStringLiteral("Cartridges (*.sfc)"));
  if (chosen.isEmpty()) return;
  // Written by its full name: another open may change the current folder
  // while the cartridge is made; shown as the other saves show theirs.
  const QString rom = QFileInfo(WithSuffix(chosen, QStringLiteral("sfc"))).absoluteFilePath();
  const QString relative = QDir::current().relativeFilePath(rom);
  const QString shown = relative.startsWith(QLatin1String("..")) ? rom : relative;
  if (!MayReplace({shown})) {
    ShowStatus(QStringLiteral("Nothing was saved."));
    return;
  }
  savingRom_ = true;
  FollowSaving();
  ShowStatus(QStringLiteral("Making the cartridge..."));
  using Saved = std::optional<tilora::Result<tilora::ConvertedFiles>>;
  auto* watcher = new QFutureWatcher<Saved>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, shown] {
    watcher->deleteLater();
    savingRom_ = false;
    FollowSaving();
    Saved saved = watcher->result();
    if (!saved) return;
    if (saved->Ok()) (*saved)->written = {tilora::ui::LocalName(shown)};
    ReportSaved(*saved);
  });
  const std::string path = tilora::ui::LocalName(rom);
  if (inSet_) {
    watcher->setFuture(QtConcurrent::run([set = set_, settings, path]() -> Saved {
      return tilora::ui::SaveSharedCartridge(*set, settings, path);
    }));
    return;
  }
  watcher->setFuture(QtConcurrent::run(
      [opened = opened_, settings, path]() -> Saved { return tilora::ui::SaveCartridge(opened, settings, path); }));
}
