// The console preview's shared set: pictures chosen here, read in the
// background, converted together and saved as one set.

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QtConcurrent/QtConcurrentRun>

#include "ui/common/core_text.h"
#include "ui/console_preview/console_picture_view.h"
#include "ui/console_preview/console_preview_window.h"
#include "ui/console_preview/preview_saving.h"

namespace {

// Relative to the current folder where the file lies within it, as the
// converter run there would be given it.
QString Shown(const QString& path) {
  const QString relative = QDir::current().relativeFilePath(path);
  return relative.startsWith(QLatin1String("..")) ? path : relative;
}

}  // namespace

void ConsolePreviewWindow::SetSetDecoder(tilora::ui::SetDecoder decode) { setDecoder_ = std::move(decode); }

void ConsolePreviewWindow::ChooseSet() {
  if (!setButton_->isEnabled() || !questions_.openNames) return;
  const QStringList chosen =
      questions_.openNames(this, QStringLiteral("Choose Pictures for a Shared Set"), QDir::currentPath(),
                           QStringLiteral("Pictures (*.bmp *.png);;Bitmaps (*.bmp);;All files (*)"));
  if (chosen.isEmpty()) return;
  if (static_cast<std::size_t>(chosen.size()) > tilora::kMaxSharedPictures) {
    ShowStatus(QStringLiteral("A shared set takes at most %1 pictures, not %2.")
                   .arg(tilora::kMaxSharedPictures)
                   .arg(chosen.size()));
    return;
  }
  ReadSet(chosen);
}

// Each picture is decoded once, on a worker thread; until all have been,
// nothing of another picture shows.
void ConsolePreviewWindow::ReadSet(const QStringList& chosen) {
  std::vector<std::string> paths;
  std::vector<std::string> names;
  {
    const QSignalBlocker quiet(setPictureBox_);
    setPictureBox_->clear();
    for (const QString& path : chosen) {
      const QString absolute = QFileInfo(path).absoluteFilePath();
      paths.push_back(tilora::ui::LocalName(absolute));
      names.push_back(tilora::ui::LocalName(Shown(absolute)));
      setPictureBox_->addItem(QFileInfo(absolute).fileName());
    }
  }
  inSet_ = true;
  readingSet_ = true;
  set_.reset();
  ++latest_;
  pending_ = 0;
  const quint64 ticket = ++setTicket_;
  setWindowTitle(QStringLiteral("Console Preview - shared set of %1").arg(chosen.size()));
  FollowChoices();
  ShowBusy(QStringLiteral("Reading the pictures..."));
  auto* watcher = new QFutureWatcher<tilora::ui::SharedSet>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, ticket] {
    watcher->deleteLater();
    if (ticket != setTicket_) return;  // another set, or the main window's picture, since
    TakeSet(watcher->result());
  });
  watcher->setFuture(QtConcurrent::run([paths = std::move(paths), names = std::move(names), decode = setDecoder_] {
    return tilora::ui::ReadSharedSet(paths, names, decode);
  }));
}

// A set starts from its first picture's depth and colour table, as a new
// picture does.
void ConsolePreviewWindow::TakeSet(const tilora::ui::SharedSet& set) {
  readingSet_ = false;
  set_ = std::make_shared<const tilora::ui::SharedSet>(set);
  if (set_->pictures && !set_->pictures->empty()) {
    const QSignalBlocker quietDepth(depthBox_);
    const QSignalBlocker quietCount(subPalettesBox_);
    const int bpp = tilora::ui::DepthFor(set_->pictures->front());
    depthBox_->setCurrentIndex(bpp == 2 ? 0 : bpp == 8 ? 2 : 1);
    subPalettesBox_->setMinimum(0);
    subPalettesBox_->setValue(Settings().truecolour ? 1 : 0);
  }
  FollowChoices();
  Refresh();
}

// Whatever the set's reading or encoding brings later is dropped.
void ConsolePreviewWindow::DropSet() {
  inSet_ = false;
  readingSet_ = false;
  ++setTicket_;
  set_.reset();
  const QSignalBlocker quiet(setPictureBox_);
  setPictureBox_->clear();
}

void ConsolePreviewWindow::LeaveSet() {
  if (!inSet_) return;
  DropSet();
  setWindowTitle(QStringLiteral("Console Preview - %1").arg(QFileInfo(tilora::ui::CoreText(opened_.path)).fileName()));
  FollowChoices();
  Refresh();
}

// Another picture of a converted set is drawn from the same conversion.
void ConsolePreviewWindow::ShowSetPicture(int index) {
  if (!inSet_ || readingSet_ || pending_ || index < 0) return;
  if (!rendering_.shared) {
    Refresh();
    return;
  }
  rendering_.sharedShown = static_cast<std::size_t>(index);
  rendering_.shown = tilora::ui::SharedPictureImage(*rendering_.shared, rendering_.sharedShown);
  view_->SetImage(rendering_.shown);
}

std::vector<std::string> ConsolePreviewWindow::SetNamesNow() const {
  std::vector<std::string> names;
  for (const tilora::DecodedFile& file : set_->files)
    names.push_back(tilora::ui::LocalName(Shown(tilora::ui::CoreText(file.path))));
  return names;
}

// The maps go beside their pictures, as tilora-convert --shared writes them.
void ConsolePreviewWindow::SaveSet(const QString& base) {
  const std::vector<std::string> pictures = SetNamesNow();
  QStringList names;
  for (const std::string& name : tilora::ui::SharedOutputNames(tilora::ui::LocalName(base), pictures))
    names << tilora::ui::CoreText(name);
  if (!MayReplace(names)) {
    ShowStatus(QStringLiteral("Nothing was saved."));
    return;
  }
  ReportSaved(tilora::ui::SaveShared(*set_, *rendering_.shared, tilora::ui::LocalName(base), pictures));
}
