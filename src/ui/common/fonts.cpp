#include "ui/common/fonts.h"

#include <QByteArray>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QRawFont>
#include <QStringList>

namespace tilora::ui {
namespace {

// Where Debian's fonts-wine keeps its Tahoma: outside fontconfig's search
// path, so it is registered by hand. Elsewhere Tahoma is a system font.
const char* const kTahomaFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
};

void RegisterTahomaOnce() {
  static const bool done = [] {
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) return true;
    for (const char* file : kTahomaFiles)
      if (QFile::exists(QString::fromLatin1(file))) QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    return true;
  }();
  (void)done;
}

QFont MakeFont(const QStringList& families, QFont::StyleHint hint, int pixelSize) {
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(hint);
  font.setPixelSize(pixelSize);
  return font;
}

}  // namespace

QFont FormFont() {
  RegisterTahomaOnce();
  return MakeFont({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")},
                  QFont::SansSerif, 11);
}

QFont DescriptionFont() {
  return MakeFont({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")},
                  QFont::Monospace, 12);
}

int TextHeight(const QFont& font) {
  // usWinAscent and usWinDescent of the OS/2 table, big-endian.
  constexpr qsizetype kWinAscentOffset = 74;
  const QRawFont raw = QRawFont::fromFont(font);
  const QByteArray os2 = raw.isValid() ? raw.fontTable("OS/2") : QByteArray();
  if (os2.size() < kWinAscentOffset + 4 || raw.unitsPerEm() <= 0) return QFontMetrics(font).height();
  const auto word = [&os2](qsizetype at) {
    return static_cast<unsigned>(static_cast<unsigned char>(os2[at]) << 8 | static_cast<unsigned char>(os2[at + 1]));
  };
  const qreal scale = raw.pixelSize() / raw.unitsPerEm();
  return qRound(word(kWinAscentOffset) * scale) + qRound(word(kWinAscentOffset + 2) * scale);
}

}  // namespace tilora::ui
