#include "ui/main_window/opened_picture.h"

namespace tilora {

DecodedFile DecodeAfterHeader(const PictureDecoder& decode, const std::string& path,
                              const platform::FileStamp& headerStamp) {
  DecodedFile decoded = decode(path);
  if (decoded.stamp != headerStamp) {
    decoded.picture.reset();
    decoded.failure = Refused(kChangedNotice);
  }
  return decoded;
}

Result<ConvertedFiles> ConvertPicture(const DecodedFile& opened, bool accepted, const std::string& base,
                                      const ConversionSettings& settings) {
  if (!accepted) return Refused(kStaleHeaderNotice);
  return ConvertDecodedFile(opened, base, settings);
}

}  // namespace tilora
