#include <spng.h>

#include <string>

#include "formats/png/png_error.h"
#include "formats/png/spng_context.h"

namespace tilora::png_detail {
namespace {

// What went wrong, in the words that follow "The PNG file is damaged (";
// empty for codes that are not a matter of damage or have no better text.
const char* DamageReason(int code) {
  switch (code) {
    case SPNG_IO_EOF:
    case SPNG_EOF:
      return "it ends too early";
    case SPNG_ESIGNATURE:
      return "its signature is wrong";
    case SPNG_EWIDTH:
      return "its header gives a width of 0 or beyond 2147483647";
    case SPNG_EHEIGHT:
      return "its header gives a height of 0 or beyond 2147483647";
    case SPNG_EBIT_DEPTH:
      return "its header gives a bit depth the colour type does not allow";
    case SPNG_ECOLOR_TYPE:
      return "its header gives an unknown colour type";
    case SPNG_ECOMPRESSION_METHOD:
      return "its header gives an unknown compression method";
    case SPNG_EFILTER_METHOD:
      return "its header gives an unknown filter method";
    case SPNG_EINTERLACE_METHOD:
      return "its header gives an unknown interlace method";
    case SPNG_EIHDR_SIZE:
    case SPNG_ENOIHDR:
      return "its IHDR header chunk is missing or malformed";
    case SPNG_ECHUNK_POS:
      return "its chunks are out of order, or the picture data is missing";
    case SPNG_ECHUNK_SIZE:
    case SPNG_ECHUNK_STDLEN:
      return "a chunk has an impossible length";
    case SPNG_ECHUNK_CRC:
      return "a chunk's CRC checksum is wrong";
    case SPNG_ECHUNK_TYPE:
      return "a chunk has an invalid type name";
    case SPNG_EDUP_PLTE:
      return "it has two PLTE palette chunks";
    case SPNG_EDUP_TRNS:
      return "it has two tRNS transparency chunks";
    case SPNG_ETRNS_COLOR_TYPE:
      return "its tRNS transparency chunk does not fit the colour type";
    case SPNG_ETRNS_NO_PLTE:
      return "its tRNS transparency chunk comes before the palette";
    case SPNG_ENOPLTE:
      return "the palette picture has no PLTE palette chunk";
    case SPNG_EIDAT_TOO_SHORT:
      return "the picture data ends too early";
    case SPNG_EIDAT_STREAM:
    case SPNG_EZLIB:
      return "the compressed picture data is corrupt";
    case SPNG_EFILTER:
      return "a row has an unknown filter type";
    default:
      return "";
  }
}

}  // namespace

std::string ReadFailureText(int code) {
  switch (code) {
    case SPNG_ECHUNK_UNKNOWN_CRITICAL:
      return "The PNG file needs a chunk that this reader does not know.";
    case SPNG_ECHUNK_LIMITS:
      return "The PNG file holds more than " + std::to_string(kChunkCacheLimit >> 20) +
             " MiB of text and other extra data, more than is read.";
    case SPNG_EMEM:
      return "There is not enough memory to read the PNG picture.";
    default:
      break;
  }
  const std::string reason = DamageReason(code);
  if (!reason.empty()) return "The PNG file is damaged (" + reason + ").";
  return std::string("The PNG file is damaged (") + spng_strerror(code) + ").";
}

SpngContext NewSpngContext(int flags) {
  SpngContext ctx(spng_ctx_new(flags));
  if (!ctx) throw PngError("There is not enough memory to read or write a PNG picture.");
  return ctx;
}

}  // namespace tilora::png_detail
