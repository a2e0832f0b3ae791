#include "metafile/metafile_client.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "metafile/metafile_decoder.h"

namespace tilora::metafile {
namespace {

// Metafiles are small; a larger file is not worth piping to the decoder.
constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;

QImage Fail(QString* error, const QString& text) {
  if (error) *error = text;
  return {};
}

QString NotValid(const QString& reason) { return QStringLiteral("Metafile is not valid (%1)").arg(reason); }

}  // namespace

#ifndef TILORA_HELPER_FROM_BIN
#define TILORA_HELPER_FROM_BIN "../libexec/tilora"
#endif

QString HelperProgram() { return HelperProgramFrom(QCoreApplication::applicationDirPath()); }

QString HelperProgramFrom(const QString& binFolder) {
  const QDir here(binFolder);
  for (const QString& candidate : {here.filePath(QLatin1String(kHelperName)),
                                   here.filePath(QStringLiteral(TILORA_HELPER_FROM_BIN "/") + QLatin1String(kHelperName))}) {
    const QFileInfo info(candidate);
    if (info.isFile() && info.isExecutable()) return info.canonicalFilePath();
  }
  return {};
}

QImage DecodeMetafile(const QString& path, QString* error, const HelperRun& run) {
  const QString kind = QFileInfo(path).suffix().toLower();
  if (kind != QLatin1String("emf") && kind != QLatin1String("wmf"))
    return Fail(error, QStringLiteral("Unknown picture file extension (.%1)").arg(QFileInfo(path).suffix()));

  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return Fail(error, QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file.errorString()));
  if (file.size() > kMaxFileBytes) return Fail(error, NotValid(QStringLiteral("the file is too large")));
  const QByteArray bytes = file.readAll();
  file.close();

  const QString program = run.program.isEmpty() ? HelperProgram() : run.program;
  if (program.isEmpty())
    return Fail(error, QStringLiteral("Cannot show metafiles: the decoder program %1 is not installed")
                           .arg(QLatin1String(kHelperName)));

  QProcess helper;
  helper.setProgram(program);
  helper.setArguments({kind, QStringLiteral("-")});
  const QDeadlineTimer deadline(run.timeLimitMs);
  helper.start(QIODevice::ReadWrite);
  if (!helper.waitForStarted(static_cast<int>(deadline.remainingTime())))
    return Fail(error, QStringLiteral("Cannot show metafiles: the decoder program %1 cannot be started (%2)")
                           .arg(program, helper.errorString()));
  helper.write(bytes);
  helper.closeWriteChannel();
  // Reads stdout and stderr as they come, so a large picture cannot stall
  // the helper on a full pipe.
  while (helper.state() != QProcess::NotRunning && !deadline.hasExpired())
    helper.waitForFinished(static_cast<int>(deadline.remainingTime()));
  if (helper.state() != QProcess::NotRunning) {
    helper.kill();
    helper.waitForFinished(-1);
    return Fail(error, NotValid(QStringLiteral("decoding took longer than %1 seconds").arg(run.timeLimitMs / 1000.0)));
  }
  if (helper.exitStatus() == QProcess::CrashExit) return Fail(error, NotValid(QStringLiteral("the decoder crashed")));
  // The helper's reason is its last line; a library may have talked before.
  const QString reason = QString::fromLocal8Bit(helper.readAllStandardError()).trimmed().section(QLatin1Char('\n'), -1);
  if (helper.exitCode() != 0)
    return Fail(error, NotValid(reason.isEmpty() ? QStringLiteral("the decoder failed with status %1").arg(helper.exitCode())
                                                 : reason));
  QImage image;
  if (!image.loadFromData(helper.readAllStandardOutput(), "PNG") || image.isNull() ||
      image.width() > kMaxSide || image.height() > kMaxSide)
    return Fail(error, NotValid(QStringLiteral("the decoder's output is not a picture")));
  if (error) error->clear();
  return image;
}

}  // namespace tilora::metafile
