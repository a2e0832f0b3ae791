// The metafile decoders, run as the window runs them: through the helper
// process found beside this test program.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <filesystem>

#include "bmp_builder.h"
#include "metafile/metafile_client.h"
#include "metafile_builder.h"
#include "temp_dir.h"
#include "ui/common/picture_loader.h"

namespace tilora::metafile {
namespace {

using testing::MetafileBuilder;
using testing::Rgb;
using testing::TempDir;
using Kind = MetafileBuilder::Kind;

const char* ExtensionOf(Kind kind) { return kind == Kind::kEmf ? "emf" : "wmf"; }

QImage Decode(const TempDir& dir, Kind kind, const std::vector<std::uint8_t>& bytes, QString* error,
              const std::string& extension = "") {
  const std::string path = dir / ("picture." + (extension.empty() ? ExtensionOf(kind) : extension));
  testing::WriteFileBytes(path, bytes);
  return DecodeMetafile(QString::fromStdString(path), error);
}

QRgb Opaque(Rgb c) { return qRgb(c.r, c.g, c.b); }

class FidelityTest : public ::testing::TestWithParam<Kind> {};

INSTANTIATE_TEST_SUITE_P(Both, FidelityTest, ::testing::Values(Kind::kEmf, Kind::kWmf),
                         [](const auto& p) { return std::string(ExtensionOf(p.param)); });

TEST_P(FidelityTest, ShapesKeepTheirExactColoursAndPlaces) {
  TempDir dir;
  QString error;
  const QImage image = Decode(dir, GetParam(), testing::FidelityPicture(GetParam()), &error);
  ASSERT_FALSE(image.isNull()) << error.toStdString();
  EXPECT_EQ(image.size(), QSize(200, 120));
  struct Probe {
    int x, y;
    Rgb colour;
    const char* what;
  };
  const Rgb white{255, 255, 255}, navy{0x12, 0x34, 0x56}, rust{0xC8, 0x64, 0x1E}, green{0x0A, 0xB0, 0x3C};
  const Probe probes[] = {
      {2, 2, white, "background"},           {197, 117, white, "background corner"},
      {40, 30, navy, "rectangle centre"},    {12, 12, navy, "rectangle top-left"},
      {67, 47, navy, "rectangle bottom-right"}, {74, 30, white, "right of the rectangle"},
      {120, 40, rust, "ellipse centre"},     {120, 13, rust, "ellipse top"},
      {92, 12, white, "box corner outside the ellipse"},
      {30, 100, green, "polyline first run"}, {60, 90, green, "polyline riser"},
      {85, 80, green, "polyline second run"}, {30, 95, white, "beside the 3-pixel line"},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(image.pixel(p.x, p.y), Opaque(p.colour)) << p.what << " at " << p.x << "," << p.y;

  // The text: purple glyphs inside its box and nowhere else.
  int purple = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == qRgb(0x80, 0x00, 0x80)) {
        ++purple;
        EXPECT_TRUE(QRect(128, 78, 60, 32).contains(x, y)) << x << "," << y;
      }
  EXPECT_GT(purple, 40);
}

TEST_P(FidelityTest, PenWidthsAreKept) {
  MetafileBuilder m(GetParam(), 100, 100);
  m.Pen({255, 0, 0}, 10);
  m.Polyline({{10, 40}, {90, 40}});
  m.Pen({0, 0, 255}, 1);
  m.Polyline({{10, 70}, {90, 70}});
  TempDir dir;
  QString error;
  const QImage image = Decode(dir, GetParam(), m.Finish(), &error);
  ASSERT_FALSE(image.isNull()) << error.toStdString();
  for (int y = 37; y <= 43; ++y) EXPECT_EQ(image.pixel(50, y), qRgb(255, 0, 0)) << y;
  EXPECT_EQ(qAlpha(image.pixel(50, 30)), 0);
  EXPECT_EQ(qAlpha(image.pixel(50, 50)), 0);
  EXPECT_EQ(image.pixel(50, 70), qRgb(0, 0, 255));
  EXPECT_EQ(qAlpha(image.pixel(50, 72)), 0);
}

TEST_P(FidelityTest, BitmapsAreStretchedIntoTheirBox) {
  testing::BmpShape bmp;
  bmp.width = 2;
  bmp.height = 2;
  bmp.depth = 8;
  bmp.pixels = {0, 1, 2, 3};  // top row first
  bmp.palette = {{0x10, 0x20, 0x30}, {0x40, 0x50, 0x60}, {0x70, 0x80, 0x90}, {0xA0, 0xB0, 0xC0}};
  MetafileBuilder m(GetParam(), 40, 40);
  m.Bitmap(10, 10, 20, 20, testing::BuildBmp(bmp));
  TempDir dir;
  QString error;
  const QImage image = Decode(dir, GetParam(), m.Finish(), &error);
  ASSERT_FALSE(image.isNull()) << error.toStdString();
  // Near the outer corners of each quarter, where smoothing cannot reach.
  EXPECT_EQ(image.pixel(11, 11), qRgb(0x30, 0x20, 0x10));
  EXPECT_EQ(image.pixel(28, 11), qRgb(0x60, 0x50, 0x40));
  EXPECT_EQ(image.pixel(11, 28), qRgb(0x90, 0x80, 0x70));
  EXPECT_EQ(image.pixel(28, 28), qRgb(0xC0, 0xB0, 0xA0));
  EXPECT_EQ(qAlpha(image.pixel(5, 5)), 0);
  EXPECT_EQ(qAlpha(image.pixel(34, 34)), 0);
}

TEST_P(FidelityTest, SizeComesFromTheHeader) {
  for (const QSize size : {QSize(1, 1), QSize(37, 200), QSize(640, 3)}) {
    MetafileBuilder m(GetParam(), size.width(), size.height());
    m.NullPen();
    m.SolidBrush({1, 2, 3});
    m.Rectangle(0, 0, size.width() + 1, size.height() + 1);
    TempDir dir;
    QString error;
    const QImage image = Decode(dir, GetParam(), m.Finish(), &error);
    ASSERT_FALSE(image.isNull()) << error.toStdString();
    EXPECT_EQ(image.size(), size);
  }
}

struct BadFile {
  const char* name;
  const char* extension;
  std::vector<std::uint8_t> bytes;
};

void PrintTo(const BadFile& b, std::ostream* os) { *os << b.name; }

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<std::uint8_t> HugeEmf() {
  auto bytes = testing::FidelityPicture(Kind::kEmf);
  bytes[32] = bytes[33] = bytes[34] = 0x7F;  // frame right edge ~ 2^31 * 0.01 mm
  return bytes;
}

// Found by fuzzing: the converter read a description beyond the file.
std::vector<std::uint8_t> EmfDescriptionOutside() {
  auto bytes = testing::FidelityPicture(Kind::kEmf);
  bytes[60] = 0x40;  // 64 characters
  bytes[64] = 0xF0;  // at offset 240, beyond the 88-byte header
  return bytes;
}

class BadFileTest : public ::testing::TestWithParam<BadFile> {};

INSTANTIATE_TEST_SUITE_P(
    All, BadFileTest,
    ::testing::Values(BadFile{"EmptyEmf", "emf", {}}, BadFile{"EmptyWmf", "wmf", {}},
                      BadFile{"TextAsEmf", "emf", {'h', 'e', 'l', 'l', 'o', '\n'}},
                      BadFile{"TextAsWmf", "wmf", {'h', 'e', 'l', 'l', 'o', '\n'}},
                      BadFile{"EmfHeaderCut", "emf", Cut(testing::FidelityPicture(Kind::kEmf), 60)},
                      BadFile{"WmfHeaderCut", "wmf", Cut(testing::FidelityPicture(Kind::kWmf), 30)},
                      BadFile{"WmfNamedEmf", "emf", testing::FidelityPicture(Kind::kWmf)},
                      BadFile{"EmfNamedWmf", "wmf", testing::FidelityPicture(Kind::kEmf)},
                      BadFile{"HugeEmf", "emf", HugeEmf()},
                      BadFile{"EmfDescriptionOutside", "emf", EmfDescriptionOutside()}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_P(BadFileTest, FailsWithAClearText) {
  TempDir dir;
  QString error;
  const QImage image = Decode(dir, Kind::kEmf, GetParam().bytes, &error, GetParam().extension);
  EXPECT_TRUE(image.isNull());
  EXPECT_TRUE(error.startsWith(QStringLiteral("Metafile is not valid ("))) << error.toStdString();
  EXPECT_FALSE(error.contains(QStringLiteral("crashed"))) << error.toStdString();
}

// Found by fuzzing: the spans of extreme edges overflowed (the sanitizer
// build catches that); the converter cannot place such a drawing.
TEST(MetafileClient, ExtremeEmfBoundsFailCleanly) {
  auto bytes = testing::FidelityPicture(Kind::kEmf);
  const std::uint8_t extremes[] = {0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x80,
                                   0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F};
  std::copy(std::begin(extremes), std::end(extremes), bytes.begin() + 8);
  TempDir dir;
  QString error;
  EXPECT_TRUE(Decode(dir, Kind::kEmf, bytes, &error).isNull());
  EXPECT_EQ(error.toStdString(), "Metafile is not valid (the enhanced metafile's drawing cannot be rendered)");
}

TEST(MetafileClient, MissingFileCannotBeOpened) {
  TempDir dir;
  QString error;
  EXPECT_TRUE(DecodeMetafile(QString::fromStdString(dir / "none.wmf"), &error).isNull());
  EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot open file \""))) << error.toStdString();
}

// Stand-ins for a helper that misbehaves.
class FakeHelperTest : public ::testing::Test {
 protected:
  QImage Run(const std::string& script, int timeLimitMs, QString* error) {
    const std::string program = dir_ / "fake-helper";
    const std::string text = "#!/bin/sh\n" + script + "\n";
    testing::WriteFileBytes(program, std::vector<std::uint8_t>(text.begin(), text.end()));
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    testing::WriteFileBytes(dir_ / "p.wmf", testing::FidelityPicture(Kind::kWmf));
    return DecodeMetafile(QString::fromStdString(dir_ / "p.wmf"), error,
                          HelperRun{QString::fromStdString(program), timeLimitMs});
  }
  TempDir dir_;
};

TEST_F(FakeHelperTest, FailuresOfTheHelperReadClearly) {
  struct Case {
    const char* script;
    const char* text;
  };
  const Case cases[] = {
      {"exec sleep 10", "Metafile is not valid (decoding took longer than 0.3 seconds)"},
      {"kill -SEGV $$", "Metafile is not valid (the decoder crashed)"},
      {"echo chatter >&2; echo 'unsupported record' >&2; exit 1", "Metafile is not valid (unsupported record)"},
      {"exit 3", "Metafile is not valid (the decoder failed with status 3)"},
      {"echo not a picture", "Metafile is not valid (the decoder's output is not a picture)"},
  };
  for (const Case& c : cases) {
    QString error;
    EXPECT_TRUE(Run(c.script, 300, &error).isNull()) << c.script;
    EXPECT_EQ(error.toStdString(), c.text) << c.script;
  }
}

TEST_F(FakeHelperTest, AHelperThatCannotStartIsNamed) {
  QString error;
  EXPECT_TRUE(DecodeMetafile(QStringLiteral("/no/such.emf"), &error).isNull());
  testing::WriteFileBytes(dir_ / "p.emf", testing::FidelityPicture(Kind::kEmf));
  EXPECT_TRUE(DecodeMetafile(QString::fromStdString(dir_ / "p.emf"), &error,
                             HelperRun{QString::fromStdString(dir_ / "missing-helper"), 2000})
                  .isNull());
  EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot show metafiles: the decoder program"))) << error.toStdString();
}

TEST(MetafileClient, FindsTheHelperBesideTheProgramOrWhereItIsInstalled) {
  TempDir dir;
  const auto helper = [](const std::filesystem::path& path) {
    std::filesystem::create_directories(path.parent_path());
    testing::WriteFileBytes(path.string(), {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n'});
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return QString::fromStdString(std::filesystem::canonical(path).string());
  };
  const QString bin = QString::fromStdString(dir / "usr/bin");
  std::filesystem::create_directories(dir / "usr/bin");
  EXPECT_EQ(HelperProgramFrom(bin), QString());
  const QString installed = helper(dir.path() / "usr/libexec/tilora/tilora-metafile");
  EXPECT_EQ(HelperProgramFrom(bin), installed);
  const QString beside = helper(dir.path() / "usr/bin/tilora-metafile");
  EXPECT_EQ(HelperProgramFrom(bin), beside);
}

TEST(PictureLoader, ShowsMetafilesByExtensionInAnyCase) {
  EXPECT_FALSE(HelperProgram().isEmpty());
  TempDir dir;
  for (const char* name : {"a.emf", "b.EMF", "c.wmf", "d.Wmf"}) {
    const bool emf = QByteArray(name).toLower().endsWith("emf");
    testing::WriteFileBytes(dir / name, testing::FidelityPicture(emf ? Kind::kEmf : Kind::kWmf));
    QString error;
    const QImage image = ui::LoadPicture(QString::fromStdString(dir / name), &error);
    EXPECT_EQ(image.size(), QSize(200, 120)) << name << ": " << error.toStdString();
    EXPECT_TRUE(error.isEmpty()) << name;
  }
}

}  // namespace
}  // namespace tilora::metafile

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
