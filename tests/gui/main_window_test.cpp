// The main window driven through its menu actions, with the open dialog and
// the message boxes replaced so that no modal loop runs.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "bmp_builder.h"
#ifdef TILORA_HAVE_METAFILES
#include "metafile_builder.h"
#endif
#include "ui/main_window/opened_picture.h"
#include "temp_dir.h"
#include "ui/common/fonts.h"
#include "ui/main_window/main_window.h"
#include "window_driver.h"

using tilora::testing::BmpShape;
using tilora::testing::DecodeGate;
using tilora::testing::MakeShape;
using tilora::testing::BuildBmp;
using tilora::testing::TempDir;
using tilora::testing::WriteFileBytes;
using tilora::ui::BoxKind;

namespace {

using tilora::testing::Message;

// The window as the driver runs it, and its status line.
struct Window : tilora::testing::WindowDriver {
  QString Status() const { return form.stat1Panel->text(); }
};

QString Caption(QString text) { return text.remove(QLatin1Char('&')); }

std::string Picture(const TempDir& dir, const std::string& leaf, const BmpShape& shape) {
  WriteFileBytes(dir / leaf, BuildBmp(shape));
  return dir / leaf;
}

std::string Truncated(const TempDir& dir, const std::string& leaf, const BmpShape& shape, std::size_t size) {
  auto bytes = BuildBmp(shape);
  bytes.resize(size);
  WriteFileBytes(dir / leaf, bytes);
  return dir / leaf;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  QString startFolder_;
  TempDir settings_;

 private slots:
  // The window's own settings go to a folder of the test's.
  void initTestCase() { qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(settings_.path().string())); }
  void init() { startFolder_ = QDir::currentPath(); }
  void cleanup() { QDir::setCurrent(startFolder_); }

  void startsWithItsDesignState() {
    Window w;
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Tilora"));
    QVERIFY(!w.ConvertEnabled());
    QVERIFY(w.form.OpenBMP1->isEnabled());
    QVERIFY(w.form.Close1->isEnabled());
    // The captions as they read; the "&" marks the access key.
    QCOMPARE(Caption(w.form.File1->title()), QStringLiteral("File"));
    QCOMPARE(Caption(w.form.OpenBMP1->text()), QStringLiteral("Open BMP"));
    QCOMPARE(Caption(w.form.Close1->text()), QStringLiteral("Close"));
    QCOMPARE(Caption(w.form.Convert1->title()), QStringLiteral("Convert"));
    QCOMPARE(Caption(w.form.inFile1->text()), QStringLiteral("In File"));
    QCOMPARE(w.form.GroupBox1->title(), QStringLiteral("Picture Info"));
    QCOMPARE(w.form.StaticText1->text(), QStringLiteral("Resolution: "));
    QCOMPARE(w.form.StaticText3->text(), QStringLiteral("Pic Format: "));
    QCOMPARE(Caption(w.form.txt2->text()), QStringLiteral("New File Name"));
    QVERIFY(!w.form.txt1->text().isEmpty());
    QCOMPARE(w.form.Edit1->text(), QStringLiteral("Pic"));
    QCOMPARE(w.Status(), QString());
    QCOMPARE(w.form.dlgOpenPic1->Filter(),
             QStringLiteral("Bitmaps (*.bmp)|*.bmp|Pictures (*.bmp *.png)|*.bmp;*.png|All files (*)|*"));
    QCOMPARE(w.form.dlgOpenPic1->FilterIndex(), 1);
    QVERIFY(w.form.img1->Picture().isNull());
    QVERIFY(w.form.windowIcon().availableSizes().contains(QSize(32, 32)));
  }

