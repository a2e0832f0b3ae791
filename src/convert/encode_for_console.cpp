#include "snes/cells/cell_scan.h"
#include "snes/encoders/console_encoders.h"
#include "snes/encoders/console_encoding.h"
#include "picture/rows_arriving.h"
#include "snes/readback/readback.h"
#include "convert/encode_for_console.h"

namespace tilora {
namespace {

// A map while its rows arrive. Any refusal is then the one the whole
// picture gives: an index out of reach anywhere comes before the
// encoder's own refusals, as when the picture is checked first.
EncodeResult EncodeTilemapArriving(const Picture& picture, const TileOptions& options,
                                   const RowsArriving& arriving) {
  if (auto refusal = cells::CheckPictureShape(picture)) return *refusal;
  EncodeResult result = EncodeTilemap(picture, options, &arriving);
  if (std::holds_alternative<Refusal>(result)) {
    if (!arriving.Await(picture.height)) return refusals::RowsStopped();
    if (auto refusal = cells::CheckPicture(picture, cells::Depth::Of(options.bpp))) return *refusal;
  }
  return result;
}

EncodeResult EncodeWhole(const Picture& picture, const TileOptions& options) {
  if (auto refusal = cells::CheckPicture(picture, cells::Depth::Of(options.mode7 ? 8 : options.bpp))) return *refusal;
  return options.mode7 ? EncodeMode7(picture, options)
         : options.map ? EncodeTilemap(picture, options)
                       : EncodePlainTiles(picture, options);
}

}  // namespace

EncodeResult EncodeForConsole(const Picture& picture, const TileOptions& options, const RowsArriving* arriving) {
  if (auto problem = OptionsProblem(options)) return Refusal{RefusalKind::Usage, std::move(*problem), {}};
  EncodeResult result;
  if (arriving && options.map && !options.mode7) result = EncodeTilemapArriving(picture, options, *arriving);
  else if (arriving && !arriving->Await(picture.height)) return refusals::RowsStopped();
  else result = EncodeWhole(picture, options);
  if (const auto* outputs = std::get_if<EncodedOutputs>(&result)) {
    if (auto fault = SelfCheck(picture, options, *outputs))
      return Refusal{RefusalKind::Internal, std::move(*fault), {}};
  }
  return result;
}

}  // namespace tilora
