#include "ui/open_picture_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace {

// "Bitmaps (*.bmp)|*.bmp" becomes Qt's "Bitmaps (*.bmp)"; a description that
// does not show its patterns gets them appended, as Qt reads them from there.
QStringList QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    const QString shown = QLatin1Char('(') + patterns + QLatin1Char(')');
    result << (parts[i].trimmed().endsWith(shown) ? parts[i] : parts[i] + QLatin1Char(' ') + shown);
  }
  return result;
}

}  // namespace

TOpenPictureDialog::TOpenPictureDialog(QWidget* owner) : QObject(owner), owner_(owner) {}

bool TOpenPictureDialog::Run() {
  QFileDialog dialog(owner_);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A name typed in need not exist; opening it then reports the failure.
  dialog.setFileMode(QFileDialog::AnyFile);
  const QStringList filters = QtNameFilters(filter_);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!fileName_.isEmpty()) {
    const QFileInfo previous(fileName_);
    dialog.setDirectory(previous.absolutePath());
    dialog.selectFile(previous.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  fileName_ = QDir::toNativeSeparators(QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath());
  return true;
}

QString TOpenPictureDialog::FileName() const { return fileName_; }
void TOpenPictureDialog::SetFileName(const QString& fileName) { fileName_ = fileName; }
QString TOpenPictureDialog::Filter() const { return filter_; }
void TOpenPictureDialog::SetFilter(const QString& filter) { filter_ = filter; }