  void placesControlsAtScaledDesignValues() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    const auto s = [&w](int v) { return w.form.Scaled(v); };
    const struct {
      QWidget* widget;
      QRect design;
    } placed[] = {
        {w.form.GroupBox1, {288, 9, 153, 105}}, {w.form.ScrollBox1, {7, 6, 262, 230}},
        {w.form.Edit1, {289, 140, 121, 21}},
    };
    for (const auto& p : placed)
      QCOMPARE(p.widget->geometry(), QRect(s(p.design.x()), s(p.design.y()), s(p.design.width()), s(p.design.height())));
    // Labels keep their design positions and take their text's size.
    const struct {
      QLabel* label;
      QPoint design;
    } labels[] = {{w.form.StaticText1, {2, 24}}, {w.form.StaticText3, {2, 39}},
                  {w.form.txt2, {289, 120}}, {w.form.txt1, {274, 218}}};
    for (const auto& l : labels) {
      QCOMPARE(l.label->pos(), QPoint(s(l.design.x()), s(l.design.y())));
      QCOMPARE(l.label->size(), l.label->sizeHint());
    }
    QCOMPARE(w.form.img1->geometry(), QRect(0, 0, s(256), s(224)));
    // The client area below the menu, with the status bar along its bottom.
    QCOMPARE(w.form.width(), s(447));
    QCOMPARE(w.form.height() - w.form.menuBar()->height(), s(257));
    QCOMPARE(w.form.stat1->geometry(), QRect(0, w.form.height() - s(19), s(447), s(19)));
    // The sunken 2-pixel frame leaves 258 x 226.
    QCOMPARE(w.form.ScrollBox1->viewport()->size(), QSize(s(262) - 4, s(230) - 4));
  }

  void onlyTheStatusBarFollowsAResize() {
    Window w;
    w.form.show();
    const QRect group = w.form.GroupBox1->geometry();
    w.form.resize(w.form.width() + 100, w.form.height() + 60);
    QCoreApplication::processEvents();
    QCOMPARE(w.form.GroupBox1->geometry(), group);
    QCOMPARE(w.form.stat1->width(), w.form.width());
    QCOMPARE(w.form.stat1->geometry().bottom(), w.form.height() - 1);
    QVERIFY(w.form.stat1->isSizeGripEnabled());
  }

  void usesTheFormAndDescriptionFonts() {
    Window w;
    QCOMPARE(w.form.font().pixelSize(), 11);
    QCOMPARE(w.form.StaticText1->font().pixelSize(), 12);
    const QString description = QFontInfo(w.form.StaticText1->font()).family();
    if (description != QLatin1String("Courier New") && description != QLatin1String("Liberation Mono"))
      QSKIP(qPrintable("no Courier New or Liberation Mono; got " + description));
    const QString form = QFontInfo(w.form.font()).family();
    if (form != QLatin1String("Tahoma")) QSKIP(qPrintable("no Tahoma; got " + form));
    // The face the layout was designed with: no scaling.
    QCOMPARE(w.form.FormTextHeight(), 13);
    QCOMPARE(w.form.Scaled(447), 447);
  }

  void cancellingChangesNothing() {
    TempDir dir;
    Window w;
    w.Open(Picture(dir, "a.bmp", MakeShape(16, 16, 4)));
    const QString status = w.Status();
    w.form.SetDialogRunner([](TOpenPictureDialog&) { return false; });
    w.form.OpenBMP1->trigger();
    QCOMPARE(w.Status(), status);
    QCOMPARE(w.form.img1->size(), QSize(16, 16));
    QVERIFY(w.TakeMessages().empty());
  }

  // Each open in turn, as the user would make them, with what the window
  // shows afterwards.
  void opensInSequence() {
    TempDir dir;
    const struct Step {
      std::string path;
      QString resolution, format;  // the description labels after the open
      QSize view;                  // img1's size
      QSize picture;               // the picture shown
      bool convert;
      std::vector<Message> messages;
    } steps[] = {
        {Picture(dir, "a.bmp", MakeShape(16, 16, 4)), "Resolution: 16x16", "Pic Format: 4bpp",
         {16, 16}, {16, 16}, true, {}},
        {Picture(dir, "rle.bmp", MakeShape(20, 30, 8, 1)), "Resolution: 16x16",
         "Pic Format: 4bpp", {20, 30}, {16, 16}, true,
         {{BoxKind::Notice, "Please use the file without compression."}}},
        {Picture(dir, "rgb.bmp", MakeShape(12, 10, 24)), "Resolution: 12x10", "Pic Format: 24bpp",
         {12, 10}, {12, 10}, true, {}},
        {dir / "missing.bmp", "Resolution: 12x10", "Pic Format: 24bpp", {12, 10}, {12, 10}, true,
         {{BoxKind::Failure, "File not found."}}},
        // Width and height were read before the file ended.
        {Truncated(dir, "cut26.bmp", MakeShape(40, 50, 8), 26), "Resolution: 12x10", "Pic Format: 24bpp",
         {40, 50}, {12, 10}, true, {{BoxKind::Failure, "Read beyond end of file."}}},
        // Only the width was.
        {Truncated(dir, "cut22.bmp", MakeShape(60, 70, 8), 22), "Resolution: 12x10", "Pic Format: 24bpp",
         {60, 50}, {12, 10}, true, {{BoxKind::Failure, "Read beyond end of file."}}},
        // Top row first: the view takes the height's absolute value.
        {Picture(dir, "down.bmp", MakeShape(16, -16, 8)), "Resolution: 16x-16",
         "Pic Format: 8bpp", {16, 16}, {16, 16}, true, {}},
    };
    Window w;
    for (const Step& step : steps) {
      w.Open(step.path);
      const QString name = QString::fromStdString(step.path);
      QCOMPARE(w.Status(), name);
      QCOMPARE(w.form.dlgOpenPic1->FileName(), name);
      QCOMPARE(w.form.StaticText1->text(), step.resolution);
      QCOMPARE(w.form.StaticText3->text(), step.format);
      QCOMPARE(w.form.img1->size(), step.view);
      QCOMPARE(w.form.img1->Picture().size(), step.picture);
      QCOMPARE(w.ConvertEnabled(), step.convert);
      QCOMPARE(w.TakeMessages(), step.messages);
    }
  }

  void refusalBeforeAnyAcceptedOpenKeepsConvertDisabled() {
    TempDir dir;
    Window w;
    w.Open(Picture(dir, "rle.bmp", MakeShape(8, 8, 8, 2)));
    QVERIFY(!w.ConvertEnabled());
    w.Open(dir / "missing.bmp");
    QVERIFY(!w.ConvertEnabled());
    QCOMPARE(w.TakeMessages().size(), std::size_t{2});
  }

  void inFileWritesBothFilesBesideThePicture() {
    TempDir dir, elsewhere;
    QDir::setCurrent(QString::fromStdString(elsewhere.path().string()));
    Window w;
    w.Open(Picture(dir, "a.bmp", MakeShape(16, 16, 4)));
    w.Convert();
    QVERIFY(w.TakeMessages().empty());
    QCOMPARE(dir.List(), (std::vector<std::string>{"Pic.bin", "Pic.plt", "a.bmp"}));
    QCOMPARE(std::filesystem::file_size(dir / "Pic.plt"), std::uintmax_t{32});
    QCOMPARE(std::filesystem::file_size(dir / "Pic.bin"), std::uintmax_t{128});
    QVERIFY(elsewhere.List().empty());

    w.form.Edit1->setText(QStringLiteral("out/Tiles"));
    std::filesystem::create_directory(dir.path() / "out");
    w.Open(Picture(dir, "b.bmp", MakeShape(9, 8, 8)));
    w.Convert();
    QVERIFY(w.TakeMessages().empty());
    QCOMPARE(std::filesystem::file_size(dir / "out/Tiles.plt"), std::uintmax_t{512});
    QCOMPARE(std::filesystem::file_size(dir / "out/Tiles.bin"), std::uintmax_t{128});
  }

