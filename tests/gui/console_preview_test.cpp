// View > Console Preview: the figures of pictures with known counts, the
// tile sheet, "Save..." against tilora-convert, and refusals pointed at.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <tuple>

#include "bmp_builder.h"
#include "convert/convert_file.h"
#include "converter_run.h"
#include "shared_pictures.h"
#include "temp_dir.h"
#include "ui/console_preview/console_picture_view.h"
#include "ui/console_preview/console_preview_window.h"
#include "ui/console_preview/console_sheets.h"
#include "ui/console_preview/window_placement.h"
#include "preview_driver.h"
#include "window_driver.h"

using tilora::testing::BmpShape;
using tilora::testing::BuildBmp;
using tilora::testing::ConverterNotice;
using tilora::testing::DecodeGate;
using tilora::testing::Find;
using tilora::testing::MakeShape;
using tilora::testing::Preview;
using tilora::testing::ReadFileBytes;
using tilora::testing::TempDir;
using tilora::testing::WindowDriver;
using tilora::testing::WriteFileBytes;

Q_DECLARE_METATYPE(BmpShape)
Q_DECLARE_METATYPE(std::vector<tilora::Rgb>)

namespace {

using Pixels = std::vector<std::tuple<int, int, std::uint8_t>>;

BmpShape WithPixels(std::int32_t width, std::int32_t height, std::uint16_t depth, const Pixels& pixels) {
  BmpShape shape = MakeShape(width, height, depth);
  shape.pixels.assign(static_cast<std::size_t>(width * height), 0);
  for (const auto& [x, y, index] : pixels) shape.pixels[static_cast<std::size_t>(y * width + x)] = index;
  return shape;
}

// 24 x 16 pixels of colours below `colours`: the middle column of tiles
// mirrors the left one across, the right one upside down, so two tiles
// show all six cells once flips count.
BmpShape Mirrored(std::uint16_t depth, int colours) {
  BmpShape shape = MakeShape(24, 16, depth);
  shape.pixels.resize(24 * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) {
      const auto v = static_cast<std::uint8_t>((x * 3 + y * 5 + x * y) % colours);
      shape.pixels[static_cast<std::size_t>(y * 24 + x)] = v;
      shape.pixels[static_cast<std::size_t>(y * 24 + 15 - x)] = v;
      shape.pixels[static_cast<std::size_t>((15 - y) * 24 + 16 + x)] = v;
    }
  return shape;
}

// 1025 cells at 8 bpp, 41 across, none a flipped copy of another.
BmpShape TooManyTiles() {
  BmpShape shape = MakeShape(41 * 8, 25 * 8, 8);
  shape.pixels.assign(static_cast<std::size_t>(shape.width * shape.height), 0);
  for (int n = 0; n < 1025; ++n) {
    const int x = 8 * (n % 41), y = 8 * (n / 41);
    shape.pixels[static_cast<std::size_t>(y * shape.width + x)] = static_cast<std::uint8_t>(n & 0xFF);
    shape.pixels[static_cast<std::size_t>(y * shape.width + x + 1)] = static_cast<std::uint8_t>((n >> 8) + 1);
  }
  return shape;
}

// A 24-bit bitmap of colour(x, y), rows stored bottom first.
std::vector<std::uint8_t> Truecolour(int width, int height, const std::function<QRgb(int, int)>& colour) {
  const int stride = (3 * width + 3) / 4 * 4;
  const auto size = static_cast<std::uint32_t>(54 + stride * height);
  std::vector<std::uint8_t> out(size, 0);
  const auto put = [&out](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put(2, size, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(width), 4);
  put(22, static_cast<std::uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const QRgb c = colour(x, y);
      const auto at = static_cast<std::size_t>(54 + (height - 1 - y) * stride + 3 * x);
      out[at] = static_cast<std::uint8_t>(qBlue(c));
      out[at + 1] = static_cast<std::uint8_t>(qGreen(c));
      out[at + 2] = static_cast<std::uint8_t>(qRed(c));
    }
  return out;
}

// 40 x 40 pixels of colours 0-3 from a pool of tiles, flipped at random,
// so that every depth takes them and 16x16 tiles need padding.
BmpShape PooledTiles() {
  const auto pool = tilora::testing::RandomTilePool(5, 4, 3);
  const tilora::testing::PoolPicture picture = tilora::testing::PictureFromPool(pool, 40, 40, 2, {0}, true, 5);
  BmpShape shape = MakeShape(40, 40, 8);
  shape.pixels = picture.indices;
  return shape;
}

bool IsRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }

}  // namespace

class ConsolePreviewTest : public QObject {
  Q_OBJECT

 private:
  QString startFolder_;

