#include "ui/open_dialog/open_picture_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <exception>
#include <memory>

#include "ui/common/app_title.h"
#include "io/io_error.h"
#include "ui/open_dialog/fitting.h"
#include "ui/open_dialog/picture_file_dialog.h"
#include "ui/open_dialog/picture_view.h"
#include "ui/open_dialog/preview_decoder.h"
#include "ui/open_dialog/preview_form.h"
#include "ui/open_dialog/silent_paint_panel.h"
#include "ui/common/picture_loader.h"

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void InitDialogResources() { Q_INIT_RESOURCE(open_picture_dialog); }

namespace {

constexpr int kPanelWidth = 169;
constexpr int kPanelBorderWidth = 6;
constexpr int kLabelHeight = 23;

QString Text(const char* latin1) { return QString::fromLatin1(latin1); }

// The glyph is a 16-colour bitmap, which has no transparency: its
// bottom-left pixel names the colour that stands for it.
QIcon GlyphIcon() {
  QImage glyph = QImage(QStringLiteral(":/PREVIEWGLYPH")).convertToFormat(QImage::Format_ARGB32);
  if (glyph.isNull()) return QIcon();
  const QRgb transparent = glyph.pixel(0, glyph.height() - 1);
  for (int y = 0; y < glyph.height(); ++y)
    for (int x = 0; x < glyph.width(); ++x)
      if (glyph.pixel(x, y) == transparent) glyph.setPixel(x, y, qRgba(0, 0, 0, 0));
  return QIcon(QPixmap::fromImage(glyph));
}

// The scope of one run: the preview area is taken back out of the file
// dialog before the file dialog goes, whatever way the run ends.
class RunScope {
 public:
  explicit RunScope(std::function<void()> end) : end_(std::move(end)) {}
  ~RunScope() { end_(); }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  std::function<void()> end_;
};

}  // namespace

QString TOpenPictureDialog::DefaultFilter() {
  return QStringLiteral(
      "All (*.bmp;*.ico;*.emf;*.wmf)|*.bmp;*.ico;*.emf;*.wmf|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|"
      "Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf");
}

QStringList TOpenPictureDialog::QtNameFilters(const QString& filter) {
  QStringList result;
  if (filter.isEmpty()) return result;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString patterns = parts.value(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    result << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return result;
}

TOpenPictureDialog::TOpenPictureDialog(QWidget* owner)
    : QObject(owner),
      PreviewDecoder(tilora::ui::LoadPicture),
      owner_(owner),
      filter_(DefaultFilter()),
      options_(ofHideReadOnly | ofEnableSizing),
      decoder_(new TPreviewDecoder(this)) {
  InitDialogResources();
  CreateControls();
  connect(decoder_, &TPreviewDecoder::Decoded, this, &TOpenPictureDialog::ShowPreview);
}

TOpenPictureDialog::~TOpenPictureDialog() { delete picturePanel_; }

void TOpenPictureDialog::CreateControls() {
  picturePanel_ = new QWidget;
  picturePanel_->setGeometry(204, 5, kPanelWidth, 200);
  picturePanel_->setFixedWidth(kPanelWidth);
  auto* layout = new QVBoxLayout(picturePanel_);
  layout->setContentsMargins(kPanelBorderWidth, kPanelBorderWidth, kPanelBorderWidth, kPanelBorderWidth);
  layout->setSpacing(0);

  pictureLabel_ = new QLabel(picturePanel_);
  pictureLabel_->setGeometry(6, 6, 157, kLabelHeight);
  pictureLabel_->setFixedHeight(kLabelHeight);
  pictureLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  pictureLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  layout->addWidget(pictureLabel_);

  paintPanel_ = new TSilentPaintPanel(picturePanel_);
  paintPanel_->setGeometry(6, 29, 157, 145);
  layout->addWidget(paintPanel_, 1);
  paintBox_ = new TPictureView(paintPanel_);
  paintPanel_->SetView(paintBox_);
  connect(paintBox_, &TPictureView::DoubleClicked, this, &TOpenPictureDialog::RunPreviewCommand);

  previewButton_ = new QToolButton(picturePanel_);
  previewButton_->setGeometry(77, 1, 23, 22);
  previewButton_->setFocusPolicy(Qt::NoFocus);
  previewButton_->setEnabled(false);
  previewButton_->setIcon(GlyphIcon());
  previewButton_->setIconSize(QSize(16, 16));
  previewButton_->setToolTip(Text("Preview"));
  previewButton_->setAccessibleName(Text("Preview"));
  previewButton_->setAccessibleDescription(Text("Opens a larger preview (Ctrl+P)"));
  previewButton_->setAttribute(Qt::WA_AlwaysShowToolTips);
  previewButton_->raise();
  connect(previewButton_, &QToolButton::clicked, this, &TOpenPictureDialog::RunPreviewCommand);

  // The button takes no focus; the keyboard reaches it through Ctrl+P
  // wherever the focus is in the file dialog that holds the area.
  auto* previewKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), picturePanel_);
  previewKey->setContext(Qt::WindowShortcut);
  connect(previewKey, &QShortcut::activated, this, [this] {
    if (previewButton_->isEnabled()) RunPreviewCommand();
  });
}

