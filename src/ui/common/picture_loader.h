#pragma once

#include <QImage>
#include <QString>

namespace tilora::ui {

// Decodes a picture file for display, choosing the decoder by the file
// name's extension without regard to case: "bmp" a bitmap, "ico" an icon,
// "png" a PNG, "emf" and "wmf" a metafile. On failure returns a null image and puts the
// text for the failure box into *error. Never used by the conversion.
QImage LoadPicture(const QString& path, QString* error);

// Why a bitmap's bytes cannot be shown, checked before decoding because the
// decoder does not tell these apart: "Stream read error" for a file header,
// information header, colour table or pixel rows cut short, "Bitmap image is
// not valid" for a missing "BM", a plane count other than 1 or an unknown
// header form. Empty when the structure is whole.
QString BitmapStructureFailure(const QByteArray& bytes);

}  // namespace tilora::ui
