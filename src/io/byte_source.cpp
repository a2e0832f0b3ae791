#include "io/byte_source.h"

#include <algorithm>
#include <cstring>

#include "io/io_error.h"

namespace tilora {

void ByteSource::ReadExactlyAt(std::int64_t position, void* dest, std::size_t count) {
  if (ReadAt(position, dest, count) != count) throw IoError(kErrReadBeyondEnd);
}

std::size_t MemorySource::ReadAt(std::int64_t position, void* dest, std::size_t count) {
  if (position < 0 || static_cast<std::uint64_t>(position) >= bytes_.size()) return 0;
  const auto start = static_cast<std::size_t>(position);
  const std::size_t got = std::min(count, bytes_.size() - start);
  std::memcpy(dest, bytes_.data() + start, got);
  return got;
}

FileSource::FileSource(const std::string& path) {
  file_.Bind(path);
  file_.Open();
}

std::size_t FileSource::ReadAt(std::int64_t position, void* dest, std::size_t count) {
  if (position < 0 || count > kHeadBytes || static_cast<std::uint64_t>(position) > kHeadBytes - count) {
    file_.Seek(position);
    return file_.ReadUpTo(dest, count);
  }
  if (!headRead_) {
    file_.Seek(0);
    headSize_ = file_.ReadUpTo(head_.data(), head_.size());
    headRead_ = true;
  }
  const auto start = static_cast<std::size_t>(position);
  if (start >= headSize_) return 0;
  const std::size_t got = std::min(count, headSize_ - start);
  std::memcpy(dest, head_.data() + start, got);
  return got;
}

platform::FileStamp FileSource::Stamp() const { return file_.Stamp(); }

}  // namespace tilora
