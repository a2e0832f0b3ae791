// Shows the main window and saves the screen around it, for a look without
// a desktop. Not a test.
//
//   tilora_window_screenshot OUT.png
//       the File menu opened from the keyboard (F10), for the access keys
//   tilora_window_screenshot --picture FILE OUT.png
//       the window with FILE opened as "tilora FILE" opens it
//   tilora_window_screenshot --picture FILE --grow WxH OUT.png
//       the same with View > Grow Picture Area on, the window sized W x H
//   tilora_window_screenshot [--picture FILE] --console-preview [SETTING...] OUT.png
//       View > Console Preview of FILE (without one, a drawn sample), with
//       SETTINGs as tilora-convert takes them: --bpp N, --map, --no-flip,
//       --mode7, --tile-size 16, --palettes N, --sprites WxH, --obj-sizes
//       S,L, --origin X,Y, --shared PICTURE (once for each picture of a
//       shared set), and the view's own --zoom N, --grid, --outlines,
//       --show N (the set's picture shown, from 0); with --screen, the
//       whole screen, the main window beside it
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bmp_builder.h"
#include "temp_dir.h"
#include "ui/console_preview/console_preview_window.h"
#include "ui/main_window/main_window.h"

namespace {

struct Request {
  QString picture;
  bool preview = false;
  int depthChoice = -1;  // 0-2: 2, 4, 8 bpp; 3: mode 7; -1: the picture's own
  bool map = false;
  bool noFlip = false;
  int zoom = 0;
  bool grid = false;
  bool sixteen = false;
  int palettes = -1;
  QSize frames;  // sprites: the frame size; invalid for a background
  QString objectSizes;
  QPoint origin;
  bool outlines = false;
  QStringList set;
  int shown = 0;
  QSize grow;
  bool screen = false;
  QString out;
};

bool Parse(int argc, char** argv, Request& r) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool valued = arg == "--picture" || arg == "--bpp" || arg == "--zoom" || arg == "--grow" ||
                        arg == "--tile-size" || arg == "--palettes" || arg == "--sprites" || arg == "--obj-sizes" ||
                        arg == "--origin" || arg == "--shared" || arg == "--show";
    if (valued && i + 1 == argc) return false;
    if (arg == "--picture")
      r.picture = QString::fromLocal8Bit(argv[++i]);
    else if (arg == "--console-preview")
      r.preview = true;
    else if (arg == "--bpp")
      r.depthChoice = std::strcmp(argv[++i], "2") == 0 ? 0 : std::strcmp(argv[i], "8") == 0 ? 2 : 1;
    else if (arg == "--mode7")
      r.depthChoice = 3;
    else if (arg == "--map")
      r.map = true;
    else if (arg == "--no-flip")
      r.noFlip = true;
    else if (arg == "--zoom")
      r.zoom = std::atoi(argv[++i]);
    else if (arg == "--grid")
      r.grid = true;
    else if (arg == "--screen")
      r.screen = true;
    else if (arg == "--tile-size")
      r.sixteen = std::strcmp(argv[++i], "16") == 0;
    else if (arg == "--palettes")
      r.palettes = std::atoi(argv[++i]);
    else if (arg == "--sprites") {
      const QStringList size = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char('x'));
      r.frames = QSize(size.value(0).toInt(), size.value(1).toInt());
    } else if (arg == "--obj-sizes")
      r.objectSizes = QString::fromLocal8Bit(argv[++i]).replace(QLatin1Char(','), QLatin1String(" and "));
    else if (arg == "--origin") {
      const QStringList point = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(','));
      r.origin = QPoint(point.value(0).toInt(), point.value(1).toInt());
    } else if (arg == "--outlines")
      r.outlines = true;
    else if (arg == "--shared")
      r.set << QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[++i]));
    else if (arg == "--show")
      r.shown = std::atoi(argv[++i]);
    else if (arg == "--grow") {
      const QStringList size = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char('x'));
      r.grow = QSize(size.value(0).toInt(), size.value(1).toInt());
    }
    else if (r.out.isEmpty() && arg.rfind("--", 0) != 0)
      r.out = QString::fromLocal8Bit(argv[i]);
    else
      return false;
  }
  return !r.out.isEmpty();
}

// A 4-bit picture of 160 x 112 with something for every figure: rings that
// mirror across and down (tiles shared through flips), flat areas, and a
// colour table whose last entries fall together in 15 bits.
void WriteSample(const std::string& path) {
  tilora::testing::BmpShape shape = tilora::testing::MakeShape(160, 112, 4);
  shape.pixels.resize(160 * 112);
  for (int y = 0; y < 112; ++y)
    for (int x = 0; x < 160; ++x) {
      const int dx = x < 80 ? 79 - x : x - 80;
      const int dy = y < 56 ? 55 - y : y - 56;
      const int ring = (dx * dx + dy * dy) / 180;
      shape.pixels[static_cast<std::size_t>(y * 160 + x)] = static_cast<std::uint8_t>(ring < 15 ? 1 + ring : 0);
    }
  shape.palette.clear();
  for (int i = 0; i < 16; ++i) {
    // Blue, green, red; past entry 12 only a step the console cannot show.
    const int step = i < 13 ? 0 : i - 12;
    const int j = i - step;
    shape.palette.push_back({static_cast<std::uint8_t>(40 + 12 * j + step),
                             static_cast<std::uint8_t>(200 - 11 * j + step), static_cast<std::uint8_t>(16 * j + step)});
  }
  tilora::testing::WriteFileBytes(path, tilora::testing::BuildBmp(shape));
}

