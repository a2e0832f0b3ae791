#include "ui/open_dialog/picture_file_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QShowEvent>
#include <QStyle>
#include <QTreeView>

#include <algorithm>

#include "ui/open_dialog/open_picture_dialog.h"

namespace {

// QFileSystemModel's columns: name, size, type, date.
constexpr int kNameColumn = 0;
constexpr int kSizeColumn = 1;

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
  FitSizeColumn();
  picker_.HostShown();
}

void TPictureFileDialog::FitSizeColumn() {
  const auto* view = findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return;
  QHeaderView* header = view->header();
  // An item's text has the focus frame's margin and one pixel on each side.
  const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
  const int needed = std::max(header->sectionSizeHint(kSizeColumn), WidestSizeText(*view) + 2 * margin);
  if (header->sectionSize(kSizeColumn) < needed) header->resizeSection(kSizeColumn, needed);
  // At the dialog's first size the name column gives way, down to its
  // title's width, so that the size is in view without scrolling.
  const int room = view->viewport()->width() - header->sectionSize(kSizeColumn);
  if (header->sectionSize(kNameColumn) > room)
    header->resizeSection(kNameColumn, std::max(room, header->sectionSizeHint(kNameColumn)));
}
