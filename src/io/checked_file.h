#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "io/platform_file.h"

namespace tilora {

// A file variable read with explicit positioning, where every failed
// operation is raised as an IoError before the caller's next step.
class CheckedFile {
 public:
  CheckedFile() = default;
  CheckedFile(const CheckedFile&) = delete;
  CheckedFile& operator=(const CheckedFile&) = delete;
  ~CheckedFile();

  // Takes a new name and becomes closed; a file still open is closed first,
  // so nothing stays open after a command that failed half-way.
  void Bind(const std::string& name);
  // Opens the bound file for reading only, sharing it with other programs.
  void Open();
  // Positioning at or past the end is not a failure; a negative one is.
  void Seek(std::int64_t position);
  // Reads exactly count bytes; fewer available stores those and raises 100.
  void Read(void* dest, std::size_t count);
  // As Read, but returns how many bytes were there instead of raising 100.
  std::size_t ReadUpTo(void* dest, std::size_t count);
  void Close();
  // Closes without raising, for clean-up after a failure.
  void CloseQuietly() noexcept;

  // Size and modification time of the open file; raises IoError.
  platform::FileStamp Stamp() const;

  bool IsOpen() const { return handle_ != platform::kNoHandle; }
  const std::string& Name() const { return name_; }
  std::int64_t Position() const { return position_; }

 private:
  std::string name_;
  platform::Handle handle_ = platform::kNoHandle;
  std::int64_t position_ = 0;
};

}  // namespace tilora
