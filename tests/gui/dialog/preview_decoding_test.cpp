// The preview decodes off the user-interface thread: a slow picture never
// holds up the selection, and an older picture never replaces a newer one.
// Ctrl+P opens the larger preview from the keyboard.
#include <QCoreApplication>
#include <QFileInfo>
#include <QMutex>
#include <QSemaphore>
#include <QThread>

#include <map>
#include <memory>

#include "dialog_test_support.h"
#include "gui_test_main.h"
#ifdef TILORA_HAVE_METAFILES
#include "metafile_builder.h"
#endif

using tilora::testing::CompareState;
using tilora::testing::kNoPicture;
using tilora::testing::Path;
using tilora::testing::PreviewState;
using tilora::testing::StateOf;
using tilora::testing::TempDir;
using tilora::testing::TestDialog;
using tilora::testing::WriteBmp;
using tilora::testing::WriteBytes;

namespace {

// Long enough for any test step; bounds the wait if a test fails before it
// lets a file go.
constexpr int kHoldLimitMs = 10000;

// A decoder that holds the named files until the test lets each go, as a
// metafile running to its time limit would; other files decode at once.
class HeldDecodes {
 public:
  explicit HeldDecodes(const QStringList& held) {
    for (const QString& path : held) gates_[path] = std::make_unique<QSemaphore>();
  }

  static TOpenPictureDialog::PictureDecoder Decoder(const std::shared_ptr<HeldDecodes>& self) {
    return [self](const QString& path, QString* error) { return self->Decode(path, error); };
  }
  void Release(const QString& path) { gates_.at(path)->release(); }
  void ReleaseAll() {
    for (auto& gate : gates_) gate.second->release();
  }
  QStringList Started() const {
    const QMutexLocker lock(&mutex_);
    return started_;
  }
  QStringList Finished() const {
    const QMutexLocker lock(&mutex_);
    return finished_;
  }
  bool RanOnUiThread() const {
    const QMutexLocker lock(&mutex_);
    return ranOnUiThread_;
  }

 private:
  QImage Decode(const QString& path, QString* error) {
    {
      const QMutexLocker lock(&mutex_);
      started_ << path;
      ranOnUiThread_ = ranOnUiThread_ || QThread::currentThread() == QCoreApplication::instance()->thread();
    }
    if (const auto gate = gates_.find(path); gate != gates_.end()) gate->second->tryAcquire(1, kHoldLimitMs);
    QImage picture = tilora::ui::LoadPicture(path, error);
    const QMutexLocker lock(&mutex_);
    finished_ << path;
    return picture;
  }

  std::map<QString, std::unique_ptr<QSemaphore>> gates_;  // fixed once built
  mutable QMutex mutex_;
  QStringList started_;
  QStringList finished_;
  bool ranOnUiThread_ = false;
};

// Lets every held file go when the test ends, however it ends, so the
// dialog's teardown does not wait out the hold.
struct ReleaseAtEnd {
  std::shared_ptr<HeldDecodes> held;
  ~ReleaseAtEnd() { held->ReleaseAll(); }
};

}  // namespace

class PreviewDecodingTest : public QObject {
  Q_OBJECT

 private slots:
  // "a" is selected and its decode gets under way; the user moves on to "b"
  // at once. The decodes end in either order.
  void SlowDecodeNeitherBlocksNorOverwritesANewerSelection_data() {
    QTest::addColumn<QStringList>("endOrder");
    QTest::newRow("older decode ends last") << QStringList{"b.bmp", "a.bmp"};
    QTest::newRow("older decode ends first") << QStringList{"a.bmp", "b.bmp"};
  }
  void SlowDecodeNeitherBlocksNorOverwritesANewerSelection() {
    QFETCH(QStringList, endOrder);
    TempDir dir;
    const QString a = WriteBmp(dir, "a.bmp", 32, 16);
    const QString b = WriteBmp(dir, "b.bmp", 8, 24);
    const auto held = std::make_shared<HeldDecodes>(QStringList{a, b});
    TestDialog dialog;
    const ReleaseAtEnd release{held};
    dialog.PreviewDecoder = HeldDecodes::Decoder(held);
    const PreviewState bShown{QStringLiteral(" (8x24)"), QString(), true, QSize(8, 24)};

    QStringList states;
    dialog.script = [&](QFileDialog&) {
      dialog.SelectOnly(a);
      QTRY_VERIFY(held->Started().contains(a));
      dialog.SelectOnly(b);
      // Both selections came back while their pictures were still held.
      QVERIFY(held->Finished().isEmpty());
      QCOMPARE(dialog.FileName(), b);
      CompareState(StateOf(dialog), kNoPicture);

      int stillHeld = 2;
      for (const QString& leaf : endOrder) {
        held->Release(Path(dir, leaf.toLatin1().constData()));
        --stillHeld;
        QTRY_COMPARE(dialog.Decodes()->Running(), stillHeld);
        const bool bEnded = leaf == QLatin1String("b.bmp") || stillHeld == 0;
        CompareState(StateOf(dialog), bEnded ? bShown : kNoPicture);
        states << StateOf(dialog).label;
      }
    };
    dialog.Run();
    QCOMPARE(states.size(), 2);
    QVERIFY(!held->RanOnUiThread());
    QCOMPARE(dialog.PreviewedFileName(), b);
  }

