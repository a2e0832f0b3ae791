// A shared set in the console preview: pictures chosen in its dialog, read
// once each, shown and saved as tilora-convert --shared converts them, and
// its refusals in the converter's words.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>

#include <atomic>
#include <chrono>
#include <filesystem>

#include "bmp_builder.h"
#include "converter_run.h"
#include "preview_driver.h"
#include "shared_pictures.h"
#include "temp_dir.h"
#include "ui/console_preview/console_picture_view.h"

using tilora::testing::BmpShape;
using tilora::testing::Preview;
using tilora::testing::ReadFileBytes;
using tilora::testing::TempDir;
using tilora::testing::WriteFileBytes;

namespace {

const char* const kNames[] = {"a", "b", "c"};

// Three pictures of 4-bit indices drawn from one pool of tiles, flipped,
// in two sub-palettes, as a level's backgrounds share their tiles.
void WriteSet(const TempDir& dir) {
  const auto pool = tilora::testing::RandomTilePool(12, 16, 21);
  const QSize sizes[] = {{48, 40}, {64, 32}, {40, 48}};
  for (int i = 0; i < 3; ++i) {
    const QSize size = sizes[i];
    const auto picture = tilora::testing::PictureFromPool(pool, size.width(), size.height(), 4, {0, 1}, true,
                                                          static_cast<std::uint32_t>(7 + i));
    BmpShape shape = tilora::testing::MakeShape(size.width(), size.height(), 8);
    shape.pixels = picture.indices;
    WriteFileBytes(dir / (std::string(kNames[i]) + ".bmp"), BuildBmp(shape));
  }
}

QStringList SetOf(const TempDir& dir) {
  QStringList set;
  for (const char* name : kNames) set << QString::fromStdString(dir / (std::string(name) + ".bmp"));
  return set;
}

// Chooses the set in the preview's dialog; returns once it has been read.
void ChooseSet(Preview& p, const QStringList& set) {
  p.set = set;
  p.Get<QPushButton>("setButton").click();
  QTRY_VERIFY_WITH_TIMEOUT(!p.window->ReadingSet(), 30000);
}

QString Canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

QString Plural(const QString& n, const char* one, const char* many) {
  return n + QLatin1Char(' ') + QLatin1String(n == QLatin1String("1") ? one : many);
}

}  // namespace

class ConsolePreviewSharedTest : public QObject {
  Q_OBJECT

 private:
  QString startFolder_;

