// PNG pictures in the main window: opened by content, shown, and converted
// by "In File" exactly as tilora-convert converts them.
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <filesystem>

#include "bmp_builder.h"
#include "ui/main_window/opened_picture.h"
#include "converter_run.h"
#include "formats/bmp/bmp_layout.h"
#include "formats/png/png_reader.h"
#include "png_builder.h"
#include "io/io_error.h"
#include "temp_dir.h"
#include "ui/console_preview/console_preview_window.h"
#include "window_driver.h"

using tilora::testing::BuildPng;
using tilora::testing::ConverterNotice;
using tilora::testing::DecodeGate;
using tilora::testing::Message;
using tilora::testing::RandomPngShape;
using tilora::testing::ReadFileBytes;
using tilora::testing::TempDir;
using tilora::testing::WindowDriver;
using tilora::testing::WriteFileBytes;
using tilora::ui::BoxKind;

namespace {

std::string Png(const TempDir& dir, const std::string& leaf, std::uint32_t width, std::uint32_t height,
                std::uint8_t type, std::uint8_t depth, std::uint32_t seed = 1) {
  WriteFileBytes(dir / leaf, BuildPng(RandomPngShape(width, height, type, depth, seed)));
  return dir / leaf;
}

// An indexed PNG of one colour, small on disk however large.
std::string PlainPng(const TempDir& dir, const std::string& leaf, std::uint32_t width, std::uint32_t height) {
  using namespace tilora::testing;
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(width + 1) * height, 0);
  WriteFileBytes(dir / leaf, JoinPng({{"IHDR", IhdrData(width, height, 8, kPngPalette)},
                                      {"PLTE", std::vector<std::uint8_t>(3 * 16, 0x40)},
                                      {"IDAT", ZlibCompressed(rows)},
                                      {"IEND", {}}}));
  return dir / leaf;
}

}  // namespace

class PngWindowTest : public QObject {
  Q_OBJECT

 private:
  QString startFolder_;

