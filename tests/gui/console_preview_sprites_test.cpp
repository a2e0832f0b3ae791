// The console preview's "Sprites": a sheet's frames drawn from their
// objects, its figures and refusals against the converter's, and "Save..."
// and "Save ROM..." against tilora-convert --sprites.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>

#include <filesystem>

#include "bmp_builder.h"
#include "converter_run.h"
#include "picture/colour.h"
#include "preview_driver.h"
#include "sprite_pictures.h"
#include "temp_dir.h"
#include "ui/console_preview/console_picture_view.h"
#include "ui/console_preview/sprite_rendering.h"

using tilora::testing::ConverterNotice;
using tilora::testing::Preview;
using tilora::testing::ReadFileBytes;
using tilora::testing::TempDir;
using tilora::testing::WriteFileBytes;

namespace {

std::vector<std::uint8_t> SheetBmp(const tilora::Picture& sheet) {
  tilora::testing::BmpShape shape = tilora::testing::MakeShape(sheet.width, sheet.height, 8);
  shape.pixels = sheet.indices;
  shape.palette.clear();
  for (const tilora::Rgb& c : sheet.palette) shape.palette.push_back({c.blue, c.green, c.red});
  return tilora::testing::BuildBmp(shape);
}

QString Count(const QString& n, const char* one, const char* many) {
  return n + QLatin1Char(' ') + QLatin1String(n == QLatin1String("1") ? one : many);
}

void ChooseSprites(Preview& p, int width, int height, int sizes, QPoint origin, int palettes) {
  p.Get<QCheckBox>("spritesBox").setChecked(true);
  p.Get<QSpinBox>("frameWidthBox").setValue(width);
  p.Get<QSpinBox>("frameHeightBox").setValue(height);
  p.Get<QComboBox>("objectSizesBox").setCurrentIndex(sizes);
  p.Get<QSpinBox>("originXBox").setValue(origin.x());
  p.Get<QSpinBox>("originYBox").setValue(origin.y());
  p.Get<QSpinBox>("subPalettesBox").setValue(palettes);
}

}  // namespace

class ConsolePreviewSpritesTest : public QObject {
  Q_OBJECT

 private:
  QString startFolder_;

