// tilora-metafile: decodes one metafile into a PNG on stdout. The window and
// the dialog run it as a separate process under a time limit, so a file that
// trips the decoding libraries can only end this process, never theirs.

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "metafile/metafile_decoder.h"

#if defined(__unix__)
#include <sys/resource.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define TILORA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TILORA_ASAN 1
#endif
#endif

#ifdef TILORA_ASAN
// The SVG converter leaks a few bytes per file; this process ends right
// after, and only leaks of our own should fail a sanitizer run.
extern "C" const char* __lsan_default_suppressions() { return "leak:libemf2svg.so\n"; }
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage: tilora-metafile emf|wmf FILE\n"
    "Decodes an enhanced (emf) or a Windows metafile (wmf) at its natural size\n"
    "and writes it as PNG to stdout. FILE \"-\" reads stdin. Exit status: 0 done,\n"
    "1 the file cannot be decoded (the reason on stderr), 2 usage error.\n";

int Failed(const QString& reason) {
  std::fprintf(stderr, "%s\n", reason.toLocal8Bit().constData());
  return kExitFailed;
}

// A hostile file may ask for absurd amounts of memory before the time limit
// ends us; a cap makes that an allocation failure instead of swapping.
void LimitMemory() {
#if defined(__unix__) && !defined(TILORA_ASAN)
  constexpr rlim_t kLimit = rlim_t{2} << 30;
  rlimit limit{kLimit, kLimit};
  setrlimit(RLIMIT_AS, &limit);
#endif
}

// The client reads stderr as the reason for a failure; Qt's own chatter
// (about runtime folders and the like) would only obscure it.
void DropQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (qstrcmp(argv[1], "--help") == 0 || qstrcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (argc != 3 || (qstrcmp(argv[1], "emf") != 0 && qstrcmp(argv[1], "wmf") != 0)) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  LimitMemory();
  qInstallMessageHandler(DropQtMessages);
  // Text needs Qt's font machinery, which needs a GUI application; nothing is
  // ever shown.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);

  const auto kind = qstrcmp(argv[1], "emf") == 0 ? tilora::metafile::MetafileKind::kEmf
                                                 : tilora::metafile::MetafileKind::kWmf;
  QFile in;
  const bool opened = qstrcmp(argv[2], "-") == 0 ? in.open(stdin, QIODevice::ReadOnly)
                                                 : (in.setFileName(QFile::decodeName(argv[2])), in.open(QIODevice::ReadOnly));
  if (!opened) return Failed(in.errorString());
  const QByteArray bytes = in.readAll();

  QString reason;
  const QImage image = tilora::metafile::DecodeMetafileBytes(kind, bytes, &reason);
  if (image.isNull()) return Failed(reason.isEmpty() ? QStringLiteral("cannot be decoded") : reason);
  QFile out;
  if (!out.open(stdout, QIODevice::WriteOnly) || !image.save(&out, "PNG"))
    return Failed(QStringLiteral("cannot write the picture"));
  return kExitOk;
}
