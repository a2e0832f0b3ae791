#pragma once

// A shared set in the console preview: pictures chosen together, each
// decoded once, converted into one tileset and palette with a map each, as
// tilora-convert --shared converts them. No widgets: the reading and the
// conversion run on worker threads.

#include <QImage>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/convert_file.h"
#include "convert/shared_conversion.h"
#include "ui/console_preview/console_preview_model.h"

namespace tilora::ui {

struct SharedSet {
  // In the order chosen, as each was decoded; their pictures are held in
  // pictures alone.
  std::vector<DecodedFile> files;
  // As the figures and refusals name the pictures.
  std::vector<std::string> names;
  // Every picture, when all of them were read.
  std::shared_ptr<const std::vector<Picture>> pictures;
  // The first picture that could not be read, or why the set cannot be.
  std::optional<SharedFailure> failure;
};

using SetDecoder = std::function<DecodedFile(const std::string& path)>;

// Decodes the pictures at paths in order, once each, stopping at the first
// that cannot be read and before the set's pixels pass the converter's
// limit for a run.
SharedSet ReadSharedSet(const std::vector<std::string>& paths, std::vector<std::string> names,
                        const SetDecoder& decode);

// The set converted together with settings (their shared flag set), the
// picture numbered shown on view. A refusal is the converter's line: the
// picture it concerns, if one, then the message.
ConsoleRendering RenderSharedForConsole(const SharedSet& set, const PreviewSettings& settings, std::size_t shown);

// One picture of a converted set as the console shows it.
QImage SharedPictureImage(const SharedConversion& conversion, std::size_t picture);

}  // namespace tilora::ui
