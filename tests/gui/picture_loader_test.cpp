// Display loading: the decoder chosen by extension and every failure told
// apart before decoding, with the failure box's texts.
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTest>

#include <filesystem>

#include <functional>

#include "bmp_builder.h"
#include "temp_dir.h"
#include "ui/common/picture_loader.h"

using tilora::testing::BmpShape;
using tilora::testing::MakeShape;
using tilora::testing::BuildBmp;
using tilora::testing::TempDir;
using tilora::testing::WriteFileBytes;
using tilora::ui::LoadPicture;
using Bytes = std::vector<std::uint8_t>;

namespace {

void Put16(Bytes& b, std::size_t at, unsigned v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

Bytes Edited(const BmpShape& shape, const std::function<void(Bytes&)>& edit) {
  Bytes b = BuildBmp(shape);
  edit(b);
  return b;
}

// A table of 3 entries, announced by the colours-used count.
BmpShape ShortTable() {
  BmpShape shape = MakeShape(2, 2, 8);
  shape.coloursUsed = 3;
  shape.tableEntries = 3;
  return shape;
}

// An old-style picture: 12-byte header, 16-bit sizes, 3-byte colours.
Bytes CoreHeaderBmp() {
  const unsigned w = 4, h = 2, table = 256 * 3, offset = 14 + 12 + table;
  Bytes b(offset + 4 * h, 0);
  b[0] = 'B';
  b[1] = 'M';
  b[10] = static_cast<std::uint8_t>(offset);
  b[11] = static_cast<std::uint8_t>(offset >> 8);
  b[14] = 12;
  Put16(b, 18, w);
  Put16(b, 20, h);
  Put16(b, 22, 1);
  Put16(b, 24, 8);
  return b;
}

Bytes PngBytes(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "png");
  return Bytes(bytes.begin(), bytes.end());
}

}  // namespace

class PictureLoaderTest : public QObject {
  Q_OBJECT

