#include "support/byte_source.h"

#include <algorithm>
#include <cstring>

#include "support/io_error.h"

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
  file_.Seek(position);
  return file_.ReadUpTo(dest, count);
}

platform::FileStamp FileSource::Stamp() const { return file_.Stamp(); }

}  // namespace tilora
