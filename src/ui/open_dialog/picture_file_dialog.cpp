#include "ui/open_dialog/picture_file_dialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMimeDatabase>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QTreeView>

#include <algorithm>

#include "ui/open_dialog/open_picture_dialog.h"

namespace {

// QFileSystemModel's columns: name, size, type, date.
constexpr int kNameColumn = 0;
constexpr int kSizeColumn = 1;
constexpr int kTypeColumn = 2;
constexpr int kDateColumn = 3;
// Room for a name of this many average characters beside the other columns.
constexpr int kNameCharacters = 24;

bool HasWildcard(const QString& text) {
  return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

// The widest size texts the list shows: the largest count of bytes, and the
// largest value before each next unit.
int WidestSizeText(const QWidget& view) {
  int widest = 0;
  for (const qint64 bytes : {Q_INT64_C(1023), Q_INT64_C(1048565), Q_INT64_C(1073730560)})
    widest = std::max(widest, view.fontMetrics().horizontalAdvance(view.locale().formattedDataSize(bytes)));
  return widest;
}

// The widest type and date texts a folder of pictures is likely to show, as
// the list words and draws them; its rows arrive later, from a thread of Qt's.
int LikelyWidth(const QTreeView& view, int column, int margin) {
  const QFontMetrics metrics = view.fontMetrics();
  int widest = view.header()->sectionSizeHint(column);
  QStringList samples;
  if (column == kTypeColumn) {
    const QMimeDatabase types;
    for (const char* name : {"a.bmp", "a.png", "a.ico", "a.emf", "a.wmf"})
      samples << types.mimeTypeForFile(QString::fromLatin1(name), QMimeDatabase::MatchExtension).comment();
    samples << types.mimeTypeForName(QStringLiteral("inode/directory")).comment();
  } else {
    samples << QLocale::system().toString(QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)), QLocale::ShortFormat);
  }
  for (const QString& text : samples) widest = std::max(widest, metrics.horizontalAdvance(text) + 2 * margin);
  return widest;
}

}  // namespace

TPictureFileDialog::TPictureFileDialog(QWidget* parent, TOpenPictureDialog& picker)
    : QFileDialog(parent), picker_(picker) {}

void TPictureFileDialog::accept() {
  const auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (name && ApplyTypedPattern(name->text())) return;
  QFileDialog::accept();
}

void TPictureFileDialog::done(int result) {
  if (result == QDialog::Accepted && !picker_.HostCanClose(selectedFiles().value(0))) return;
  QFileDialog::done(result);
}

bool TPictureFileDialog::ApplyTypedPattern(const QString& typed) {
  const QString text = QDir::fromNativeSeparators(typed.trimmed());
  const qsizetype lastSlash = text.lastIndexOf(QLatin1Char('/'));
  const QString folder = text.left(lastSlash + 1);
  const QString last = text.mid(lastSlash + 1);
  if (!HasWildcard(last) || HasWildcard(folder)) return false;

  QStringList patterns;
  for (const QString& part : last.split(QLatin1Char(';'), Qt::SkipEmptyParts))
    if (!part.trimmed().isEmpty()) patterns << part.trimmed();
  auto* model = findChild<QFileSystemModel*>();
  if (patterns.isEmpty() || !model) return false;

  if (!folder.isEmpty()) {
    const QFileInfo target(directory().absoluteFilePath(folder));
    if (!target.isDir()) return false;
    setDirectory(target.absoluteFilePath());
  }
  // The type box keeps its entry; choosing one replaces the typed patterns.
  model->setNameFilters(patterns);
  return true;
}

void TPictureFileDialog::showEvent(QShowEvent* event) {
  QFileDialog::showEvent(event);
  if (event->spontaneous()) return;
  FitColumns();
  picker_.HostShown();
}

// The name column takes what the others leave, so the list grows and
// shrinks with the dialog; the size fits every size text it may show, type
// and date their contents. The first run widens the dialog until all four
// are in view; later runs keep the size the user left.
void TPictureFileDialog::FitColumns() {
  auto* view = findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return;
  QHeaderView* header = view->header();
  // An item's text has the focus frame's margin and one pixel on each side.
  const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
  const int size = std::max(header->sectionSizeHint(kSizeColumn), WidestSizeText(*view) + 2 * margin);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);
  header->setSectionResizeMode(kSizeColumn, QHeaderView::Interactive);
  header->resizeSection(kSizeColumn, size);
  for (const int column : {kTypeColumn, kDateColumn}) header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  if (picker_.shownSize_.isValid()) return;
  const int name = std::max(header->sectionSizeHint(kNameColumn), kNameCharacters * view->fontMetrics().averageCharWidth());
  const int needed = name + size + LikelyWidth(*view, kTypeColumn, margin) + LikelyWidth(*view, kDateColumn, margin) +
                     view->verticalScrollBar()->sizeHint().width();
  const int missing = needed - view->viewport()->width();
  if (missing <= 0) return;
  const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
  const int widest = screen.isValid() ? screen.width() - (frameGeometry().width() - width()) : width() + missing;
  resize(std::min(width() + missing, widest), height());
}
