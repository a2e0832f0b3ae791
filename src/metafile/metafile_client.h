#pragma once

#include <QImage>
#include <QString>

namespace tilora::metafile {

inline constexpr int kDecodeTimeLimitMs = 2000;
inline const char* const kHelperName = "tilora-metafile";

// The decoder program: beside the running program (the build folder), else
// where installation puts it (libexec/tilora/ beside the installed bin/).
// Empty when neither exists.
QString HelperProgram();
QString HelperProgramFrom(const QString& binFolder);

struct HelperRun {
  QString program;  // empty: HelperProgram()
  int timeLimitMs = kDecodeTimeLimitMs;
};

// Decodes the metafile at path, EMF or WMF by its extension (any case), in
// the helper process. A crash, a time-out, a non-zero exit or output that is
// not a picture all give a null image and the text for the failure box.
QImage DecodeMetafile(const QString& path, QString* error, const HelperRun& run = {});

}  // namespace tilora::metafile
