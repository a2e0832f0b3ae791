#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/run_picture.h"

namespace tilora::cli {

// An output of a joint run and the picture it belongs to (a map or a
// preview); none for those of the run as a whole.
struct JointOutput {
  std::string name;
  std::optional<std::size_t> picture;
};

// The files a joint run writes, in the order they are put in place: the
// palette and the tiles, each picture's map, each picture's preview, the
// swatches and the cartridge.
std::vector<JointOutput> JointOutputNames(const CommandLine& command);

// Describes or converts the pictures of a joint run (CommandLine::Joint)
// together and writes every output as one set: all or nothing. A failure
// is one line, naming the picture it concerns, else "tilora-convert". Never
// throws.
PictureResult RunJoint(const CommandLine& command) noexcept;

}  // namespace tilora::cli
