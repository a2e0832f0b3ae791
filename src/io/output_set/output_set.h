#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace tilora {

struct OutputFile {
  std::string name;
  const void* data;
  std::size_t size;
};

struct OutputSetOptions {
  // The picture read: an output that is this same file is refused.
  std::string input;

  // Test seams. beforeReplace is called after all temporaries are written
  // and before target i is replaced; a throw from it counts as a failure
  // there. Without unnamed temporaries, the named ones are used as on file
  // systems that have none; without name swaps, the old files are linked
  // aside as where names cannot be swapped; without hard links, they are
  // moved aside as where there are none.
  std::function<void(std::size_t index)> beforeReplace;
  bool unnamedTemporaries = true;
  bool nameSwaps = true;
  bool hardLinks = true;
};

// Writes the files as one set. Afterwards either every file has its new
// contents, or (on any failure, or an interruption before the commit) every
// file is exactly as it was and no temporary is left. Conversions writing
// into the same folder take turns. Refused before anything is written: an
// output that is the input, two outputs that are one file, and an existing
// output whose permission bits allow nobody to write it. A replaced file
// keeps its permission bits and, where allowed, its group; an output that is
// a symbolic link is written through to the file it leads to. Nothing is
// synced to the disk: outputs can always be made again from their pictures.
// Raises IoError with a message that names the file. Several threads may
// write sets at once.
void WriteOutputSet(std::span<const OutputFile> files, const OutputSetOptions& options);

}  // namespace tilora
