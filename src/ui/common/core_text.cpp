#include "ui/common/core_text.h"

#include <QFile>

namespace tilora::ui {

std::string LocalName(const QString& name) {
#ifdef Q_OS_WIN
  return name.toUtf8().toStdString();
#else
  return QFile::encodeName(name).toStdString();
#endif
}

QString CoreText(const std::string& text) {
#ifdef Q_OS_WIN
  return QString::fromStdString(text);
#else
  return QString::fromLocal8Bit(text);
#endif
}

}  // namespace tilora::ui