 private slots:
  void init() { startFolder_ = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder_); }

  // After "Convert", enabled while the last open was accepted, one window.
  void viewMenuFollowsTheLastOpen() {
    TempDir dir;
    WindowDriver w;
    const QList<QAction*> menus = w.form.mm1->actions();
    QCOMPARE(menus.indexOf(w.form.View1->menuAction()), menus.indexOf(w.form.Convert1->menuAction()) + 1);
    QCOMPARE(w.form.View1->title(), QStringLiteral("&View"));
    QCOMPARE(w.form.ConsolePreview1->text(), QStringLiteral("&Console Preview"));
    QCOMPARE(w.form.ConsolePreview1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QVERIFY(!w.PreviewEnabled());

    WriteFileBytes(dir / "a.bmp", BuildBmp(MakeShape(16, 16, 4)));
    WriteFileBytes(dir / "rle.bmp", BuildBmp(MakeShape(16, 16, 8, 1)));
    w.Open(dir / "a.bmp");
    QVERIFY(w.PreviewEnabled());
    w.form.ConsolePreview1->trigger();
    ConsolePreviewWindow* window = w.form.ConsolePreview();
    QVERIFY(window && window->isVisible());
    w.form.ConsolePreview1->trigger();
    QCOMPARE(w.form.ConsolePreview(), window);
    QCOMPARE(w.form.findChildren<ConsolePreviewWindow*>().size(), 1);

    w.Open(dir / "rle.bmp");
    QVERIFY(!w.PreviewEnabled());
    QVERIFY(!window->isVisible());
    w.Open(dir / "missing.bmp");
    QVERIFY(!w.PreviewEnabled());
    QCOMPARE(w.TakeMessages().size(), std::size_t{2});
  }

  void figuresOfMirroredTiles_data() {
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("deduplicate");
    QTest::addColumn<bool>("flips");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("tileBytes");
    QTest::addColumn<int>("mapBytes");
    QTest::addColumn<QString>("memory");  // the figures' line
    QTest::newRow("4 bpp, every cell") << 1 << false << true << 6 << 6 * 32 << 0
                                       << "Video memory: 192 bytes of the console's 64 KiB (tiles only, no map)";
    QTest::newRow("4 bpp, map with flips")
        << 1 << true << true << 2 << 2 * 32 << 3 * 2 * 2
        << "Video memory: 76 bytes of the console's 64 KiB (tiles 64 bytes, map 12 bytes)";
    QTest::newRow("4 bpp, map without flips")
        << 1 << true << false << 6 << 6 * 32 << 3 * 2 * 2
        << "Video memory: 204 bytes of the console's 64 KiB (tiles 192 bytes, map 12 bytes)";
    QTest::newRow("8 bpp, map with flips")
        << 2 << true << true << 2 << 2 * 64 << 3 * 2 * 2
        << "Video memory: 140 bytes of the console's 64 KiB (tiles 128 bytes, map 12 bytes)";
    // Mode 7 has no flips, and pads its 128 x 128 map with a blank tile.
    QTest::newRow("mode 7") << 3 << false << true << 7 << 7 * 64 << 128 * 128
                            << "Video memory: 32.0 KiB of the console's 64 KiB (mode 7's tiles and map share it)";
  }
  void figuresOfMirroredTiles() {
    QFETCH(int, depth);
    QFETCH(bool, deduplicate);
    QFETCH(bool, flips);
    QFETCH(int, stored);
    QFETCH(int, tileBytes);
    QFETCH(int, mapBytes);
    QFETCH(QString, memory);
    TempDir dir;
    WriteFileBytes(dir / "m.bmp", BuildBmp(Mirrored(4, 16)));
    Preview p;
    p.Open(dir / "m.bmp");
    QCOMPARE(p.Get<QComboBox>("depthBox").currentIndex(), 1);  // the picture's own depth
    p.Choose(depth, deduplicate, flips);
    const auto& r = p.window->Rendering();
    QVERIFY2(r.refusal.empty(), r.refusal.c_str());
    QVERIFY(r.figures && r.stored);
    QCOMPARE(r.figures->distinctTiles, 6);
    QCOMPARE(r.figures->distinctWithFlips, 2);
    QCOMPARE(r.stored->tiles, stored);
    QCOMPARE(r.stored->tileBytes, std::size_t(tileBytes));
    QCOMPARE(r.stored->mapBytes, std::size_t(mapBytes));
    QCOMPARE(r.stored->subPalettes, std::uint8_t{1});
    const QStringList lines = p.Get<QLabel>("figures").text().split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral("Distinct tiles: 6 of 6 cells, 2 when a flipped tile counts as its original"));
    QVERIFY2(lines.contains(memory), qPrintable(lines.join(QLatin1Char('|'))));
    QVERIFY(!lines.join(QString()).contains(QStringLiteral("Warning")));
    QVERIFY(p.Get<QPushButton>("saveButton").isEnabled());
    // Flips only mean something with a map, and mode 7 has neither choice.
    QCOMPARE(p.Get<QCheckBox>("flipsBox").isEnabled(), deduplicate && depth != 3);
    QCOMPARE(p.Get<QCheckBox>("deduplicateBox").isEnabled(), depth != 3);
    QCOMPARE(p.Get<ConsolePictureView>("sheetView").Image().size(), QSize(128, 8 * ((stored + 15) / 16)));

    p.Get<QComboBox>("zoomBox").setCurrentIndex(2);
    QCOMPARE(p.Get<ConsolePictureView>("view").size(), QSize(24 * 3, 16 * 3));
    p.Get<QCheckBox>("gridBox").setChecked(true);
    QVERIFY(p.Get<ConsolePictureView>("view").Grid());
  }

  void coloursMergedByFifteenBits_data() {
    using Table = std::vector<tilora::Rgb>;
    QTest::addColumn<Table>("table");
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("into");
    QTest::newRow("apart") << Table{{0, 0, 0}, {8, 0, 0}, {0, 8, 0}, {0, 0, 8}} << 0 << 0;
    QTest::newRow("the same colour twice") << Table{{9, 9, 9}, {9, 9, 9}} << 0 << 0;
    QTest::newRow("one pair") << Table{{0, 0, 0}, {7, 7, 7}} << 2 << 1;
    QTest::newRow("groups") << Table{{0, 0, 0},     {7, 7, 7},     {0, 0, 0},     {8, 8, 8},    {15, 15, 15},
                                     {200, 10, 10}, {201, 12, 13}, {202, 13, 14}, {208, 10, 10}}
                            << 7 << 3;
  }
  void coloursMergedByFifteenBits() {
    using Table = std::vector<tilora::Rgb>;
    QFETCH(Table, table);
    QFETCH(int, colours);
    QFETCH(int, into);
    const tilora::ui::ColourMerges merges = tilora::ui::MergesOf(table);
    QCOMPARE(merges.colours, colours);
    QCOMPARE(merges.into, into);
  }

  // The sheet holds the stored tiles in order, each in the sub-palette the
  // first cell showing it uses: here sub-palette 1, though the second cell
  // shows the same tile in sub-palette 0.
  void tileSheetShowsTilesInTheirFirstSubPalette() {
    Pixels pixels;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const auto k = static_cast<std::uint8_t>((x + 2 * y) % 16);
        pixels.emplace_back(x, y, static_cast<std::uint8_t>(k == 0 ? 0 : 16 + k));
        pixels.emplace_back(8 + x, y, k);
      }
    TempDir dir;
    WriteFileBytes(dir / "s.bmp", BuildBmp(WithPixels(16, 8, 8, pixels)));
    Preview p;
    p.Open(dir / "s.bmp");
    p.Choose(1, true, true);
    const auto& r = p.window->Rendering();
    QVERIFY2(r.refusal.empty(), r.refusal.c_str());
    QCOMPARE(r.stored->tiles, 1);
    QCOMPARE(r.stored->subPalettes, std::uint8_t{3});
    QCOMPARE(r.tileSheet.size(), QSize(128, 8));
    QCOMPARE(r.tileSheet.copy(0, 0, 8, 8), r.shown.copy(0, 0, 8, 8));
    QVERIFY(r.tileSheet.copy(0, 0, 8, 8) != r.shown.copy(8, 0, 8, 8));
    QCOMPARE(r.swatches.size(), QSize(16 * tilora::ui::kSwatchSide, 2 * tilora::ui::kSwatchSide));

    p.Get<QCheckBox>("greySheetBox").setChecked(true);
    QCOMPARE(p.window->Rendering().tileSheet.pixel(3, 2), qRgb(7 * 17, 7 * 17, 7 * 17));  // colour 3 + 2 * 2
    p.Get<QComboBox>("sheetColumnsBox").setCurrentIndex(1);
    QCOMPARE(p.window->Rendering().tileSheet.width(), 256);
  }

  // "Save..." writes, under the name field's base, the very files
  // tilora-convert writes with the same options.
  void saveWritesWhatTheConverterWrites_data() {
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("deduplicate");
    QTest::addColumn<bool>("flips");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QStringList>("extensions");
    const QStringList plain{".plt", ".bin"};
    const QStringList mapped{".plt", ".bin", ".map"};
    QTest::newRow("2 bpp") << 0 << false << true << "--bpp 2" << plain;
    QTest::newRow("2 bpp map") << 0 << true << true << "--bpp 2 --map" << mapped;
    QTest::newRow("4 bpp") << 1 << false << true << "--bpp 4" << plain;
    QTest::newRow("4 bpp map, no flips") << 1 << true << false << "--bpp 4 --map --no-flip" << mapped;
    QTest::newRow("8 bpp map") << 2 << true << true << "--bpp 8 --map" << mapped;
    QTest::newRow("mode 7") << 3 << true << false << "--mode7" << mapped;
  }
  void saveWritesWhatTheConverterWrites() {
    QFETCH(int, depth);
    QFETCH(bool, deduplicate);
    QFETCH(bool, flips);
    QFETCH(QString, arguments);
    QFETCH(QStringList, extensions);
    TempDir dir;
    WriteFileBytes(dir / "a.bmp", BuildBmp(Mirrored(4, 4)));
    Preview p;
    p.Open(dir / "a.bmp");
    p.w.form.Edit1->setText(QStringLiteral("Win"));
    p.Choose(depth, deduplicate, flips);
    QCOMPARE(p.Status(), QStringLiteral("As tilora-convert ") + arguments);
    p.Get<QPushButton>("saveButton").click();
    QStringList written;
    for (const QString& ext : extensions) written << QStringLiteral("Win") + ext;
    QCOMPARE(p.Status(), QStringLiteral("Wrote %1.").arg(written.join(QStringLiteral(", "))));
    QCOMPARE(p.w.TakeMessages(), std::vector<tilora::testing::Message>{});

    const auto run = tilora::testing::RunConverter(dir.path(), arguments.toStdString() + " --name cli a.bmp");
    QCOMPARE(run.status, 0);
    for (const QString& ext : extensions)
      QVERIFY2(ReadFileBytes(dir / ("Win" + ext).toStdString()) == ReadFileBytes(dir / ("cli" + ext).toStdString()),
               qPrintable(ext));
    QCOMPARE(dir.List().size(), std::size_t(1 + 2 * extensions.size()));
  }

  // The converter's own message in the status line, the tile outlined on
  // the picture, which still shows; nothing to save.
  void refusalShowsInTheStatusLineAndMarksTheTile_data() {
    QTest::addColumn<BmpShape>("shape");
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("deduplicate");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QPoint>("tile");
    QTest::newRow("mixed sub-palettes") << WithPixels(16, 8, 8, {{9, 0, 3}, {10, 5, 17}}) << 1 << true
                                        << "--bpp 4 --map" << QPoint(8, 0);
    QTest::newRow("index beyond reach") << WithPixels(24, 16, 8, {{10, 12, 40}}) << 0 << true << "--bpp 2 --map"
                                        << QPoint(8, 8);
    QTest::newRow("sub-palettes without map")
        << WithPixels(24, 8, 8, {{0, 0, 1}, {17, 3, 33}}) << 1 << false << "--bpp 4" << QPoint(16, 0);
    QTest::newRow("too many tiles") << TooManyTiles() << 2 << true << "--bpp 8 --map" << QPoint(320, 192);
  }
  void refusalShowsInTheStatusLineAndMarksTheTile() {
    QFETCH(BmpShape, shape);
    QFETCH(int, depth);
    QFETCH(bool, deduplicate);
    QFETCH(QString, arguments);
    QFETCH(QPoint, tile);
    TempDir dir;
    WriteFileBytes(dir / "r.bmp", BuildBmp(shape));
    Preview p;
    p.Open(dir / "r.bmp");
    p.Choose(depth, deduplicate, true);
    const auto run = tilora::testing::RunConverter(dir.path(), arguments.toStdString() + " --name cli r.bmp");
    QCOMPARE(run.status, 1);
    QCOMPARE(p.Status(), ConverterNotice(run.err, "r.bmp"));
    QCOMPARE(p.Get<ConsolePictureView>("view").Marked().value_or(QRect()), QRect(tile, QSize(8, 8)));
    QCOMPARE(p.Get<ConsolePictureView>("view").Image().size(), QSize(shape.width, shape.height));
    QVERIFY(!p.Get<QPushButton>("saveButton").isEnabled());
    QVERIFY(p.Get<ConsolePictureView>("sheetView").Image().isNull());
    // Another setting that fits takes the mark away.
    p.Choose(2, true, true);
    if (p.window->Rendering().refusal.empty()) QVERIFY(!p.Get<ConsolePictureView>("view").Marked());
  }

  // The sub-palette controls are enabled exactly where they change the
  // outcome, and where they are, the status line names the converter
  // options that write the same. A truecolour picture always gets
  // sub-palettes; an indexed one keeps its table until a count is set.
  void subPaletteControlsActWhereTheyChangeTheOutcome_data() {
    QTest::addColumn<int>("bits");     // the picture's
    QTest::addColumn<int>("depth");    // 0-2 for 2, 4, 8 bpp, 3 for mode 7
    QTest::addColumn<int>("count");    // set in the box when it is enabled
    QTest::addColumn<bool>("lossy");   // checked when enabled
    QTest::addColumn<bool>("countOn");
    QTest::addColumn<bool>("lossyOn");
    QTest::addColumn<bool>("ditherOn");
    QTest::addColumn<QString>("arguments");
    QTest::newRow("indexed, own table") << 8 << 1 << 0 << true << true << false << false << "--bpp 4";
    QTest::newRow("indexed, 2 made") << 8 << 1 << 2 << false << true << true << false << "--bpp 4 --palettes 2";
    QTest::newRow("indexed, 2 made, lossy") << 8 << 1 << 2 << true << true << true << true
                                            << "--bpp 4 --palettes 2 --lossy";
    QTest::newRow("indexed, 8 bpp, made") << 8 << 2 << 1 << false << true << true << false << "--bpp 8 --palettes 1";
    QTest::newRow("indexed, mode 7, own") << 8 << 3 << 0 << true << true << false << false << "--mode7";
    QTest::newRow("truecolour, 3 made, lossy") << 24 << 1 << 3 << true << true << true << true
                                               << "--bpp 4 --palettes 3 --lossy";
    QTest::newRow("truecolour, 2 bpp") << 24 << 0 << 1 << false << true << true << false << "--bpp 2 --palettes 1";
    QTest::newRow("truecolour, 8 bpp: one palette") << 24 << 2 << 5 << false << false << true << false
                                                    << "--bpp 8 --palettes 1";
    QTest::newRow("truecolour, mode 7: one palette") << 24 << 3 << 5 << true << false << true << true
                                                     << "--mode7 --palettes 1 --lossy";
  }
  void subPaletteControlsActWhereTheyChangeTheOutcome() {
    QFETCH(int, bits);
    QFETCH(int, depth);
    QFETCH(int, count);
    QFETCH(bool, lossy);
    QFETCH(bool, countOn);
    QFETCH(bool, lossyOn);
    QFETCH(bool, ditherOn);
    QFETCH(QString, arguments);
    TempDir dir;
    WriteFileBytes(dir / "a.bmp", BuildBmp(Mirrored(static_cast<std::uint16_t>(bits), 4)));
    Preview p;
    p.Open(dir / "a.bmp");
    p.Choose(depth, false, true);
    auto& counts = p.Get<QSpinBox>("subPalettesBox");
    auto& reduce = p.Get<QCheckBox>("lossyBox");
    if (counts.isEnabled()) counts.setValue(count);
    if (reduce.isEnabled()) reduce.setChecked(lossy);
    QCOMPARE(counts.isEnabled(), countOn);
    QCOMPARE(reduce.isEnabled(), lossyOn);
    QCOMPARE(p.Get<QCheckBox>("ditherBox").isEnabled(), ditherOn);
    QCOMPARE(p.Status(), QStringLiteral("As tilora-convert ") + arguments);

    p.window->Save();
    const auto run = tilora::testing::RunConverter(dir.path(), arguments.toStdString() + " --name cli a.bmp");
    QCOMPARE(run.status, 0);
    for (const char* ext : {".plt", ".bin"})
      QVERIFY2(ReadFileBytes(dir / (std::string("Pic") + ext)) == ReadFileBytes(dir / (std::string("cli") + ext)), ext);
  }

  // A new picture starts from its own table, whatever the last one was set to.
  void newIndexedPictureKeepsItsOwnTable() {
    TempDir dir;
    WriteFileBytes(dir / "t.bmp", BuildBmp(MakeShape(16, 16, 24)));
    WriteFileBytes(dir / "i.bmp", BuildBmp(MakeShape(16, 16, 8)));
    Preview p;
    p.Open(dir / "t.bmp");
    p.Get<QSpinBox>("subPalettesBox").setValue(3);
    QCOMPARE(p.Status(), QStringLiteral("As tilora-convert --bpp 4 --palettes 3"));
    p.w.Open(dir / "i.bmp");
    QCOMPARE(p.Status(), QStringLiteral("As tilora-convert --bpp 8"));
    QCOMPARE(p.Get<QSpinBox>("subPalettesBox").text(), QStringLiteral("From picture"));
  }

  // What the preview shows is what the window opened, never the file read
  // again; saving a file changed since is refused, and writes nothing.
  void pictureChangedSinceOpenIsNotSaved() {
    TempDir dir;
    const std::string path = dir / "a.bmp";
    WriteFileBytes(path, BuildBmp(MakeShape(16, 16, 4)));
    Preview p;
    p.w.Open(path);
    const auto time = std::filesystem::last_write_time(path);
    WriteFileBytes(path, BuildBmp(MakeShape(32, 16, 4)));
    std::filesystem::last_write_time(path, time + std::chrono::seconds(2));
    p.Show();
    QCOMPARE(p.Get<ConsolePictureView>("view").Image().size(), QSize(16, 16));  // the window's picture
    p.window->Save();
    QCOMPARE(p.Status(), QString::fromLatin1(tilora::kChangedNotice));
    QCOMPARE(dir.List(), std::vector<std::string>{"a.bmp"});
  }

  // Opened while shown, a new picture is read and encoded at once.
  void followsANewPictureWhileShown() {
    TempDir dir;
    WriteFileBytes(dir / "a.bmp", BuildBmp(MakeShape(16, 16, 4)));
    WriteFileBytes(dir / "b.bmp", BuildBmp(MakeShape(40, 24, 8)));
    Preview p;
    p.Open(dir / "a.bmp");
    p.w.Open(dir / "b.bmp");
    QCOMPARE(p.Get<QComboBox>("depthBox").currentIndex(), 2);
    QCOMPARE(p.Get<ConsolePictureView>("view").Image().size(), QSize(40, 24));
    QCOMPARE(p.Status(), QStringLiteral("As tilora-convert --bpp 8"));
  }

  // The figures a converter user knows: video memory against the console's
  // 64 KiB, with a warning past it, and a lossy reduction's colour
  // difference, the same the converter reports.
  void videoMemoryIsWeighedAgainstTheConsoles_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("memory");
    QTest::addColumn<bool>("warned");
    QTest::newRow("exactly 64 KiB") << 256 << 256 << "Video memory: 64.0 KiB of the console's 64 KiB (tiles only, no map)"
                                    << false;
    QTest::newRow("twice as much") << 512 << 256 << "Video memory: 128.0 KiB of the console's 64 KiB (tiles only, no map)"
                                   << true;
  }
  void videoMemoryIsWeighedAgainstTheConsoles() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, memory);
    QFETCH(bool, warned);
    TempDir dir;
    WriteFileBytes(dir / "v.bmp", BuildBmp(MakeShape(width, height, 8)));
    Preview p;
    p.Open(dir / "v.bmp");
    const QStringList lines = p.Get<QLabel>("figures").text().split(QLatin1Char('\n'));
    QVERIFY2(lines.contains(memory), qPrintable(lines.join(QLatin1Char('|'))));
    QCOMPARE(lines.contains(QStringLiteral(
                 "Warning: this is more than the console's video memory holds; it cannot be shown at once.")),
             warned);
  }

  void lossyReductionShowsTheConvertersDifference() {
    TempDir dir;
    WriteFileBytes(dir / "g.bmp", Truecolour(16, 8, [](int x, int y) { return qRgb(x * 16, y * 32, (x + y) * 8); }));
    Preview p;
    p.Open(dir / "g.bmp");
    p.Get<QCheckBox>("lossyBox").setChecked(true);
    QCOMPARE(p.Status(), QStringLiteral("As tilora-convert --bpp 4 --palettes 1 --lossy"));
    const auto run = tilora::testing::RunConverter(dir.path(), "--bpp 4 --palettes 1 --lossy --name cli g.bmp");
    QCOMPARE(run.status, 0);
    const QRegularExpressionMatch found = QRegularExpression(QStringLiteral("mean \\S+ ([0-9.]+), worst \\S+ ([0-9.]+)"))
                                              .match(QString::fromStdString(run.err));
    QVERIFY2(found.hasMatch(), run.err.c_str());
    const QString line = QStringLiteral("Lossy reduction: colours moved by %1 on average, %2 at most (CIEDE2000)")
                             .arg(found.captured(1), found.captured(2));
    QVERIFY2(p.Get<QLabel>("figures").text().split(QLatin1Char('\n')).contains(line), qPrintable(line));
  }

  // At 8 bpp a picture of colours 0-3 is black to white, not nearly black.
  void greyLevelsSpreadOverTheColoursUsed() {
    TempDir dir;
    WriteFileBytes(dir / "g.bmp", BuildBmp(WithPixels(8, 8, 8, {{1, 0, 1}, {2, 0, 2}, {3, 0, 3}})));
    Preview p;
    p.Open(dir / "g.bmp");
    p.Get<QCheckBox>("greySheetBox").setChecked(true);
    const QImage& sheet = p.window->Rendering().tileSheet;
    QCOMPARE(sheet.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(sheet.pixel(1, 0), qRgb(85, 85, 85));
    QCOMPARE(sheet.pixel(3, 0), qRgb(255, 255, 255));
  }

  // Tile lines stand out from white, black and middle grey alike.
  void gridShowsOnAnyColour() {
    for (const QRgb background : {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(128, 128, 128)}) {
      QImage picture(16, 16, QImage::Format_RGB32);
      picture.fill(background);
      ConsolePictureView view;
      view.SetImage(picture);
      view.SetZoom(2);
      view.SetGrid(true);
      const QImage drawn = view.grab().toImage();
      int contrast = 0;
      for (int y = 0; y < drawn.height(); ++y)
        contrast = std::max(contrast, std::abs(qGray(drawn.pixel(16, y)) - qGray(background)));
      QVERIFY2(contrast > 60, qPrintable(QString::number(background, 16)));
    }
  }

  // The outline keeps all four sides on the picture's edges: a tile at the
  // top-left corner, and one that the right and bottom edges cut.
  void markKeepsItsSidesOnThePicturesEdges_data() {
    QTest::addColumn<QRect>("tile");
    QTest::addColumn<QList<QPoint>>("sides");  // left, top, right, bottom
    QTest::addColumn<QPoint>("clear");         // inside the tile, left alone
    QTest::newRow("top-left corner") << QRect(0, 0, 8, 8) << QList<QPoint>{{0, 4}, {4, 0}, {9, 4}, {4, 9}}
                                     << QPoint(4, 4);
    QTest::newRow("cut by the edges") << QRect(8, 8, 8, 8) << QList<QPoint>{{6, 8}, {9, 6}, {12, 8}, {9, 10}}
                                      << QPoint(9, 8);
  }
  void markKeepsItsSidesOnThePicturesEdges() {
    QFETCH(QRect, tile);
    QFETCH(QList<QPoint>, sides);
    QFETCH(QPoint, clear);
    QImage picture(13, 11, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ConsolePictureView view;
    view.SetImage(picture);
    view.SetMarked(tile);
    const QImage drawn = view.grab().toImage();
    for (const QPoint& side : sides) QVERIFY2(IsRed(drawn.pixel(side)), qPrintable(QStringLiteral("%1,%2").arg(side.x()).arg(side.y())));
    QVERIFY(!IsRed(drawn.pixel(clear)));
  }

  // The preview goes beside the main window and stays on its screen.
  void placedBesideWithinTheScreen_data() {
    QTest::addColumn<QRect>("owner");
    QTest::addColumn<QRect>("placed");
    QTest::newRow("right") << QRect(100, 100, 450, 300) << QRect(550, 100, 1000, 700);
    QTest::newRow("left") << QRect(1300, 500, 450, 300) << QRect(300, 380, 1000, 700);
    QTest::newRow("narrowed to the side with more room") << QRect(500, 0, 700, 300) << QRect(1200, 0, 720, 700);
    QTest::newRow("too narrow there: over it") << QRect(700, 0, 600, 300) << QRect(0, 0, 1000, 700);
  }
  void placedBesideWithinTheScreen() {
    QFETCH(QRect, owner);
    QFETCH(QRect, placed);
    const QRect screen(0, 0, 1920, 1080);
    QCOMPARE(tilora::ui::BesidePlacement(owner, QSize(1000, 700), screen, 720), placed);
    QVERIFY(screen.contains(tilora::ui::BesidePlacement(owner, QSize(3000, 2000), screen, 720)));
  }

  // While the main window reads another picture, and while it is encoded,
  // the preview shows nothing of the one before under the new caption.
  void busyStateShowsNothingOfAnotherPicture() {
    TempDir dir;
    WriteFileBytes(dir / "a.bmp", BuildBmp(MakeShape(16, 16, 4)));
    WriteFileBytes(dir / "b.bmp", BuildBmp(MakeShape(1040, 1040, 8)));
    Preview p;
    DecodeGate gate("b.bmp");
    p.w.form.SetPictureDecoder(gate.Decoder());
    p.Open(dir / "a.bmp");
    QCOMPARE(p.Get<ConsolePictureView>("view").Image().size(), QSize(16, 16));
    const auto showsNothing = [&p] {
      return p.window->windowTitle() == QStringLiteral("Console Preview - b.bmp") &&
             p.Get<ConsolePictureView>("view").Image().isNull() &&
             p.Get<ConsolePictureView>("sheetView").Image().isNull() && p.Get<QLabel>("figures").text().isEmpty() &&
             !p.Get<QPushButton>("saveButton").isEnabled() && !p.Get<QPushButton>("saveRomButton").isEnabled();
    };
    p.w.Start(dir / "b.bmp");
    QVERIFY(showsNothing());
    QCOMPARE(p.Status(), QStringLiteral("Reading the picture..."));
    // From here on, whenever the event loop turns, the new caption never
    // stands over the old picture.
    int mixed = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (p.window->windowTitle().endsWith(QLatin1String("b.bmp")) &&
          p.Get<ConsolePictureView>("view").Image().size() == QSize(16, 16))
        ++mixed;
    });
    watch.start(0);
    gate.Release();
    p.w.Settle();
    if (p.window->Encoding()) {
      QVERIFY(showsNothing());
      QCOMPARE(p.Status(), QStringLiteral("Encoding..."));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!p.window->Encoding(), 30000);
    QCOMPARE(p.Get<ConsolePictureView>("view").Image().size(), QSize(1040, 1040));
    QCOMPARE(mixed, 0);
  }

  // "Save..." starts at the name field's base beside the picture, takes a
  // name with or without an output's extension, and replaces nothing
  // without asking.
  void saveAsksBeforeReplacing() {
    TempDir dir;
    WriteFileBytes(dir / "a.bmp", BuildBmp(Mirrored(4, 4)));
    WriteFileBytes(dir / "Win.plt", {'o', 'l', 'd'});
    std::filesystem::create_directory(dir.path() / "out");
    Preview p;
    p.Open(dir / "a.bmp");
    p.answer = QString::fromStdString(dir / "Win.bin");
    p.replace = false;
    p.window->Save();
    QCOMPARE(p.suggested, QStringList{QString::fromStdString(dir / "Pic")});
    QCOMPARE(p.asked, QStringList{"Win.plt"});
    QCOMPARE(p.Status(), QStringLiteral("Nothing was saved."));
    QCOMPARE(ReadFileBytes(dir / "Win.plt"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    QVERIFY(!std::filesystem::exists(dir / "Win.bin"));

    p.replace = true;
    p.window->Save();
    QCOMPARE(p.Status(), QStringLiteral("Wrote Win.plt, Win.bin."));
    QCOMPARE(std::filesystem::file_size(dir / "Win.plt"), std::uintmax_t{32});
    p.answer = QString::fromStdString(dir / "out/Tiles");
    p.window->Save();
    QCOMPARE(p.Status(), QStringLiteral("Wrote out/Tiles.plt, out/Tiles.bin."));
    QCOMPARE(p.asked, QStringList{"Win.plt"} << "Win.plt");
  }

  // "16x16 tiles" is enabled exactly where the converter takes --tile-size
  // 16; where it is on, the figures give the converter's laid-out and
  // unused tiles and "Save..." writes what it writes.
  void sixteenBySixteenTilesWhereTheConverterTakesThem_data() {
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("deduplicate");
    QTest::addColumn<bool>("flips");
    QTest::addColumn<bool>("sprites");
    QTest::addColumn<QString>("arguments");  // empty: the box is disabled
    QTest::newRow("4 bpp map") << 1 << true << true << false << "--bpp 4 --map --tile-size 16";
    QTest::newRow("2 bpp map, no flips") << 0 << true << false << false << "--bpp 2 --map --no-flip --tile-size 16";
    QTest::newRow("8 bpp map") << 2 << true << true << false << "--bpp 8 --map --tile-size 16";
    QTest::newRow("no map") << 1 << false << true << false << "";
    QTest::newRow("mode 7") << 3 << true << true << false << "";
    QTest::newRow("sprites") << 1 << true << true << true << "";
  }
  void sixteenBySixteenTilesWhereTheConverterTakesThem() {
    QFETCH(int, depth);
    QFETCH(bool, deduplicate);
    QFETCH(bool, flips);
    QFETCH(bool, sprites);
    QFETCH(QString, arguments);
    TempDir dir;
    WriteFileBytes(dir / "t.bmp", BuildBmp(PooledTiles()));
    Preview p;
    p.Open(dir / "t.bmp");
    p.Choose(depth, deduplicate, flips);
    p.Get<QCheckBox>("spritesBox").setChecked(sprites);
    auto& sixteen = p.Get<QCheckBox>("tileSizeBox");
    QCOMPARE(sixteen.isEnabled(), !arguments.isEmpty());
    if (arguments.isEmpty()) return;
    sixteen.setChecked(true);
    QCOMPARE(p.Status(), QStringLiteral("As tilora-convert ") + arguments);
    QCOMPARE(p.Get<ConsolePictureView>("view").GridStep(), QSize(16, 16));

    const std::string bpp = arguments.section(QLatin1Char(' '), 0, 1).toStdString();
    const auto info = tilora::testing::RunConverter(dir.path(), "--info " + bpp + " --tile-size 16 t.bmp");
    QCOMPARE(info.status, 0);
    const QRegularExpression laidOut(QStringLiteral("laid out in (\\d+) tiles \\((\\d+) unused\\)"));
    const QRegularExpressionMatch laid = laidOut.match(QString::fromStdString(info.out));
    QVERIFY2(laid.hasMatch(), info.out.c_str());
    const QString line =
        QStringLiteral("Laid out as 16x16 tiles: %1 tiles, %2 of them unused").arg(laid.captured(1), laid.captured(2));
    QVERIFY2(p.Figures().contains(line), qPrintable(p.Figures().join(QLatin1Char('|'))));

    p.window->Save();
    QCOMPARE(p.Status(), QStringLiteral("Wrote Pic.plt, Pic.bin, Pic.map."));
    const auto run = tilora::testing::RunConverter(dir.path(), arguments.toStdString() + " --name cli t.bmp");
    QCOMPARE(run.status, 0);
    for (const char* ext : {".plt", ".bin", ".map"})
      QVERIFY2(ReadFileBytes(dir / (std::string("Pic") + ext)) == ReadFileBytes(dir / (std::string("cli") + ext)), ext);
  }

  // A cartridge the builder refuses is the converter's refusal on the
  // status line, and nothing is written.
  void saveRomRefusalWritesNothing() {
    TempDir dir;
    WriteFileBytes(dir / "r.bmp", BuildBmp(MakeShape(512, 256, 8)));
    Preview p;
    p.Open(dir / "r.bmp");
    p.window->SaveRom();
    QTRY_VERIFY_WITH_TIMEOUT(!p.window->SavingRom(), 30000);
    const auto run = tilora::testing::RunConverter(dir.path(), "--bpp 8 --rom cli.sfc --name cli r.bmp");
    QCOMPARE(run.status, 1);
    QCOMPARE(p.Status(), ConverterNotice(run.err, "r.bmp"));
    QCOMPARE(dir.List(), std::vector<std::string>{"r.bmp"});
    QCOMPARE(p.w.TakeMessages(), std::vector<tilora::testing::Message>{});
  }

  void largePictureIsEncodedOffTheInterfaceThread() {
    TempDir dir;
    WriteFileBytes(dir / "big.bmp", BuildBmp(MakeShape(1040, 1040, 8)));
    Preview p;
    p.Open(dir / "big.bmp");
    QVERIFY(p.window->Encoding());
    QCOMPARE(p.Status(), QStringLiteral("Encoding..."));
    QVERIFY(!p.Get<QPushButton>("saveButton").isEnabled());
    // A change while it runs: only the newest encoding is shown.
    p.Choose(2, true, true);
    QTRY_VERIFY_WITH_TIMEOUT(!p.window->Encoding(), 30000);
    QCOMPARE(p.Status(), QStringLiteral("As tilora-convert --bpp 8 --map"));
    QVERIFY(p.window->Rendering().stored && p.window->Rendering().stored->mapBytes > 0);
    QCOMPARE(p.Get<ConsolePictureView>("view").Image().size(), QSize(1040, 1040));
  }
};

QTEST_MAIN(ConsolePreviewTest)
#include "console_preview_test.moc"
