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

// Writes every file in full under a temporary name beside its target, then
// moves them over their targets in the order given. On failure nothing of
// ours is left behind and the targets not yet replaced keep their contents.
// Raises IoError with a message that names the file.
void WriteOutputFiles(std::span<const OutputFile> files);

// Test seam: called after all temporaries are written and before target i
// is replaced; a throw from it counts as a failure at that point.
extern std::function<void(std::size_t index)> BeforeReplaceHook;

}  // namespace tilora
