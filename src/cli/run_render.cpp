#include "cli/run_render.h"

#include "convert/render_file.h"

namespace tilora::cli {

PictureResult RunRender(const CommandLine& command) noexcept {
  try {
    RenderRequest request;
    request.output = command.render;
    request.tiles = command.pictures.at(0);
    request.palette = command.pictures.at(1);
    if (command.pictures.size() > 2) request.map = command.pictures[2];
    request.bpp = command.settings.bpp;
    request.options = command.settings.tiles;
    request.columns = command.columns;
    request.width = command.width;
    request.height = command.height;
    if (const auto failure = RenderFile(request)) return FailedRun(command.render, *failure);
    return {true, {}, {}};
  } catch (...) {
  }
  // The message must not need the memory that ran out.
  try {
    return FailedRun(command.render, OutOfMemoryFailure());
  } catch (...) {
    return {false, {}, "Out of memory.\n"};
  }
}

}  // namespace tilora::cli