#ifdef TILORA_HAVE_METAFILES
  // An accepted metafile shows at its decoded size: the header fields read
  // from its bytes say nothing about it.
  void acceptedMetafileTakesItsDecodedSize() {
    using tilora::testing::MetafileBuilder;
    TempDir dir;
    MetafileBuilder emf(MetafileBuilder::Kind::kEmf, 120, 70);
    emf.SolidBrush({200, 30, 40});
    emf.Rectangle(10, 10, 60, 40);
    auto bytes = emf.Finish();
    bytes[30] = bytes[31] = 0;  // the compression field as the window reads it
    WriteFileBytes(dir / "shape.emf", bytes);
    Window w;
    w.Open(dir / "shape.emf");
    QCOMPARE(w.TakeMessages(), std::vector<Message>{});
    QVERIFY(w.ConvertEnabled());
    QCOMPARE(w.form.img1->size(), QSize(120, 70));
  }
#endif

  // A file given on the command line opens as if chosen in the dialog: a
  // relative name becomes the dialog's full path and the folder current.
  void givenFileOpensAsIfChosen() {
    TempDir dir;
    Picture(dir, "given.bmp", MakeShape(16, 8, 8));
    QDir::setCurrent(QString::fromStdString(dir.path().string()));
    Window w;
    w.form.SetDialogRunner([](TOpenPictureDialog&) -> bool { throw std::logic_error("no dialog here"); });
    w.form.OpenGivenFile(QStringLiteral("given.bmp"));
    w.Settle();
    QVERIFY(w.TakeMessages().empty());
    const QString full = QString::fromStdString(dir / "given.bmp");
    QCOMPARE(w.form.dlgOpenPic1->FileName(), full);
    QCOMPARE(w.Status(), full);
    QCOMPARE(w.form.StaticText1->text(), QStringLiteral("Resolution: 16x8"));
    QVERIFY(w.ConvertEnabled());
    w.Convert();
    QCOMPARE(dir.List(), (std::vector<std::string>{"Pic.bin", "Pic.plt", "given.bmp"}));

    w.form.OpenGivenFile(QString::fromStdString(dir / "missing.bmp"));
    w.Settle();
    QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Failure, QStringLiteral("File not found.")}}));
  }

  // Refusals reach the notice box, failures the failure box, and a picture
  // whose last open did not end in acceptance is never converted.
  void inFileReportsRefusalsAndFailures() {
    const struct Case {
      const char* name;
      std::vector<BmpShape> opens;  // empty shape width 0: a missing file
      bool removeAfterOpen;
      Message expected;
    } cases[] = {
        {"24-bit", {MakeShape(12, 10, 24)}, false,
         {BoxKind::Notice, QString::fromStdString(tilora::DepthNotice(24))}},
        {"picture gone", {MakeShape(8, 8, 8)}, true, {BoxKind::Failure, "File not found."}},
        {"refused after accepted", {MakeShape(8, 8, 8), MakeShape(8, 8, 8, 1)},
         false, {BoxKind::Notice, tilora::kStaleHeaderNotice}},
        {"missing after accepted", {MakeShape(8, 8, 8), MakeShape(0, 8, 8)}, false,
         {BoxKind::Notice, tilora::kStaleHeaderNotice}},
    };
    for (const Case& c : cases) {
      TempDir dir;
      Window w;
      std::string last;
      for (std::size_t i = 0; i < c.opens.size(); ++i) {
        last = dir / QStringLiteral("p%1.bmp").arg(i).toStdString();
        if (c.opens[i].width != 0) WriteFileBytes(last, BuildBmp(c.opens[i]));
        w.Open(last);
      }
      if (c.removeAfterOpen) std::filesystem::remove(last);
      w.TakeMessages();
      w.Convert();
      QVERIFY2(w.TakeMessages() == std::vector<Message>{c.expected}, c.name);
      for (const std::string& leaf : dir.List()) QVERIFY2(leaf.rfind("Pic.", 0) != 0, c.name);
    }
  }

  void acceptedOpenAfterARefusalConvertsAgain() {
    TempDir dir;
    Window w;
    w.Open(Picture(dir, "a.bmp", MakeShape(8, 8, 8)));
    w.Open(Truncated(dir, "cut.bmp", MakeShape(8, 8, 8), 26));
    w.Open(dir / "a.bmp");
    w.TakeMessages();
    w.Convert();
    QVERIFY(w.TakeMessages().empty());
    QVERIFY(std::filesystem::exists(dir / "Pic.bin"));
  }

  void displayFailureKeepsThePictureButDescribesTheOpen() {
    TempDir dir;
    Window w;
    w.Open(Picture(dir, "a.bmp", MakeShape(16, 16, 4)));
    Picture(dir, "b.dat", MakeShape(24, 8, 8));
    // A header form no bitmap has: the fields read, the picture does not.
    auto oddHeader = BuildBmp(MakeShape(32, 8, 8));
    oddHeader[14] = 20;
    WriteFileBytes(dir / "c.bmp", oddHeader);
    const struct {
      const char* leaf;
      QString failure, resolution;
    } cases[] = {
        {"b.dat", "Unknown picture file extension (.dat)", "Resolution: 24x8"},
        {"c.bmp", "Bitmap image is not valid.", "Resolution: 32x8"},
    };
    for (const auto& c : cases) {
      w.Open(dir / c.leaf);
      QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Failure, c.failure}}));
      QCOMPARE(w.form.StaticText1->text(), c.resolution);
      QCOMPARE(w.form.img1->Picture().size(), QSize(16, 16));
      QVERIFY(w.ConvertEnabled());
    }
  }

  // A file named .bmp that is no bitmap is refused like a compressed one:
  // the description and the picture stay those of the last accepted open.
  void notABitmapIsRefusedWithANotice() {
    TempDir dir;
    Window w;
    w.Open(Picture(dir, "a.bmp", MakeShape(16, 16, 4)));
    w.TakeMessages();
    auto noSignature = BuildBmp(MakeShape(32, 8, 8));
    noSignature[0] = 'X';
    WriteFileBytes(dir / "c.bmp", noSignature);
    auto twoPlanes = BuildBmp(MakeShape(32, 8, 8));
    twoPlanes[26] = 2;
    WriteFileBytes(dir / "d.bmp", twoPlanes);
    for (const char* leaf : {"c.bmp", "d.bmp"}) {
      w.Open(dir / leaf);
      QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Notice, "This file is not a BMP picture."}}));
      QCOMPARE(w.form.StaticText1->text(), QString("Resolution: 16x16"));
      // Its bytes at the header's offsets are no size of a picture.
      QCOMPARE(w.form.img1->size(), QSize(16, 16));
      QCOMPARE(w.form.img1->Picture().size(), QSize(16, 16));
      w.Convert();
      QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Notice, QString::fromLatin1(tilora::kStaleHeaderNotice)}}));
    }
  }

  // The window converts the picture it showed: one rewritten since is
  // refused, and converts after it is opened again.
  void pictureChangedSinceOpenIsNotConverted() {
    TempDir dir;
    Window w;
    w.Open(Picture(dir, "a.bmp", MakeShape(16, 16, 4)));
    Picture(dir, "a.bmp", MakeShape(16, 32, 4));
    w.TakeMessages();
    w.Convert();
    QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Notice, QString::fromLatin1(tilora::kChangedNotice)}}));
    QVERIFY(!std::filesystem::exists(dir / "Pic.bin"));
    w.Open(dir / "a.bmp");
    w.TakeMessages();
    w.Convert();
    QVERIFY(w.TakeMessages().empty());
    QCOMPARE(std::filesystem::file_size(dir / "Pic.bin"), std::uintmax_t{16 * 32 / 2});
  }

  // After In File the status bar names the files written, until the next
  // command; a refused conversion shows the picture's name again.
  void statusBarNamesTheFilesWritten() {
    TempDir dir;
    Window w;
    const std::string picture = Picture(dir, "a.bmp", MakeShape(16, 16, 4));
    w.Open(picture);
    w.TakeMessages();
    w.Convert();
    QCOMPARE(w.form.stat1Panel->text(), QStringLiteral("Wrote Pic.plt, Pic.bin"));
    Picture(dir, "a.bmp", MakeShape(16, 32, 4));
    w.Convert();
    QCOMPARE(w.form.stat1Panel->text(), QString::fromStdString(picture));
    w.Open(picture);
    QCOMPARE(w.form.stat1Panel->text(), QString::fromStdString(picture));
  }

  void largePictureScrollsInTheFrame() {
    TempDir dir;
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    QScrollBar* h = w.form.ScrollBox1->horizontalScrollBar();
    QScrollBar* v = w.form.ScrollBox1->verticalScrollBar();
    const struct {
      int width, height;
      bool horizontal, vertical;
    } cases[] = {{256, 224, false, false}, {250, 300, true, true}, {300, 100, true, false}, {100, 300, false, true}};
    for (const auto& c : cases) {
      w.Open(Picture(dir, "p.bmp", MakeShape(c.width, c.height, 8)));
      QCoreApplication::processEvents();
      QCOMPARE(h->isVisible(), c.horizontal);
      QCOMPARE(v->isVisible(), c.vertical);
      const QSize visible = w.form.ScrollBox1->viewport()->size();
      QCOMPARE(h->maximum(), std::max(0, c.width - visible.width()));
      QCOMPARE(v->maximum(), std::max(0, c.height - visible.height()));
      QCOMPARE(v->pageStep(), visible.height());
    }
    QCOMPARE(v->singleStep(), 8);
    QCOMPARE(h->singleStep(), 8);
    QVERIFY(!v->hasTracking());
  }

  // On, the picture area takes what the window gains, and the controls
  // beside it move along rather than under it; off, every control is back
  // at its design place. The choice outlives the window.
  void growPictureAreaFollowsTheWindow() {
    TempDir dir;
    {
      Window w;
      w.form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w.form));
      QVERIFY(!w.form.GrowPictureArea1->isChecked());
      const QRect area = w.form.ScrollBox1->geometry();
      const QRect group = w.form.GroupBox1->geometry();
      w.form.GrowPictureArea1->trigger();
      w.form.resize(w.form.width() + 300, w.form.height() + 200);
      QCoreApplication::processEvents();
      QCOMPARE(w.form.ScrollBox1->size(), area.size() + QSize(300, 200));
      for (QWidget* beside : {static_cast<QWidget*>(w.form.GroupBox1), static_cast<QWidget*>(w.form.txt2),
                              static_cast<QWidget*>(w.form.Edit1), static_cast<QWidget*>(w.form.txt1)}) {
        QVERIFY(!beside->geometry().intersects(w.form.ScrollBox1->geometry()));
        QVERIFY(w.form.centralWidget()->rect().contains(beside->geometry()));
      }
      // A picture 300 pixels wider and 200 higher than the design area
      // now shows whole.
      const QSize shown = w.form.ScrollBox1->viewport()->size();
      w.Open(Picture(dir, "large.bmp", MakeShape(shown.width(), shown.height(), 8)));
      QCoreApplication::processEvents();
      QVERIFY(!w.form.ScrollBox1->horizontalScrollBar()->isVisible());
      QVERIFY(!w.form.ScrollBox1->verticalScrollBar()->isVisible());

      w.form.GrowPictureArea1->trigger();
      QCOMPARE(w.form.ScrollBox1->geometry(), area);
      QCOMPARE(w.form.GroupBox1->geometry(), group);
      w.form.GrowPictureArea1->trigger();
    }
    Window again;
    QVERIFY(again.form.GrowPictureArea1->isChecked());
    again.form.GrowPictureArea1->trigger();
    QVERIFY(!Window().form.GrowPictureArea1->isChecked());
  }

  // A picture dropped on the window opens as if chosen in the dialog: the
  // first local file of those dropped; anything else is not taken.
  void droppedFileOpensAsIfChosen() {
    TempDir dir, elsewhere;
    QDir::setCurrent(QString::fromStdString(elsewhere.path().string()));
    const QString picture = QString::fromStdString(Picture(dir, "a.bmp", MakeShape(16, 8, 8)));
    Picture(dir, "b.bmp", MakeShape(8, 8, 8));
    Window w;
    w.form.show();
    QMimeData text;
    text.setText(QStringLiteral("a.bmp"));
    text.setUrls({QUrl(QStringLiteral("data:,a.bmp"))});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w.form, &refused);
    QVERIFY(!refused.isAccepted());

    QMimeData files;
    files.setUrls({QUrl(QStringLiteral("data:,x")), QUrl::fromLocalFile(picture),
                   QUrl::fromLocalFile(QString::fromStdString(dir / "b.bmp"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w.form, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w.form, &drop);
    QTRY_COMPARE(w.form.dlgOpenPic1->FileName(), picture);
    w.Settle();
    QCOMPARE(w.Status(), picture);
    QCOMPARE(w.form.StaticText1->text(), QStringLiteral("Resolution: 16x8"));
    w.Convert();
    QVERIFY(w.TakeMessages().empty());
    QCOMPARE(dir.List(), (std::vector<std::string>{"Pic.bin", "Pic.plt", "a.bmp", "b.bmp"}));
  }

  // "In File" before the picture has been read converts nothing and says
  // why; once it shows, it converts.
  void inFileWhileReadingIsRefused() {
    TempDir dir;
    Window w;
    DecodeGate gate;
    w.form.SetPictureDecoder(gate.Decoder());
    w.Start(Picture(dir, "a.bmp", MakeShape(16, 16, 4)));
    QVERIFY(w.form.Reading());
    QVERIFY(w.ConvertEnabled());
    w.Convert();
    QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Notice, tilora::kStillReadingNotice}}));
    QCOMPARE(dir.List(), std::vector<std::string>{"a.bmp"});
    gate.Release();
    w.Settle();
    w.Convert();
    QVERIFY(w.TakeMessages().empty());
    QCOMPARE(std::filesystem::file_size(dir / "Pic.bin"), std::uintmax_t{128});
  }

  // While a picture is read the window turns its event loop (its menus
  // open), and a later open replaces it: the earlier picture never shows,
  // nor is it what "In File" converts.
  void openReplacedWhileReading() {
    TempDir dir;
    Window w;
    DecodeGate gate("slow");
    w.form.SetPictureDecoder(gate.Decoder());
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    w.Start(Picture(dir, "slow.bmp", MakeShape(40, 24, 8)));
    QVERIFY(w.form.Reading());
    QTRY_COMPARE(gate.Decodings(), 1);
    QCOMPARE(w.form.StaticText1->text(), QStringLiteral("Resolution: 40x24"));
    w.form.File1->popup(w.form.mapToGlobal(QPoint(0, 0)));
    QTRY_VERIFY(w.form.File1->isVisible());
    w.form.File1->hide();

    w.Open(Picture(dir, "quick.bmp", MakeShape(16, 8, 4)));
    QCOMPARE(w.form.img1->Picture().size(), QSize(16, 8));
    gate.Release();
    QTRY_COMPARE(gate.Decodings(), 2);
    QTest::qWait(200);  // the slow read's end, had it been shown
    QCOMPARE(w.form.img1->Picture().size(), QSize(16, 8));
    QCOMPARE(w.form.StaticText1->text(), QStringLiteral("Resolution: 16x8"));
    w.Convert();
    QVERIFY(w.TakeMessages().empty());
    QCOMPARE(std::filesystem::file_size(dir / "Pic.bin"), std::uintmax_t{2 * 32});
  }

  void labelsFollowTheirText() {
    TempDir dir;
    Window w;
    w.Open(Picture(dir, "small.bmp", MakeShape(8, 8, 4)));
    const int narrow = w.form.StaticText1->width();
    w.Open(Picture(dir, "large.bmp", MakeShape(1000, 1000, 4)));
    QVERIFY(w.form.StaticText1->width() > narrow);
    QCOMPARE(w.form.StaticText1->size(), w.form.StaticText1->sizeHint());
    QCOMPARE(w.form.StaticText3->size(), w.form.StaticText3->sizeHint());

    const QSize before = w.form.txt2->size();
    const QPoint at = w.form.txt2->pos();
    QFont larger = w.form.font();
    larger.setPixelSize(22);
    w.form.setFont(larger);
    QVERIFY(w.form.txt2->width() > before.width() && w.form.txt2->height() > before.height());
    QCOMPARE(w.form.txt2->pos(), at);
  }

  void longNameIsClippedNotWidening() {
    TempDir dir;
    Window w;
    w.form.show();
    const int width = w.form.width();
    w.Open(dir / (std::string(200, 'x') + ".bmp"));
    QCoreApplication::processEvents();
    QCOMPARE(w.form.width(), width);
    QVERIFY(w.form.minimumSizeHint().width() < width);
  }

  void failureInsideTheDialogRunnerReachesTheBox() {
    Window w;
    w.form.SetDialogRunner([](TOpenPictureDialog&) -> bool { throw std::runtime_error("Dialog broke"); });
    w.form.OpenBMP1->trigger();
    QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Failure, "Dialog broke."}}));
  }

  void failureOfTheDialogsPreviewReachesTheBox() {
    Window w;
    QVERIFY(w.form.dlgOpenPic1->FailureBox);
    w.form.dlgOpenPic1->FailureBox(QStringLiteral("Preview broke"));
    QCOMPARE(w.TakeMessages(), (std::vector<Message>{{BoxKind::Failure, "Preview broke."}}));
  }

  void closeEndsTheWindow() {
    Window w;
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    w.form.Close1->trigger();
    QVERIFY(!w.form.isVisible());
    QVERIFY(w.TakeMessages().empty());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