 private slots:
  void choosesAndClassifies_data() {
    QTest::addColumn<QString>("leaf");
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QSize>("size");

    const BmpShape four = MakeShape(9, 5, 4);
    const Bytes good = BuildBmp(four);
    const std::size_t tableStart = 14 + 40;
    QTest::newRow("bitmap") << "a.bmp" << good << "" << QSize(9, 5);
    QTest::newRow("case ignored") << "a.BmP" << good << "" << QSize(9, 5);
    QTest::newRow("top row first") << "a.bmp" << BuildBmp(MakeShape(3, -7, 8)) << ""
                                   << QSize(3, 7);
    QTest::newRow("24-bit") << "a.bmp" << BuildBmp(MakeShape(5, 3, 24)) << "" << QSize(5, 3);
    QTest::newRow("old header") << "a.bmp" << CoreHeaderBmp() << "" << QSize(4, 2);
    QTest::newRow("other extension") << "a.gif" << good << "Unknown picture file extension (.gif)" << QSize(0, 0);
    QTest::newRow("png") << "a.png" << PngBytes(QSize(6, 4)) << "" << QSize(6, 4);
    QTest::newRow("png case ignored") << "a.PNG" << PngBytes(QSize(2, 3)) << "" << QSize(2, 3);
    QTest::newRow("bitmap named as a png") << "a.png" << good << "PNG image is not valid" << QSize(0, 0);
    const Bytes png = PngBytes(QSize(40, 30));
    QTest::newRow("png cut") << "a.png" << Bytes(png.begin(), png.begin() + 40) << "PNG image is not valid"
                             << QSize(0, 0);
    QTest::newRow("extension as typed") << "a.Dat" << good << "Unknown picture file extension (.Dat)" << QSize(0, 0);
    QTest::newRow("no extension") << "a" << good << "Unknown picture file extension (.)" << QSize(0, 0);
    QTest::newRow("bitmap named as a metafile") << "a.emf" << good << "Metafile is not valid (not an enhanced metafile)" << QSize(0, 0);
    QTest::newRow("no signature") << "a.bmp" << Edited(four, [](Bytes& b) { b[1] = 'A'; })
                                  << "Bitmap image is not valid" << QSize(0, 0);
    QTest::newRow("two planes") << "a.bmp" << Edited(four, [](Bytes& b) { Put16(b, 26, 2); })
                                << "Bitmap image is not valid" << QSize(0, 0);
    QTest::newRow("unknown header form") << "a.bmp" << Edited(four, [](Bytes& b) { b[14] = 20; })
                                         << "Bitmap image is not valid" << QSize(0, 0);
    QTest::newRow("file header cut") << "a.bmp" << Bytes(good.begin(), good.begin() + 10) << "Stream read error"
                                     << QSize(0, 0);
    QTest::newRow("info header cut") << "a.bmp" << Bytes(good.begin(), good.begin() + 40) << "Stream read error"
                                     << QSize(0, 0);
    QTest::newRow("colour table cut") << "a.bmp" << Bytes(good.begin(), good.begin() + tableStart + 60)
                                      << "Stream read error" << QSize(0, 0);
    QTest::newRow("pixel rows cut") << "a.bmp" << Bytes(good.begin(), good.end() - 1) << "Stream read error"
                                    << QSize(0, 0);
    QTest::newRow("short table by count") << "a.bmp"
                                          << BuildBmp(ShortTable())
                                          << "" << QSize(2, 2);
    QTest::newRow("not a picture") << "a.bmp" << Edited(four, [](Bytes& b) { b[30] = 9; })
                                   << "Bitmap image is not valid" << QSize(0, 0);
  }
  void choosesAndClassifies() {
    QFETCH(QString, leaf);
    QFETCH(Bytes, bytes);
    QFETCH(QString, failure);
    QFETCH(QSize, size);
    TempDir dir;
    const std::string path = dir / leaf.toStdString();
    WriteFileBytes(path, bytes);
    QString error = QStringLiteral("unchanged");
    const QImage image = LoadPicture(QString::fromStdString(path), &error);
    QCOMPARE(error, failure);
    QCOMPARE(image.size(), size);
  }

  void iconThroughTheIconDecoder() {
    TempDir dir;
    const QString path = QString::fromStdString(dir / "a.ico");
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    QVERIFY(icon.save(path, "ico"));
    QString error;
    QCOMPARE(LoadPicture(path, &error).size(), QSize(16, 16));
    QCOMPARE(error, QString());

    WriteFileBytes(path.toStdString(), {1, 2, 3});
    QVERIFY(LoadPicture(path, &error).isNull());
    QCOMPARE(error, QStringLiteral("Icon image is not valid"));
  }

  // Shown files are read into memory up to a cap: a huge one is refused
  // before it is read, whatever its kind.
  void filesOverTheCapAreRefused() {
    TempDir dir;
    for (const char* leaf : {"huge.bmp", "huge.ico", "huge.png"}) {
      const std::string path = dir / leaf;
      WriteFileBytes(path, {'B', 'M'});
      std::filesystem::resize_file(path, (64u << 20) + 1);
      QString error;
      QVERIFY(LoadPicture(QString::fromStdString(path), &error).isNull());
      QCOMPARE(error, "Cannot show \"" + QDir::toNativeSeparators(QString::fromStdString(path)) +
                          "\": the file is larger than 64 MiB");
    }
  }

  void unreadableFileNamesItAndThePlatformReason() {
    TempDir dir;
    const QString path = QString::fromStdString(dir / "gone.bmp");
    QString error;
    QVERIFY(LoadPicture(path, &error).isNull());
    const QString prefix = "Cannot open file \"" + QDir::toNativeSeparators(path) + "\". ";
    QVERIFY2(error.startsWith(prefix) && error.size() > prefix.size(), qPrintable(error));
  }
};

QTEST_MAIN(PictureLoaderTest)
#include "picture_loader_test.moc"
