#include "ui/console_preview/shared_set.h"

#include <algorithm>
#include <exception>
#include <new>

#include "io/failure_text.h"
#include "snes/readback/readback.h"
#include "snes/readback/sheets.h"
#include "ui/common/picture_image.h"
#include "ui/console_preview/console_sheets.h"

namespace tilora::ui {
namespace {

// The decoder is a seam: whatever it throws is that picture's failure.
DecodedFile Decode(const SetDecoder& decode, const std::string& path) {
  try {
    return decode(path);
  } catch (const std::bad_alloc&) {
    DecodedFile failed;
    failed.path = path;
    failed.failure = OutOfMemoryFailure();
    return failed;
  } catch (const std::exception& e) {
    DecodedFile failed;
    failed.path = path;
    failed.failure = InternalFailure(e.what());
    return failed;
  }
}

std::string RefusalLine(const SharedSet& set, const SharedFailure& failure) {
  const std::string message = FailureText(FailureMessage(failure.failure));
  if (!failure.picture || *failure.picture >= set.names.size()) return message;
  return set.names[*failure.picture] + ": " + message;
}

// The picture the refusal concerns, else the one chosen, in its own colours.
void ShowRefusal(const SharedSet& set, const SharedFailure& failure, const PreviewSettings& settings,
                 std::size_t shown, ConsoleRendering& rendering) {
  rendering.refusal = RefusalLine(set, failure);
  rendering.refusedPicture = failure.picture;
  const std::size_t picture = failure.picture.value_or(shown);
  if (!set.pictures || picture >= set.pictures->size()) return;
  rendering.sharedShown = picture;
  rendering.shown = ImageOf((*set.pictures)[picture]);
  if (failure.picture && failure.failure.tile) rendering.marked = MarkedArea(*failure.failure.tile, settings);
}

}  // namespace

SharedSet ReadSharedSet(const std::vector<std::string>& paths, std::vector<std::string> names,
                        const SetDecoder& decode) {
  SharedSet set;
  set.names = std::move(names);
  auto pictures = std::make_shared<std::vector<Picture>>();
  std::int64_t pixels = 0;
  try {
    for (std::size_t i = 0; i < paths.size(); ++i) {
      DecodedFile decoded = Decode(decode, paths[i]);
      if (!decoded.picture) {
        set.failure = SharedFailure{decoded.failure.value_or(Refused(kChangedNotice)), i};
        return set;
      }
      pixels += static_cast<std::int64_t>(decoded.picture->PixelCount());
      if (pixels > kMaxSharedPixels) {
        set.failure = SharedFailure{PastSharedPixels(), i};
        return set;
      }
      pictures->push_back(*decoded.picture);
      decoded.picture.reset();
      set.files.push_back(std::move(decoded));
    }
  } catch (const std::bad_alloc&) {
    set.failure = SharedFailure{OutOfMemoryFailure(), std::nullopt};
    return set;
  }
  set.pictures = std::move(pictures);
  return set;
}

QImage SharedPictureImage(const SharedConversion& conversion, std::size_t picture) {
  if (picture >= conversion.pictures.size()) return {};
  const SharedPictureOutputs& p = conversion.pictures[picture];
  return ImageOf(RgbImage{p.width, p.height, ConsolePreview(conversion.OutputsOf(picture), conversion.options,
                                                            p.width, p.height)});
}

ConsoleRendering RenderSharedForConsole(const SharedSet& set, const PreviewSettings& settings, std::size_t shown) {
  ConsoleRendering rendering;
  rendering.sharedNames = set.names;
  if (set.failure || !set.pictures) {
    ShowRefusal(set, set.failure.value_or(SharedFailure{Refused("No picture is open."), std::nullopt}), settings,
                shown, rendering);
    return rendering;
  }
  const ConversionSettings options = ConversionOf(settings);
  SharedResult result = ConvertShared(*set.pictures, set.names, options);
  if (const auto* failure = std::get_if<SharedFailure>(&result)) {
    ShowRefusal(set, *failure, settings, shown, rendering);
    return rendering;
  }
  auto conversion = std::make_shared<const SharedConversion>(std::move(std::get<SharedConversion>(result)));
  const SharedConversion& c = *conversion;
  rendering.sharedShown = std::min(shown, c.pictures.size() - 1);
  rendering.shown = SharedPictureImage(c, rendering.sharedShown);
  std::vector<EncodedOutputs> outputs;
  std::vector<SheetPicture> sheet;
  outputs.reserve(c.pictures.size());
  for (std::size_t i = 0; i < c.pictures.size(); ++i) {
    outputs.push_back(c.OutputsOf(i));
    sheet.push_back({&outputs.back(), c.pictures[i].width, c.pictures[i].height});
  }
  rendering.tileSheet = ImageOf(TileSheet(sheet, c.options, settings.sheetColumns, settings.greySheet));
  rendering.swatches = SwatchImage(Swatches(outputs.front()));
  rendering.sharedFigures = FiguresOfShared(c);
  if (options.subPalettes.lossy) rendering.reduction = Reduction{c.reduced, c.meanDeltaE, c.worstDeltaE};
  rendering.shared = std::move(conversion);
  return rendering;
}

}  // namespace tilora::ui
