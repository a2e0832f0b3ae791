#include "encode/cell_scan.h"
#include "encode/console_encoders.h"
#include "encode/console_encoding.h"

namespace tilora {

EncodeResult EncodeForConsole(const Picture& picture, const TileOptions& options) {
  if (auto problem = OptionsProblem(options)) return Refusal{RefusalKind::Usage, std::move(*problem), {}};
  if (auto refusal = cells::CheckPicture(picture, cells::Depth::Of(options.mode7 ? 8 : options.bpp))) return *refusal;
  EncodeResult result = options.mode7 ? EncodeMode7(picture, options)
                        : options.map ? EncodeTilemap(picture, options)
                                      : EncodePlainTiles(picture, options);
  if (const auto* outputs = std::get_if<EncodedOutputs>(&result)) {
    if (auto fault = SelfCheck(picture, options, *outputs))
      return Refusal{RefusalKind::Internal, std::move(*fault), {}};
  }
  return result;
}

}  // namespace tilora
