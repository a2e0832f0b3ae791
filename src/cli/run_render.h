#pragma once

#include "cli/options.h"
#include "cli/run_picture.h"

namespace tilora::cli {

// Draws the files of a --render command line and writes its PNG. Never
// throws: running out of memory is its failure.
PictureResult RunRender(const CommandLine& command) noexcept;

}  // namespace tilora::cli
