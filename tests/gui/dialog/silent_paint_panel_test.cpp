#include "ui/open_dialog/silent_paint_panel.h"

#include <QSignalSpy>
#include <QTest>
#include <stdexcept>

#include "gui_test_main.h"
#include "ui/open_dialog/picture_view.h"

namespace {

class ThrowingView : public TPictureView {
 public:
  using TPictureView::TPictureView;
  int draws = 0;

 protected:
  void DrawPicture(QPainter&, const QRect&) override {
    ++draws;
    throw std::runtime_error("cannot draw");
  }
};

}  // namespace

class SilentPaintPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void FailingPictureSetsTheCaptionOnceWithoutARepaintLoop() {
    TSilentPaintPanel panel;
    auto* view = new ThrowingView;
    panel.SetView(view);
    view->SetPicture(QImage(8, 8, QImage::Format_RGB32));
    QSignalSpy captions(&panel, &TSilentPaintPanel::CaptionChanged);
    panel.resize(157, 145);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QTest::qWait(300);

    QCOMPARE(panel.Caption(), QStringLiteral("Invalid image"));
    QCOMPARE(captions.count(), 1);
    // The first paint fails and sets the caption; the repaint that asks for
    // fails again and changes nothing.
    QVERIFY2(view->draws >= 1 && view->draws <= 3, qPrintable(QString::number(view->draws)));
  }

  void ViewFillsThePanelInsideItsBevels() {
    TSilentPaintPanel panel;
    auto* view = new TPictureView;
    panel.SetView(view);
    panel.resize(157, 145);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QCOMPARE(view->geometry(), QRect(2, 2, 153, 141));
  }

  void CaptionIsDrawnCentredOverAnEmptyView() {
    TSilentPaintPanel panel;
    panel.SetView(new TPictureView);
    panel.SetCaption(QStringLiteral("(None)"));
    panel.resize(157, 145);
    const QImage shot = panel.grab().toImage();
    // Lowered outer bevel: dark top-left, light bottom-right; the inner one
    // the other way round.
    const QPalette& colours = panel.palette();
    QCOMPARE(shot.pixel(0, 0), colours.color(QPalette::Dark).rgb());
    QCOMPARE(shot.pixel(156, 144), colours.color(QPalette::Light).rgb());
    QCOMPARE(shot.pixel(1, 1), colours.color(QPalette::Light).rgb());
    QCOMPARE(shot.pixel(155, 143), colours.color(QPalette::Dark).rgb());
    // Some text pixels near the middle, none near the edges.
    auto inkIn = [&](const QRect& area) {
      int ink = 0;
      for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
          if (shot.pixel(x, y) != colours.color(QPalette::Button).rgb()) ++ink;
      return ink;
    };
    QVERIFY(inkIn(QRect(40, 60, 77, 25)) > 0);
    QCOMPARE(inkIn(QRect(4, 4, 30, 40)), 0);
  }
};

TILORA_GUI_TEST_MAIN(SilentPaintPanelTest)
#include "silent_paint_panel_test.moc"
