#include "ui/open_dialog/fitting.h"

#include <QTest>

#include "ui/open_dialog/extended_truncation.h"

using tilora::ui::DialogPosition;
using tilora::ui::ExtendedProductTruncated;
using tilora::ui::FitPicture;
using tilora::ui::FullPreviewClientSize;

class FittingTest : public QObject {
  Q_OBJECT

 private slots:
  void FitsAndCentres_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("view");
    QTest::addColumn<QRect>("drawn");
    QTest::newRow("wide") << QSize(300, 100) << QSize(150, 100) << QRect(0, 25, 150, 50);
    QTest::newRow("tall") << QSize(100, 300) << QSize(150, 100) << QRect(58, 0, 33, 100);
    QTest::newRow("wide, height-bound") << QSize(200, 150) << QSize(150, 100) << QRect(8, 0, 133, 100);
    QTest::newRow("small, enlarged") << QSize(16, 16) << QSize(150, 100) << QRect(25, 0, 100, 100);
    // Exact arithmetic would give 33 and 90: the quotients are taken with
    // the ratio rounded to double and truncated in extended precision.
    QTest::newRow("tall, extended product") << QSize(100, 300) << QSize(150, 99) << QRect(59, 0, 32, 99);
    QTest::newRow("wide, extended quotient") << QSize(500, 300) << QSize(150, 100) << QRect(0, 5, 150, 89);
    // And here exact arithmetic would give one less: the ratio's rounding
    // leaves the product (quotient) just short of a whole number, and the
    // 64-bit significand rounds it up to it.
    QTest::newRow("tall, product rounded up") << QSize(4288, 4662) << QSize(2200, 2331) << QRect(28, 0, 2144, 2331);
    QTest::newRow("wide, quotient rounded up") << QSize(4801, 4261) << QSize(9602, 9000) << QRect(0, 239, 9602, 8522);
    // Short of a whole number by more than half the last place: kept below.
    // Below a power of two that place is half as wide.
    QTest::newRow("product short of 1") << QSize(1, 65535) << QSize(10, 65535) << QRect(5, 0, 0, 65535);
    QTest::newRow("quotient short of a whole number")
        << QSize(4, 298842) << QSize(17500, 1400000000) << QRect(0, 46283125, 17500, 1307433749);
    QTest::newRow("empty picture fills the view") << QSize(0, 0) << QSize(150, 100) << QRect(0, 0, 150, 100);
    QTest::newRow("zero height fills the view") << QSize(300, 0) << QSize(150, 100) << QRect(0, 0, 150, 100);
    QTest::newRow("zero width fills the view") << QSize(0, 300) << QSize(150, 100) << QRect(0, 0, 150, 100);
    QTest::newRow("empty view") << QSize(300, 100) << QSize(0, 0) << QRect(0, 0, 0, 0);
    QTest::newRow("view without height") << QSize(300, 100) << QSize(150, 0) << QRect(75, 0, 0, 0);
    QTest::newRow("view without width") << QSize(100, 300) << QSize(0, 100) << QRect(0, 50, 0, 0);
  }
  void FitsAndCentres() {
    QFETCH(QSize, picture);
    QFETCH(QSize, view);
    QFETCH(QRect, drawn);
    QCOMPARE(FitPicture(picture.width(), picture.height(), view.width(), view.height()), drawn);
  }

  // Products exactly halfway between two 64-bit significands go to the even
  // one, which is the whole number; a ratio one place smaller falls short.
  void ProductTiesRoundToTheWholeNumber_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("truncated");
    QTest::newRow("tie below 4099") << 3453 << 0x1.2fe4b79116c2bp+0 << 4099;
    QTest::newRow("short of 4099") << 3453 << 0x1.2fe4b79116c2ap+0 << 4098;
    QTest::newRow("tie below 2^13") << 8191 << 0x1.0008004002001p+0 << 8192;
    QTest::newRow("short of 2^13") << 8191 << 0x1.0008004002p+0 << 8191;
    QTest::newRow("negative tie") << -3453 << 0x1.2fe4b79116c2bp+0 << -4099;
  }
  void ProductTiesRoundToTheWholeNumber() {
    QFETCH(int, n);
    QFETCH(double, ratio);
    QFETCH(int, truncated);
    QCOMPARE(ExtendedProductTruncated(n, ratio), truncated);
  }

  void DialogPositionCentresAcrossAndAThirdDown_data() {
    QTest::addColumn<QRect>("monitor");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("first monitor") << QRect(0, 0, 1920, 1080) << QSize(641, 481) << QPoint(639, 199);
    QTest::newRow("second monitor") << QRect(1920, 0, 1280, 1024) << QSize(500, 400) << QPoint(2310, 208);
    QTest::newRow("monitor above") << QRect(0, -768, 1024, 768) << QSize(600, 400) << QPoint(212, -646);
    // Truncation toward zero, not down.
    QTest::newRow("larger than the monitor") << QRect(0, 0, 800, 600) << QSize(1001, 700) << QPoint(-100, -33);
  }
  void DialogPositionCentresAcrossAndAThirdDown() {
    QFETCH(QRect, monitor);
    QFETCH(QSize, window);
    QFETCH(QPoint, position);
    QCOMPARE(DialogPosition(monitor, window), position);
  }

  void FullPreviewClientSizeFollowsThePicture_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("monitor");
    QTest::addColumn<QSize>("client");
    // The window's client area is 320 x 240, the panel's 316 x 236.
    QTest::newRow("empty keeps the window") << QSize(0, 0) << QSize(1920, 1080) << QSize(320, 240);
    QTest::newRow("width 0, any height") << QSize(0, 50) << QSize(1920, 1080) << QSize(320, 240);
    QTest::newRow("small") << QSize(100, 50) << QSize(1920, 1080) << QSize(114, 64);
    QTest::newRow("large") << QSize(4000, 3000) << QSize(1920, 1080) << QSize(1440, 810);
    QTest::newRow("wide only") << QSize(2000, 100) << QSize(1920, 1080) << QSize(1440, 114);
    QTest::newRow("odd monitor") << QSize(4000, 3000) << QSize(1366, 767) << QSize(1024, 575);
  }
  void FullPreviewClientSizeFollowsThePicture() {
    QFETCH(QSize, picture);
    QFETCH(QSize, monitor);
    QFETCH(QSize, client);
    QCOMPARE(FullPreviewClientSize(picture, QSize(320, 240), QSize(316, 236), monitor), client);
  }
};

QTEST_APPLESS_MAIN(FittingTest)
#include "fitting_test.moc"
