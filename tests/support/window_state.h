#pragma once

// The first version's state as the main window holds it, for tests of its
// header reading and "In File" without the window.

#include <string>

#include "io/checked_file.h"
#include "ui/main_window/opened_picture.h"
#include "ui/main_window/picture_header.h"

namespace tilora::testing {

struct WindowState {
  PictureHeaderRecord PictureHeader;
  bool PictureHeaderAccepted = false;
  CheckedFile SourceFile;

  // ReadHeader as "Open BMP" runs it: accepted only when it ran to its end
  // and the picture is uncompressed.
  platform::FileStamp ReadHeader(const std::string& path, const HeaderListener& listener = {}) {
    PictureHeaderAccepted = false;
    const platform::FileStamp stamp = tilora::ReadHeader(path, PictureHeader, SourceFile, listener);
    PictureHeaderAccepted = IsAccepted(PictureHeader);
    return stamp;
  }

  // "Open BMP" on a bitmap: the header, and the picture decoded once when
  // the header was accepted. Raises IoError where ReadHeader does.
  DecodedFile opened;
  void Open(const std::string& path) {
    opened = {};
    const platform::FileStamp stamp = ReadHeader(path);
    if (PictureHeaderAccepted) opened = DecodeAfterHeader(DecodeFile, path, stamp);
  }
  // "In File" with the name field's base.
  Result<ConvertedFiles> InFile(const std::string& base) const {
    return ConvertPicture(opened, PictureHeaderAccepted, base);
  }
};

}  // namespace tilora::testing