 private slots:
  void init() { startFolder_ = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder_); }

  void sheetShownAndSavedAsTheConverterMakesIt_data() {
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("across");
    QTest::addColumn<int>("down");
    QTest::addColumn<int>("sizes");  // the object size pair's place in the console's list
    QTest::addColumn<QPoint>("origin");
    QTest::addColumn<int>("palettes");  // made; 0: the sheet's own blocks
    QTest::addColumn<QString>("arguments");
    QTest::newRow("walk cycle, anchored at the feet")
        << 32 << 4 << 1 << 0 << QPoint(16, 31) << 0 << "--sprites 32x32 --obj-sizes 8,16 --origin 16,31";
    QTest::newRow("two rows, 16 and 32, sub-palettes made")
        << 32 << 3 << 2 << 3 << QPoint(0, 0) << 3 << "--sprites 32x32 --obj-sizes 16,32 --origin 0,0 --palettes 3";
    QTest::newRow("small frames, 8 and 32") << 16 << 2 << 2 << 1 << QPoint(8, 15) << 0
                                            << "--sprites 16x16 --obj-sizes 8,32 --origin 8,15";
  }
  void sheetShownAndSavedAsTheConverterMakesIt() {
    QFETCH(int, side);
    QFETCH(int, across);
    QFETCH(int, down);
    QFETCH(int, sizes);
    QFETCH(QPoint, origin);
    QFETCH(int, palettes);
    QFETCH(QString, arguments);
    TempDir dir;
    const tilora::Picture sheet = tilora::testing::CharacterSheet({side, side, across, down, true, false, 5});
    WriteFileBytes(dir / "s.bmp", SheetBmp(sheet));
    Preview p;
    p.Open(dir / "s.bmp");
    ChooseSprites(p, side, side, sizes, origin, palettes);
    QCOMPARE(p.Status(), QStringLiteral("As tilora-convert ") + arguments);
    // Neither the background's layout nor a reduction applies to objects.
    for (const char* control : {"depthBox", "deduplicateBox", "tileSizeBox", "lossyBox", "setButton"})
      QVERIFY2(!p.Get<QWidget>(control).isEnabled(), control);
    QCOMPARE(p.Get<QSpinBox>("originXBox").maximum(), side - 1);

    // Every pixel as the console shows the sheet's colour, the checker
    // where the sheet is transparent.
    const auto& r = p.window->Rendering();
    QVERIFY2(r.refusal.empty(), r.refusal.c_str());
    QCOMPARE(r.shown.size(), QSize(sheet.width, sheet.height));
    for (int y = 0; y < sheet.height; ++y)
      for (int x = 0; x < sheet.width; ++x) {
        const std::uint8_t index = sheet.IndexAt(x, y);
        const bool opaque = palettes ? index != 0 : (index & 15) != 0;
        const tilora::Rgb c = tilora::ShownRgb(tilora::Colour15Of(sheet.palette[index]));
        const QRgb expected = opaque ? qRgb(c.red, c.green, c.blue) : tilora::ui::TransparentAt(x, y);
        QVERIFY2(r.shown.pixel(x, y) == expected, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
      }
    QCOMPARE(r.tileSheet.size(), QSize(128, 256));

    // The figures are the converter's, frame by frame.
    const auto info = tilora::testing::RunConverter(dir.path(), "--info " + arguments.toStdString() + " s.bmp");
    QCOMPARE(info.status, 0);
    const QString out = QString::fromStdString(info.out);
    const QStringList figures = p.Figures();
    const QRegularExpressionMatch tiles = QRegularExpression(QStringLiteral("tiles (\\d+) of 512")).match(out);
    QVERIFY2(tiles.hasMatch(), info.out.c_str());
    const QString used = QStringLiteral("Tiles used: %1 of the 512 ").arg(tiles.captured(1));
    QVERIFY2(figures.size() > 1 && figures[1].startsWith(used), qPrintable(figures.value(1)));
    int frames = 0;
    int objects = 0;
    auto lines = QRegularExpression(
                     QStringLiteral("Frame (\\d+) at \\d+,\\d+: (\\d+) objects, at most (\\d+) and (\\d+) slivers"))
                     .globalMatch(out);
    while (lines.hasNext()) {
      const QRegularExpressionMatch m = lines.next();
      const QString line =
          QStringLiteral("Frame %1: %2, at most %3 and %4 on one line")
              .arg(m.captured(1), Count(m.captured(2), "object", "objects"), Count(m.captured(3), "object", "objects"),
                   Count(m.captured(4), "sliver", "slivers"));
      QVERIFY2(figures.contains(line), qPrintable(line + QLatin1String(" | ") + figures.join(QLatin1Char('|'))));
      ++frames;
      objects += m.captured(2).toInt();
    }
    QCOMPARE(frames, across * down);
    p.Get<QCheckBox>("outlinesBox").setChecked(true);
    const auto& outlines = p.Get<ConsolePictureView>("view").Outlines();
    QCOMPARE(static_cast<int>(outlines.size()), objects);
    for (const QRect& outline : outlines) {
      const QRect frame(outline.x() / side * side, outline.y() / side * side, side, side);
      QVERIFY(frame.contains(outline));
    }

    // "Save..." and "Save ROM..." write the converter's bytes.
    p.answer = QString::fromStdString(dir / "Win");
    p.window->Save();
    QCOMPARE(p.Status(), QStringLiteral("Wrote Win.plt, Win.bin, Win.oam."));
    std::filesystem::create_directory(dir.path() / "w");
    p.answer = QString::fromStdString(dir / "w/Walk.sfc");
    p.window->SaveRom();
    QTRY_VERIFY_WITH_TIMEOUT(!p.window->SavingRom(), 30000);
    QCOMPARE(p.Status(), QStringLiteral("Wrote w/Walk.sfc."));
    const auto run =
        tilora::testing::RunConverter(dir.path(), arguments.toStdString() + " --rom Walk.sfc --name cli s.bmp");
    QCOMPARE(run.status, 0);
    for (const char* ext : {".plt", ".bin", ".oam"})
      QVERIFY2(ReadFileBytes(dir / (std::string("Win") + ext)) == ReadFileBytes(dir / (std::string("cli") + ext)), ext);
    QVERIFY(ReadFileBytes(dir / "w/Walk.sfc") == ReadFileBytes(dir / "Walk.sfc"));
    QCOMPARE(p.w.TakeMessages(), std::vector<tilora::testing::Message>{});
  }

  // The converter's words; a refusal that names a frame outlines it.
  void refusalIsTheConvertersAndMarksTheFrame_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<QRect>("marked");  // null: none
    QTest::newRow("an index past the eight blocks") << 32 << QRect(32, 0, 32, 32);
    QTest::newRow("frames that do not divide the sheet") << 24 << QRect();
  }
  void refusalIsTheConvertersAndMarksTheFrame() {
    QFETCH(int, width);
    QFETCH(QRect, marked);
    TempDir dir;
    tilora::Picture sheet = tilora::testing::CharacterSheet({32, 32, 2, 1, false, false, 2});
    sheet.indices[static_cast<std::size_t>(10 * sheet.width + 40)] = 200;
    WriteFileBytes(dir / "r.bmp", SheetBmp(sheet));
    Preview p;
    p.Open(dir / "r.bmp");
    ChooseSprites(p, width, 32, 0, QPoint(0, 0), 0);
    const auto run = tilora::testing::RunConverter(
        dir.path(), "--sprites " + std::to_string(width) + "x32 --name cli r.bmp");
    QCOMPARE(run.status, 1);
    QCOMPARE(p.Status(), ConverterNotice(run.err, "r.bmp"));
    QCOMPARE(p.Get<ConsolePictureView>("view").Marked().value_or(QRect()), marked);
    QVERIFY(!p.Get<QPushButton>("saveButton").isEnabled());
  }
};

QTEST_MAIN(ConsolePreviewSpritesTest)
#include "console_preview_sprites_test.moc"