QFileDialog* TOpenPictureDialog::Host() const { return host_; }

QString TOpenPictureDialog::FileName() const { return host_ ? currentPath_ : fileName_; }

bool TOpenPictureDialog::Run() {
  TPictureFileDialog dialog(owner_ ? owner_->window() : QApplication::activeWindow(), *this);
  ConfigureHost(dialog);
  connect(&dialog, &QFileDialog::currentChanged, this, &TOpenPictureDialog::HostCurrentChanged);
  connect(&dialog, &QDialog::finished, this, [this] { DialogClosed(); });

  int result = QDialog::Rejected;
  {
    RunScope scope([this] {
      // A decode still running belongs to this run's selection.
      decoder_->Cancel();
      DetachPreviewArea();
      host_ = nullptr;
    });
    if (!options_.testFlag(ofOldStyleDialog)) AttachPreviewArea(dialog);
    host_ = &dialog;
    currentPath_ = fileName_.isEmpty() ? QString() : QDir::toNativeSeparators(QFileInfo(fileName_).absoluteFilePath());
    confirmedPath_.clear();
    result = ExecDialog(dialog);
    shownSize_ = dialog.size();
    shownFilterIndex_ = FilterIndexOf(dialog.selectedNameFilter());
  }
  if (result != QDialog::Accepted || confirmedPath_.isEmpty()) return false;

  fileName_ = confirmedPath_;
  if (shownFilterIndex_ > 0) filterIndex_ = shownFilterIndex_;
  const QString suffix = QFileInfo(fileName_).suffix();
  options_.setFlag(ofExtensionDifferent,
                   !defaultExt_.isEmpty() && suffix.compare(defaultExt_, Qt::CaseInsensitive) != 0);
  return true;
}

// Qt names the chosen filter in full or, with its details hidden, by the
// description alone, which selectNameFilter does not find again.
int TOpenPictureDialog::FilterIndexOf(const QString& chosen) const {
  const QStringList filters = QtNameFilters(filter_);
  for (qsizetype i = 0; i < filters.size(); ++i) {
    const QString description = filter_.section(QLatin1Char('|'), static_cast<int>(2 * i), static_cast<int>(2 * i));
    if (chosen == filters[i].simplified() || chosen == description.simplified()) return static_cast<int>(i) + 1;
  }
  return 0;
}