 private slots:
  void init() { startFolder_ = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder_); }

  void setShownAndSavedAsTheConverterDoes_data() {
    QTest::addColumn<int>("depth");  // 0-2 for 2, 4, 8 bpp
    QTest::addColumn<bool>("flips");
    QTest::addColumn<int>("palettes");
    QTest::addColumn<QString>("arguments");
    QTest::newRow("4 bpp") << 1 << true << 0 << "--bpp 4";
    QTest::newRow("4 bpp, no flips") << 1 << false << 0 << "--bpp 4 --no-flip";
    QTest::newRow("8 bpp") << 2 << true << 0 << "--bpp 8";
    QTest::newRow("2 sub-palettes made") << 1 << true << 2 << "--bpp 4 --palettes 2";
  }
  void setShownAndSavedAsTheConverterDoes() {
    QFETCH(int, depth);
    QFETCH(bool, flips);
    QFETCH(int, palettes);
    QFETCH(QString, arguments);
    TempDir dir;
    WriteSet(dir);
    Preview p;
    p.Open(dir / "a.bmp");
    std::atomic<int> decodings{0};
    p.window->SetSetDecoder([&decodings](const std::string& path) {
      ++decodings;
      return tilora::DecodeFile(path);
    });
    ChooseSet(p, SetOf(dir));
    QCOMPARE(p.folders.size(), 1);
    QCOMPARE(Canonical(p.folders[0]), Canonical(QString::fromStdString(dir.path())));
    p.Choose(depth, false, flips);
    p.Get<QSpinBox>("subPalettesBox").setValue(palettes);
    // A map each, always, of 8x8 tiles.
    QVERIFY(!p.Get<QCheckBox>("deduplicateBox").isEnabled());
    QVERIFY(!p.Get<QCheckBox>("tileSizeBox").isEnabled());
    QCOMPARE(p.Status(), QStringLiteral("As tilora-convert %1 --shared BASE").arg(arguments));
    const std::string options = arguments.toStdString();

    // The joint figures are the converter's.
    const auto info = tilora::testing::RunConverter(dir.path(), "--info " + options + " --shared x a.bmp b.bmp c.bmp");
    QCOMPARE(info.status, 0);
    const QString out = QString::fromStdString(info.out);
    const QStringList figures = p.Figures();
    const auto expect = [&figures](const QString& line) {
      QVERIFY2(figures.contains(line), qPrintable(line + QLatin1String(" | ") + figures.join(QLatin1Char('|'))));
    };
    auto added = QRegularExpression(QStringLiteral("(\\w+\\.bmp): \\d+ cells, adds (\\d+) tiles")).globalMatch(out);
    int pictures = 0;
    for (; added.hasNext(); ++pictures) {
      const QRegularExpressionMatch m = added.next();
      expect(QStringLiteral("%1: adds %2").arg(m.captured(1), Plural(m.captured(2), "tile", "tiles")));
    }
    QCOMPARE(pictures, 3);
    const QRegularExpressionMatch tiles =
        QRegularExpression(QStringLiteral("Tiles: (\\d+) distinct, (\\d+) distinct with flips, over (\\d+) cells"))
            .match(out);
    QVERIFY2(tiles.hasMatch(), info.out.c_str());
    expect(QStringLiteral("Distinct tiles: %1 of the %2 cells of all the pictures, %3 when a flipped tile counts as "
                          "its original")
               .arg(tiles.captured(1), tiles.captured(3), tiles.captured(2)));

    // Each picture as the converter's own preview of it shows it.
    std::filesystem::create_directories(dir.path() / "copy/shown");
    for (const char* name : kNames)
      std::filesystem::copy_file(dir / (std::string(name) + ".bmp"), dir / (std::string("copy/") + name + ".bmp"));
    const auto shown = tilora::testing::RunConverter(dir.path() / "copy",
                                                     options + " --shared x --preview shown a.bmp b.bmp c.bmp");
    QCOMPARE(shown.status, 0);
    for (int i = 2; i >= 0; --i) {
      p.Get<QComboBox>("setPictureBox").setCurrentIndex(i);
      const QImage expected(QString::fromStdString(dir / (std::string("copy/shown/") + kNames[i] + ".png")));
      QCOMPARE(p.Get<ConsolePictureView>("view").Image().convertToFormat(QImage::Format_RGB32),
               expected.convertToFormat(QImage::Format_RGB32));
    }

    // "Save..." writes the one tileset and palette and a map beside each
    // picture, the converter's bytes.
    p.answer = QString::fromStdString(dir / "Win");
    p.window->Save();
    QCOMPARE(p.Status(), QStringLiteral("Wrote Win.plt, Win.bin, a.map, b.map, c.map."));
    std::vector<std::vector<std::uint8_t>> maps;
    for (const char* name : kNames) maps.push_back(ReadFileBytes(dir / (std::string(name) + ".map")));
    const auto run = tilora::testing::RunConverter(dir.path(), options + " --shared cli a.bmp b.bmp c.bmp");
    QCOMPARE(run.status, 0);
    QVERIFY(ReadFileBytes(dir / "Win.plt") == ReadFileBytes(dir / "cli.plt"));
    QVERIFY(ReadFileBytes(dir / "Win.bin") == ReadFileBytes(dir / "cli.bin"));
    for (std::size_t i = 0; i < 3; ++i)
      QVERIFY2(maps[i] == ReadFileBytes(dir / (std::string(kNames[i]) + ".map")), kNames[i]);
    QCOMPARE(decodings.load(), 3);  // settings and pictures changed, nothing read again

    // "Save ROM..." shows the first picture, as the converter's cartridge does.
    std::filesystem::create_directory(dir.path() / "w");
    p.answer = QString::fromStdString(dir / "w/Level.sfc");
    p.window->SaveRom();
    QTRY_VERIFY_WITH_TIMEOUT(!p.window->SavingRom(), 30000);
    QCOMPARE(p.Status(), QStringLiteral("Wrote w/Level.sfc."));
    const auto rom =
        tilora::testing::RunConverter(dir.path(), options + " --shared cli --rom Level.sfc a.bmp b.bmp c.bmp");
    QCOMPARE(rom.status, 0);
    QVERIFY(ReadFileBytes(dir / "w/Level.sfc") == ReadFileBytes(dir / "Level.sfc"));
    QCOMPARE(p.w.TakeMessages(), std::vector<tilora::testing::Message>{});

    // Back to the main window's picture.
    p.Get<QPushButton>("leaveSetButton").click();
    QVERIFY(!p.window->InSet());
    QCOMPARE(p.Get<ConsolePictureView>("view").Image().size(), QSize(48, 40));
  }

  // The converter's line on the status line, the picture it names chosen
  // and shown in its own colours, the tile it names outlined; nothing to
  // save.
  void refusalIsTheConvertersLine_data() {
    QTest::addColumn<int>("kind");     // 0: colour tables that differ, 1: too many tiles, 2: no picture
    QTest::addColumn<int>("picture");  // the one the refusal names
    QTest::newRow("colour tables that differ") << 0 << 1;
    QTest::newRow("too many tiles") << 1 << 2;
    QTest::newRow("a file that is no picture") << 2 << 2;
  }
  void refusalIsTheConvertersLine() {
    QFETCH(int, kind);
    QFETCH(int, picture);
    TempDir dir;
    // 400 cells of random colours each: three are more than a map's 1024 tiles.
    const int side = kind == 1 ? 160 : 16;
    for (int i = 0; i < 3; ++i) {
      BmpShape shape = tilora::testing::MakeShape(side, side, 8);
      shape.pixels = tilora::testing::RandomPixels(static_cast<std::size_t>(side * side), kind == 1 ? 256 : 16,
                                                   static_cast<std::uint32_t>(i + 1));
      if (kind == 0 && i == 1) shape.palette = {{9, 9, 9}, {1, 2, 3}, {200, 100, 0}};
      WriteFileBytes(dir / (std::string(kNames[i]) + ".bmp"), BuildBmp(shape));
    }
    if (kind == 2) WriteFileBytes(dir / "c.bmp", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
    Preview p;
    p.Open(dir / "a.bmp");
    ChooseSet(p, SetOf(dir));
    const auto run = tilora::testing::RunConverter(dir.path(), "--bpp 8 --shared cli a.bmp b.bmp c.bmp");
    QCOMPARE(run.status, 1);
    QCOMPARE(p.Status(), QString::fromStdString(run.err).trimmed());
    QCOMPARE(p.Get<QComboBox>("setPictureBox").currentIndex(), picture);
    QCOMPARE(p.window->Rendering().refusedPicture, std::optional<std::size_t>(picture));
    // What could be read is shown in its own colours, the tile named outlined.
    const QImage shown = p.Get<ConsolePictureView>("view").Image();
    QCOMPARE(shown.isNull(), kind == 2);
    if (kind != 2) QCOMPARE(shown.size(), QSize(side, side));
    QCOMPARE(p.Get<ConsolePictureView>("view").Marked().has_value(), kind == 1);
    QVERIFY(!p.Get<QPushButton>("saveButton").isEnabled());
    QVERIFY(p.Get<ConsolePictureView>("sheetView").Image().isNull());
  }

  // Saving never writes what the user has not seen, nor over a picture of
  // the set; nothing is written then.
  void saveRefusesWhatWouldLoseAPicture_data() {
    QTest::addColumn<bool>("changed");  // else a picture named as its own map
    QTest::addColumn<QString>("status");
    QTest::newRow("a picture changed since it was read")
        << true
        << "b.bmp: The picture has changed since the set was chosen. Choose the set again, then save it.";
    QTest::newRow("a map that is the picture") << false << "b.map, an output of the set, is the picture b.map.";
  }
  void saveRefusesWhatWouldLoseAPicture() {
    QFETCH(bool, changed);
    QFETCH(QString, status);
    TempDir dir;
    WriteSet(dir);
    if (!changed) std::filesystem::rename(dir / "b.bmp", dir / "b.map");
    Preview p;
    p.Open(dir / "a.bmp");
    QStringList set = SetOf(dir);
    if (!changed) set[1] = QString::fromStdString(dir / "b.map");
    ChooseSet(p, set);
    QVERIFY2(p.window->Rendering().shared, qPrintable(p.Status()));
    const auto before = ReadFileBytes(dir / (changed ? "b.bmp" : "b.map"));
    if (changed) {
      const auto time = std::filesystem::last_write_time(dir / "b.bmp");
      std::filesystem::last_write_time(dir / "b.bmp", time + std::chrono::seconds(2));
    }
    p.window->Save();
    QCOMPARE(p.Status(), status);
    QVERIFY(!std::filesystem::exists(dir / "Pic.bin"));
    QVERIFY(ReadFileBytes(dir / (changed ? "b.bmp" : "b.map")) == before);
  }

  // More pictures than one run takes are refused before any is read.
  void tooManyPicturesAreRefusedAtOnce() {
    TempDir dir;
    WriteSet(dir);
    Preview p;
    p.Open(dir / "a.bmp");
    QStringList set;
    for (int i = 0; i < 257; ++i) set << QString::fromStdString(dir / "a.bmp");
    p.set = set;
    p.Get<QPushButton>("setButton").click();
    QCOMPARE(p.Status(), QStringLiteral("A shared set takes at most 256 pictures, not 257."));
    QVERIFY(!p.window->InSet());
  }
};

QTEST_MAIN(ConsolePreviewSharedTest)
#include "console_preview_shared_test.moc"
