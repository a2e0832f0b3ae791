#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "io/checked_file.h"

namespace tilora {

// Where a format reader takes its bytes from: a file opened once, or memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to count bytes at position; fewer only at the end. Raises
  // IoError when the underlying read fails.
  virtual std::size_t ReadAt(std::int64_t position, void* dest, std::size_t count) = 0;
  // Reads exactly count bytes or raises IoError 100 after storing those there.
  void ReadExactlyAt(std::int64_t position, void* dest, std::size_t count);
  // The bytes there are in all; raises IoError when that cannot be told.
  virtual std::int64_t Size() = 0;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t ReadAt(std::int64_t position, void* dest, std::size_t count) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }

 private:
  std::span<const std::uint8_t> bytes_;
};

// A file opened for reading for as long as the source lives. Headers are
// read a field at a time: reads within the file's first kHeadBytes come
// from one read of them, taken at the first such read.
class FileSource : public ByteSource {
 public:
  static constexpr std::size_t kHeadBytes = 4096;

  explicit FileSource(const std::string& path);
  std::size_t ReadAt(std::int64_t position, void* dest, std::size_t count) override;
  std::int64_t Size() override { return Stamp().size; }
  // Size and modification time of the open file, as one stat of its handle.
  platform::FileStamp Stamp() const;

 private:
  CheckedFile file_;
  std::array<std::uint8_t, kHeadBytes> head_{};
  std::size_t headSize_ = 0;
  bool headRead_ = false;
};

}  // namespace tilora