void TOpenPictureDialog::ConfigureHost(TPictureFileDialog& dialog) const {
  // The preview area needs Qt's own widgets; the options that pick them come
  // before the filters, which they change.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  // Neither the file nor its folder need exist: a typed name is returned.
  dialog.setFileMode(options_.testFlag(ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (!title_.isEmpty()) dialog.setWindowTitle(title_);
  dialog.setDefaultSuffix(defaultExt_);
  dialog.setSizeGripEnabled(options_.testFlag(ofEnableSizing));

  const QStringList filters = QtNameFilters(filter_);
  dialog.setNameFilters(filters);
  const int shown = shownFilterIndex_ > 0 ? shownFilterIndex_ : filterIndex_;
  if (shown >= 1 && shown <= filters.size()) dialog.selectNameFilter(filters[shown - 1]);
  if (shownSize_.isValid()) dialog.resize(shownSize_);
  if (!initialDir_.isEmpty()) dialog.setDirectory(initialDir_);
  // The last confirmed name, filled in; its folder is where the run starts.
  if (!fileName_.isEmpty()) dialog.selectFile(QDir::fromNativeSeparators(fileName_));
}

void TOpenPictureDialog::AttachPreviewArea(TPictureFileDialog& dialog) {
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    grid->addWidget(picturePanel_, 0, grid->columnCount(), grid->rowCount(), 1);
  } else if (dialog.layout()) {
    dialog.layout()->addWidget(picturePanel_);
  } else {
    picturePanel_->setParent(&dialog);
  }
  picturePanel_->show();
}

void TOpenPictureDialog::DetachPreviewArea() {
  if (picturePanel_->parentWidget() == nullptr) return;
  if (QLayout* layout = picturePanel_->parentWidget()->layout()) layout->removeWidget(picturePanel_);
  picturePanel_->hide();
  picturePanel_->setParent(nullptr);
}

void TOpenPictureDialog::HostShown() {
  DialogShown();
  if (!host_) return;
  host_->move(tilora::ui::DialogPosition(MonitorGeometry(ActiveWindow()), host_->frameGeometry().size()));
  if (!options_.testFlag(ofEnableSizing)) host_->setFixedSize(host_->size());
}

QWidget* TOpenPictureDialog::ActiveWindow() const {
  QWidget* window = QApplication::activeWindow();
  if (window && window == host_) window = nullptr;
  if (!window && owner_) window = owner_->window();
  return window;
}

void TOpenPictureDialog::DialogShown() {
  // The button sits at the right end of the label's row; the paint panel
  // fills the preview area inside its border.
  const int paintPanelRight = picturePanel_->width() - kPanelBorderWidth;
  previewButton_->move(paintPanelRight - previewButton_->width() - 2, 1);
  previewButton_->raise();
  // The label and the button keep what the last run left in them.
  decoder_->Cancel();
  paintBox_->SetPicture(QImage());
  previewedFileName_.clear();
  paintPanel_->SetCaption(Text("(None)"));
  if (OnShow) OnShow(this);
}

void TOpenPictureDialog::CurrentChanged(const QString& path) {
  currentPath_ = QDir::toNativeSeparators(path);
  SelectionChanged();
}

void TOpenPictureDialog::SelectionChanged() {
  const QString name = FileName();
  // Exact, case-sensitive: the same text means the same preview, including
  // a preview that failed or is still being decoded.
  if (name != previewedFileName_) {
    previewedFileName_ = name;
    // The previous selection's picture would pass for this one's, with its
    // size and an enabled preview command; none is shown until it arrives.
    ShowNoPicture();
    if (name.isEmpty())
      decoder_->Cancel();
    else
      decoder_->Request(name, PreviewDecoder);
  }
  if (OnSelectionChange) OnSelectionChange(this);
}

void TOpenPictureDialog::ShowPreview(const QString& path, const QImage& picture) {
  // A picture that cannot be shown leaves the no-picture state in place.
  if (path != previewedFileName_ || picture.isNull()) return;
  paintBox_->SetPicture(picture);
  pictureLabel_->setText(QStringLiteral(" (%1x%2)").arg(picture.width()).arg(picture.height()));
  previewButton_->setEnabled(true);
  paintPanel_->SetCaption(QString());
}

void TOpenPictureDialog::ShowNoPicture() {
  pictureLabel_->setText(Text("Picture:"));
  previewButton_->setEnabled(false);
  paintBox_->SetPicture(QImage());
  paintPanel_->SetCaption(Text("(None)"));
}

bool TOpenPictureDialog::HostCanClose(const QString& confirmed) {
  if (confirmed.isEmpty()) return false;
  confirmedPath_ = QDir::toNativeSeparators(QFileInfo(confirmed).absoluteFilePath());
  currentPath_ = confirmedPath_;
  bool canClose = true;
  if (OnCanClose) OnCanClose(this, canClose);
  return canClose;
}

void TOpenPictureDialog::DialogClosed() {
  if (OnClose) OnClose(this);
  QToolTip::hideText();
}

void TOpenPictureDialog::RunPreviewCommand() {
  // A failure must not unwind through Qt's event dispatch; it goes to the
  // failure box and the dialog stays open.
  try {
    OpenFullPreview();
  } catch (const std::exception& e) {
    ReportFailure(QString::fromStdString(e.what()));
  } catch (...) {
    ReportFailure(Text("Unexpected failure"));
  }
}

void TOpenPictureDialog::OpenFullPreview() {
  auto form = std::make_unique<TPreviewForm>(host_ ? static_cast<QWidget*>(host_) : ActiveWindow());
  form->OnKeyPress = [this](QWidget* sender, QChar& key) { FullPreviewKeyPress(sender, key); };
  const QImage& picture = paintBox_->Picture();
  form->Image()->SetPicture(picture);
  // One box for a picture that cannot be drawn, not one for every repaint.
  connect(form->Image(), &TPictureView::PaintFailed, form.get(), [this, reported = false]() mutable {
    if (reported) return;
    reported = true;
    QTimer::singleShot(0, this, [this] { ReportFailure(Text("Invalid image")); });
  });

  const QRect monitor = MonitorGeometry(form.get());
  if (picture.width() > 0)
    form->resize(
        tilora::ui::FullPreviewClientSize(picture.size(), form->size(), form->PanelClientSize(), monitor.size()));
  form->move(monitor.left() + (monitor.width() - form->width()) / 2,
             monitor.top() + (monitor.height() - form->height()) / 2);
  ExecPreview(*form);
}

void TOpenPictureDialog::FullPreviewKeyPress(QWidget* sender, QChar& key) {
  if (key == QChar(27) && sender) sender->close();
}

void TOpenPictureDialog::ReportFailure(const QString& text) {
  if (FailureBox) {
    FailureBox(text);
    return;
  }
  const std::string title = tilora::ApplicationTitle(QCoreApplication::applicationFilePath().toStdString());
  QMessageBox::critical(host_ ? static_cast<QWidget*>(host_) : ActiveWindow(), QString::fromStdString(title),
                        QString::fromStdString(tilora::FailureText(text.toStdString())));
}

int TOpenPictureDialog::ExecDialog(QFileDialog& dialog) { return dialog.exec(); }

int TOpenPictureDialog::ExecPreview(QDialog& form) { return form.exec(); }

void TOpenPictureDialog::HostCurrentChanged(const QString& path) { CurrentChanged(path); }

QRect TOpenPictureDialog::MonitorGeometry(const QWidget* window) const {
  QScreen* screen = window ? window->screen() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect();
}
