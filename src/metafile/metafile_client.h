#pragma once

#include <QImage>
#include <QString>

namespace tilora::metafile {

inline constexpr int kDecodeTimeLimitMs = 2000;
inline const char* const kHelperName = "tilora-metafile";

// The decoder program: beside the running program (the build folder, or the
// installed bin/), else in libexec/tilora/ next to that bin/. Empty when
// neither exists.
QString HelperProgram();

struct HelperRun {
  QString program;  // empty: HelperProgram()
  int timeLimitMs = kDecodeTimeLimitMs;
};

// Decodes the metafile at path, EMF or WMF by its extension (any case), in
// the helper process. A crash, a time-out, a non-zero exit or output that is
// not a picture all give a null image and the text for the failure box.
QImage DecodeMetafile(const QString& path, QString* error, const HelperRun& run = {});

}  // namespace tilora::metafile
