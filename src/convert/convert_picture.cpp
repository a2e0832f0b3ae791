#include "convert/convert_picture.h"

namespace tilora {

ConvertOutcome ConvertPicture(const std::string& path, const std::string& base, const OpenedPicture& opened) {
  if (!PictureHeaderAccepted) return {false, kStaleHeaderNotice, {}, {}};
  ConvertOptions options;
  options.expected = opened;
  return ConvertFile(path, base, options);
}

}  // namespace tilora