 private slots:
  void init() { startFolder_ = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder_); }

  void indexedPngOpensAndConvertsAsTheConverterDoes_data() {
    QTest::addColumn<int>("depth");
    QTest::addColumn<QSize>("size");
    QTest::newRow("4-bit") << 4 << QSize(24, 16);
    QTest::newRow("8-bit, partial tiles") << 8 << QSize(13, 9);
  }
  void indexedPngOpensAndConvertsAsTheConverterDoes() {
    QFETCH(int, depth);
    QFETCH(QSize, size);
    TempDir dir;
    const auto path =
        Png(dir, "a.png", static_cast<std::uint32_t>(size.width()), static_cast<std::uint32_t>(size.height()),
            tilora::testing::kPngPalette, static_cast<std::uint8_t>(depth));
    WindowDriver w;
    w.Open(path);
    QCOMPARE(w.TakeMessages(), std::vector<Message>{});
    QCOMPARE(w.form.StaticText1->text(), QStringLiteral("Resolution: %1x%2").arg(size.width()).arg(size.height()));
    QCOMPARE(w.form.StaticText3->text(), QStringLiteral("Pic Format: %1bpp").arg(depth));
    QCOMPARE(w.form.img1->size(), size);
    QCOMPARE(w.form.img1->Picture().size(), size);
    QVERIFY(w.ConvertEnabled());
    QVERIFY(w.PreviewEnabled());

    w.Convert();
    QCOMPARE(w.TakeMessages(), std::vector<Message>{});
    const auto run = tilora::testing::RunConverter(dir.path(), "--name cli a.png");
    QCOMPARE(run.status, 0);
    for (const char* ext : {".bin", ".plt"})
      QVERIFY2(ReadFileBytes(dir / (std::string("Pic") + ext)) == ReadFileBytes(dir / (std::string("cli") + ext)), ext);
  }

  void otherPngsAreShownThenRefusedWithTheConvertersNotice_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("depth");
    QTest::addColumn<QString>("format");
    QTest::newRow("truecolour") << int{tilora::testing::kPngRgb} << 8 << "Pic Format: 24bpp";
    QTest::newRow("truecolour with alpha") << int{tilora::testing::kPngRgba} << 8 << "Pic Format: 32bpp";
    QTest::newRow("2-bit palette") << int{tilora::testing::kPngPalette} << 2 << "Pic Format: 2bpp";
    QTest::newRow("1-bit palette") << int{tilora::testing::kPngPalette} << 1 << "Pic Format: 1bpp";
  }
  void otherPngsAreShownThenRefusedWithTheConvertersNotice() {
    QFETCH(int, type);
    QFETCH(int, depth);
    QFETCH(QString, format);
    TempDir dir;
    const auto path = Png(dir, "a.png", 20, 12, static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(depth));
    WindowDriver w;
    w.Open(path);
    QCOMPARE(w.TakeMessages(), std::vector<Message>{});
    QCOMPARE(w.form.StaticText1->text(), QStringLiteral("Resolution: 20x12"));
    QCOMPARE(w.form.StaticText3->text(), format);
    QCOMPARE(w.form.img1->Picture().size(), QSize(20, 12));
    QVERIFY(w.ConvertEnabled());

    w.Convert();
    const auto run = tilora::testing::RunConverter(dir.path(), "--name cli a.png");
    QCOMPARE(run.status, 1);
    QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Notice, ConverterNotice(run.err, "a.png")}}));
    QCOMPARE(dir.List(), std::vector<std::string>{"a.png"});
  }

  void pngChangedSinceOpenIsNotConverted() {
    TempDir dir;
    const auto path = Png(dir, "a.png", 16, 16, tilora::testing::kPngPalette, 4, 1);
    WindowDriver w;
    w.Open(path);
    const auto time = std::filesystem::last_write_time(path);
    Png(dir, "a.png", 16, 16, tilora::testing::kPngPalette, 4, 2);
    std::filesystem::last_write_time(path, time + std::chrono::seconds(2));
    w.Convert();
    QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Notice, QString::fromLatin1(tilora::kChangedNotice)}}));
    QCOMPARE(dir.List(), std::vector<std::string>{"a.png"});
    w.Open(path);
    w.Convert();
    QCOMPARE(w.TakeMessages(), std::vector<Message>{});
    QCOMPARE(dir.List(), (std::vector<std::string>{"Pic.bin", "Pic.plt", "a.png"}));
  }

  // Each open's record is its own: a bitmap after a PNG, and a PNG after a
  // bitmap, convert as opened.
  void pngAndBitmapOpensInTurnConvert() {
    TempDir dir;
    const auto png = Png(dir, "a.png", 16, 8, tilora::testing::kPngPalette, 4);
    WriteFileBytes(dir / "b.bmp", tilora::testing::BuildBmp(tilora::testing::MakeShape(8, 8, 8)));
    WindowDriver w;
    for (const std::string& path : {png, dir / "b.bmp", png}) {
      w.Open(path);
      w.Convert();
      QCOMPARE(w.TakeMessages(), std::vector<Message>{});
      QCOMPARE(std::filesystem::file_size(dir / "Pic.plt"), std::uintmax_t{path == png ? 32u : 512u});
    }
  }

  // The PNG reader's own line reaches the failure box; the open is not
  // accepted, whatever the window showed before.
  void damagedPngGivesTheReadersMessage() {
    TempDir dir;
    WriteFileBytes(dir / "a.bmp", tilora::testing::BuildBmp(tilora::testing::MakeShape(16, 16, 4)));
    auto bytes = BuildPng(RandomPngShape(32, 32, tilora::testing::kPngPalette, 8, 3));
    bytes.resize(bytes.size() - 30);
    WriteFileBytes(dir / "cut.png", bytes);
    QString reader;
    try {
      tilora::DecodePng(bytes);
    } catch (const tilora::PngError& e) {
      reader = QString::fromStdString(tilora::FailureText(e.what()));
    }
    QVERIFY(!reader.isEmpty());

    WindowDriver w;
    w.Open(dir / "a.bmp");
    w.Open(dir / "cut.png");
    QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Failure, reader}}));
    QCOMPARE(w.form.StaticText1->text(), QStringLiteral("Resolution: 16x16"));
    QVERIFY(!w.PreviewEnabled());
    w.Convert();
    QCOMPARE(w.TakeMessages(),
             (std::vector<Message>{{BoxKind::Notice, QString::fromLatin1(tilora::kStaleHeaderNotice)}}));
  }

  // The picture is decoded once per open, however it is then shown,
  // previewed, converted and saved; each of those matches the converter.
  void pngIsDecodedOncePerOpen() {
    TempDir dir;
    const auto path = Png(dir, "a.png", 24, 16, tilora::testing::kPngPalette, 4);
    WindowDriver w;
    DecodeGate decodings;
    decodings.Release();  // counted, never held
    w.form.SetPictureDecoder(decodings.Decoder());
    w.Open(path);
    w.form.ConsolePreview1->trigger();
    ConsolePreviewWindow* preview = w.form.ConsolePreview();
    QVERIFY(preview);
    preview->SetQuestions({[](QWidget*, const QString&, const QString& suggested, const QString&) {
                             return suggested.endsWith(QLatin1String(".sfc")) ? suggested
                                                                              : suggested + QStringLiteral("Saved");
                           },
                           [](QWidget*, const QStringList&) { return true; },
                           {}});
    w.Convert();
    preview->Save();
    preview->SaveRom();
    QTRY_VERIFY_WITH_TIMEOUT(!preview->SavingRom(), 30000);
    QCOMPARE(w.TakeMessages(), std::vector<Message>{});
    QCOMPARE(decodings.Decodings(), 1);

    // The cartridge carries its file's name as its title.
    std::filesystem::create_directory(dir.path() / "cli");
    const auto run = tilora::testing::RunConverter(dir.path(), "--bpp 4 --rom cli/Pic.sfc --name cli a.png");
    QCOMPARE(run.status, 0);
    for (const char* ext : {".bin", ".plt"}) {
      QVERIFY2(ReadFileBytes(dir / (std::string("Pic") + ext)) == ReadFileBytes(dir / (std::string("cli") + ext)), ext);
      QVERIFY2(ReadFileBytes(dir / (std::string("PicSaved") + ext)) == ReadFileBytes(dir / (std::string("cli") + ext)),
               ext);
    }
    QVERIFY(ReadFileBytes(dir / "Pic.sfc") == ReadFileBytes(dir / "cli/Pic.sfc"));
    w.Open(path);
    QCOMPARE(decodings.Decodings(), 2);
  }

  // The open returns at once and the window's event loop turns while a
  // picture of the largest size decodes: timers fire, menus open.
  void windowAnswersWhileALargePngDecodes() {
    TempDir dir;
    const auto path = PlainPng(dir, "large.png", 8192, 4096);
    WindowDriver w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(5);
    w.Start(path);
    QVERIFY(w.form.Reading());
    w.form.File1->popup(w.form.mapToGlobal(QPoint(0, 0)));
    QVERIFY(w.form.File1->isVisible());
    QTRY_VERIFY(ticks >= 3 || !w.form.Reading());
    w.form.File1->hide();
    w.Settle();
    QCOMPARE(w.TakeMessages(), std::vector<Message>{});
    QCOMPARE(w.form.img1->Picture().size(), QSize(8192, 4096));
    QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
  }

  // A PNG named .bmp after an accepted PNG: refused, and the view keeps the
  // size it had, not one read from PNG bytes at the bitmap's offsets.
  void pngNamedAsABitmapLeavesTheViewsSize() {
    TempDir dir;
    const auto png = Png(dir, "a.png", 24, 16, tilora::testing::kPngPalette, 8);
    Png(dir, "b.bmp", 24, 16, tilora::testing::kPngPalette, 8);
    WindowDriver w;
    w.Open(png);
    w.Open(dir / "b.bmp");
    QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Notice, QString::fromLatin1(tilora::kNotBmpNotice)}}));
    QCOMPARE(w.form.img1->size(), QSize(24, 16));
  }

  // A file named as a bitmap is read as one, as before PNG came to the window.
  void pngNamedAsABitmapIsRefusedAsBefore() {
    TempDir dir;
    Png(dir, "a.bmp", 8, 8, tilora::testing::kPngPalette, 4);
    WindowDriver w;
    w.Open(dir / "a.bmp");
    QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Notice, QString::fromLatin1(tilora::kNotBmpNotice)}}));
    QVERIFY(!w.PreviewEnabled());
  }
};

QTEST_MAIN(PngWindowTest)
#include "png_window_test.moc"
