#pragma once

#include <QImage>
#include <QString>

namespace tilora::ui {

// Decodes a picture file for display, choosing the decoder by the file
// name's extension without regard to case: "bmp" a bitmap, "ico" an icon,
// "emf" and "wmf" a metafile. On failure returns a null image and puts the
// text for the failure box into *error. Never used by the conversion.
QImage LoadPicture(const QString& path, QString* error);

}  // namespace tilora::ui