  // The queue on its own: of requests overtaken while running, only the
  // latest is delivered, whichever ends first; Cancel drops even that.
  void DecoderDeliversTheLatestRequestOnly_data() {
    QTest::addColumn<QStringList>("endOrder");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QStringList>("delivered");
    QTest::newRow("older ends first") << QStringList{"a.bmp", "b.bmp"} << false << QStringList{"b.bmp"};
    QTest::newRow("older ends last") << QStringList{"b.bmp", "a.bmp"} << false << QStringList{"b.bmp"};
    QTest::newRow("cancelled") << QStringList{"b.bmp", "a.bmp"} << true << QStringList{};
  }
  void DecoderDeliversTheLatestRequestOnly() {
    QFETCH(QStringList, endOrder);
    QFETCH(bool, cancel);
    QFETCH(QStringList, delivered);
    TempDir dir;
    const QString a = WriteBmp(dir, "a.bmp", 32, 16);
    const QString b = WriteBmp(dir, "b.bmp", 8, 24);
    const auto held = std::make_shared<HeldDecodes>(QStringList{a, b});
    TPreviewDecoder decoder;
    const ReleaseAtEnd release{held};
    QStringList got;
    connect(&decoder, &TPreviewDecoder::Decoded, this, [&](const QString& path, const QImage& picture) {
      got << QFileInfo(path).fileName();
      QVERIFY(!picture.isNull());
    });
    decoder.Request(a, HeldDecodes::Decoder(held));
    QTRY_VERIFY(held->Started().contains(a));
    decoder.Request(b, HeldDecodes::Decoder(held));
    QTRY_VERIFY(held->Started().contains(b));
    QVERIFY(decoder.Pending());
    if (cancel) decoder.Cancel();
    for (const QString& leaf : endOrder) held->Release(Path(dir, leaf.toLatin1().constData()));
    QTRY_COMPARE(decoder.Running(), 0);
    QCOMPARE(got, delivered);
    QVERIFY(!decoder.Pending());
  }

#ifdef TILORA_HAVE_METAFILES
  // The metafile decoder starts its helper process from the worker thread.
  void MetafileDecodesOffTheUiThread() {
    using tilora::testing::MetafileBuilder;
    TempDir dir;
    MetafileBuilder emf(MetafileBuilder::Kind::kEmf, 120, 70);
    emf.SolidBrush({200, 30, 40});
    emf.Rectangle(10, 10, 60, 40);
    tilora::testing::WriteFileBytes(dir / "shape.emf", emf.Finish());
    TestDialog dialog;
    dialog.script = [&](QFileDialog&) { dialog.Select(Path(dir, "shape.emf")); };
    dialog.Run();
    CompareState(StateOf(dialog), {QStringLiteral(" (120x70)"), QString(), true, QSize(120, 70)});
  }
#endif

  void CtrlPOpensThePreviewOfAPicture_data() {
    QTest::addColumn<bool>("picture");
    QTest::newRow("picture") << true;
    QTest::newRow("no picture") << false;
  }
  void CtrlPOpensThePreviewOfAPicture() {
    QFETCH(bool, picture);
    TempDir dir;
    const QString selected = picture ? WriteBmp(dir, "tiles.bmp", 32, 16) : WriteBytes(dir, "notes.txt", "sky\n");
    TestDialog dialog;
    QSize previewed;
    dialog.previewScript = [&](TPreviewForm& form) { previewed = form.Image()->Picture().size(); };
    dialog.script = [&](QFileDialog& host) {
      dialog.Select(selected);
      host.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&host));
      QWidget* focus = QApplication::focusWidget();
      QVERIFY(focus && focus->window() == &host);
      QTest::keyClick(focus, Qt::Key_P, Qt::ControlModifier);
    };
    dialog.Run();
    QCOMPARE(dialog.previews, picture ? 1 : 0);
    if (picture) QCOMPARE(previewed, QSize(32, 16));
    // The button itself stays out of the focus chain and keeps its tip.
    QCOMPARE(dialog.PreviewButton()->focusPolicy(), Qt::NoFocus);
    QCOMPARE(dialog.PreviewButton()->toolTip(), QStringLiteral("Preview"));
  }
};

TILORA_GUI_TEST_MAIN(PreviewDecodingTest)
#include "preview_decoding_test.moc"