QPixmap Grab(const QWidget& window, QRect area) {
  return window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
}

template <typename T>
T& Control(const QWidget& window, const char* name) {
  return *window.findChild<T*>(QLatin1String(name));
}

int MenuShot(TForm1& form, const QString& out) {
  QTest::keyClick(&form, Qt::Key_F10);
  QTest::qWait(300);
  const QWidget* menu = QApplication::activePopupWidget();
  if (!menu) {
    std::fprintf(stderr, "F10 opened no menu\n");
    return 1;
  }
  return Grab(form, form.frameGeometry().united(menu->geometry())).save(out) ? 0 : 1;
}

int PreviewShot(TForm1& form, const Request& r) {
  form.ConsolePreview1->trigger();
  ConsolePreviewWindow* preview = form.ConsolePreview();
  if (!preview) {
    std::fprintf(stderr, "the console preview did not open (was the picture accepted?)\n");
    return 1;
  }
  if (!r.set.isEmpty()) {
    const QStringList set = r.set;
    preview->SetQuestions({{}, {}, [set](QWidget*, const QString&, const QString&, const QString&) { return set; }});
    preview->ChooseSet();
    if (!QTest::qWaitFor([preview] { return !preview->ReadingSet(); }, 30000)) {
      std::fprintf(stderr, "the shared set is still being read\n");
      return 1;
    }
  }
  Control<QCheckBox>(*preview, "deduplicateBox").setChecked(r.map);
  Control<QCheckBox>(*preview, "flipsBox").setChecked(!r.noFlip);
  Control<QCheckBox>(*preview, "tileSizeBox").setChecked(r.sixteen);
  if (r.depthChoice >= 0) Control<QComboBox>(*preview, "depthBox").setCurrentIndex(r.depthChoice);
  if (r.palettes >= 0) Control<QSpinBox>(*preview, "subPalettesBox").setValue(r.palettes);
  if (r.frames.isValid()) {
    Control<QCheckBox>(*preview, "spritesBox").setChecked(true);
    Control<QSpinBox>(*preview, "frameWidthBox").setValue(r.frames.width());
    Control<QSpinBox>(*preview, "frameHeightBox").setValue(r.frames.height());
    auto& sizes = Control<QComboBox>(*preview, "objectSizesBox");
    if (!r.objectSizes.isEmpty()) sizes.setCurrentIndex(sizes.findText(r.objectSizes));
    Control<QSpinBox>(*preview, "originXBox").setValue(r.origin.x());
    Control<QSpinBox>(*preview, "originYBox").setValue(r.origin.y());
    Control<QCheckBox>(*preview, "outlinesBox").setChecked(r.outlines);
  }
  if (r.shown > 0) Control<QComboBox>(*preview, "setPictureBox").setCurrentIndex(r.shown);
  if (r.zoom > 0) Control<QComboBox>(*preview, "zoomBox").setCurrentIndex(std::min(r.zoom, 4) - 1);
  Control<QCheckBox>(*preview, "gridBox").setChecked(r.grid);
  if (!QTest::qWaitFor([preview] { return !preview->Encoding(); }, 30000)) {
    std::fprintf(stderr, "the console preview is still encoding\n");
    return 1;
  }
  QTest::qWait(300);
  const QRect area = r.screen ? preview->screen()->geometry() : preview->frameGeometry();
  return Grab(*preview, area).save(r.out) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Request request;
  if (!Parse(argc, argv, request)) {
    std::fprintf(stderr,
                 "usage: tilora_window_screenshot [--picture FILE [--grow WxH]] [--console-preview [--bpp N] [--map] "
                 "[--no-flip] [--mode7] [--tile-size 16] [--palettes N] [--sprites WxH [--obj-sizes S,L] "
                 "[--origin X,Y] [--outlines]] [--shared PICTURE]... [--show N] [--zoom N] [--grid] [--screen]] "
                 "OUT.png\n");
    return 2;
  }
  QApplication app(argc, argv);
  const tilora::testing::TempDir work;
  if (request.preview && request.picture.isEmpty()) {
    WriteSample(work / "sample.bmp");
    request.picture = QString::fromStdString(work / "sample.bmp");
  }
  TForm1 form;
  form.SetMessageSink(
      [](tilora::ui::BoxKind, const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
  form.show();
  form.activateWindow();
  if (!QTest::qWaitForWindowActive(&form)) {
    std::fprintf(stderr, "the window never became active\n");
    return 1;
  }
  if (request.picture.isEmpty()) return MenuShot(form, request.out);
  if (request.grow.isValid()) {
    form.GrowPictureArea1->setChecked(true);
    form.move(0, 0);  // the design place would put a large window past the screen's edges
    form.resize(request.grow);
  }
  form.OpenGivenFile(request.picture);
  if (!QTest::qWaitFor([&form] { return !form.Reading(); }, 30000)) {
    std::fprintf(stderr, "the picture is still being read\n");
    return 1;
  }
  // The window server takes a moment to resize and repaint the window.
  QTest::qWait(request.grow.isValid() ? 1500 : 300);
  if (request.preview) return PreviewShot(form, request);
  return Grab(form, form.frameGeometry()).save(request.out) ? 0 : 1;
}
