#include "convert/encode_for_console.h"

#include "picture/rows_arriving.h"
#include "snes/cells/cell_scan.h"
#include "snes/encoders/console_encoders.h"
#include "snes/readback/readback.h"

namespace tilora {
namespace {

// A map while its rows arrive. Any refusal is then the one the whole
// picture gives: an index out of reach anywhere comes before the
// encoder's own refusals, as when the picture is checked first.
EncodeResult EncodeTilemapArriving(const Picture& picture, int bpp, const TileOptions& options,
                                   const RowsArriving& arriving) {
  if (auto refusal = cells::CheckPictureShape(picture)) return *refusal;
  EncodeResult result = EncodeTilemap(picture, bpp, options, &arriving);
  if (std::holds_alternative<Failure>(result)) {
    if (!arriving.Await(picture.height)) return refusals::RowsStopped();
    if (auto refusal = cells::CheckPicture(picture, cells::Depth::Of(bpp))) return *refusal;
  }
  return result;
}

EncodeResult EncodeWhole(const Picture& picture, int bpp, const TileOptions& options) {
  if (auto refusal = cells::CheckPicture(picture, cells::Depth::Of(bpp))) return *refusal;
  return options.mode7 ? EncodeMode7(picture, options)
         : options.map && options.tileSize == 16 ? EncodeBlockMap(picture, bpp, options)
         : options.map ? EncodeTilemap(picture, bpp, options)
                       : EncodePlainTiles(picture, bpp);
}

}  // namespace

EncodeResult EncodeForConsole(const Picture& picture, int bpp, const TileOptions& options,
                              const RowsArriving* arriving) {
  if (options.mode7) bpp = 8;
  if (!IsTileDepth(bpp)) return UsageFailure("The output depth must be 2, 4 or 8 bpp, not " + std::to_string(bpp) + ".");
  EncodeResult result;
  // 16 x 16 blocks are encoded once the picture is whole.
  if (arriving && options.map && !options.mode7 && options.tileSize == 8)
    result = EncodeTilemapArriving(picture, bpp, options, *arriving);
  else if (arriving && !arriving->Await(picture.height)) return refusals::RowsStopped();
  else result = EncodeWhole(picture, bpp, options);
  if (const auto* outputs = std::get_if<EncodedOutputs>(&result)) {
    if (auto fault = SelfCheck(picture, options, *outputs)) return InternalFailure(std::move(*fault));
  }
  return result;
}

}  // namespace tilora
