#include "io/checked_file.h"

#include "io/io_error.h"

namespace tilora {

namespace {
// Windows' code for a move before the start of a file.
constexpr int kErrNegativeSeek = 131;

void Check(int status) {
  if (status != 0) throw IoError(status);
}
}  // namespace

CheckedFile::~CheckedFile() { CloseQuietly(); }

void CheckedFile::Bind(const std::string& name) {
  CloseQuietly();
  name_ = name;
  position_ = 0;
}

void CheckedFile::Open() {
  CloseQuietly();
  platform::Handle handle = platform::kNoHandle;
  Check(platform::OpenRead(name_, handle));
  handle_ = handle;
  position_ = 0;
}

void CheckedFile::Seek(std::int64_t position) {
  if (!IsOpen()) throw IoError(kErrFileNotOpen);
  if (position < 0) throw IoError(kErrNegativeSeek);
  position_ = position;
}

std::size_t CheckedFile::ReadUpTo(void* dest, std::size_t count) {
  if (!IsOpen()) throw IoError(kErrFileNotOpen);
  std::size_t got = 0;
  Check(platform::ReadAt(handle_, position_, dest, count, got));
  position_ += static_cast<std::int64_t>(got);
  return got;
}

void CheckedFile::Read(void* dest, std::size_t count) {
  if (ReadUpTo(dest, count) != count) throw IoError(kErrReadBeyondEnd);
}

platform::FileStamp CheckedFile::Stamp() const {
  if (!IsOpen()) throw IoError(kErrFileNotOpen);
  platform::FileStamp stamp;
  Check(platform::StampOf(handle_, stamp));
  return stamp;
}

void CheckedFile::Close() {
  if (!IsOpen()) throw IoError(kErrFileNotOpen);
  const platform::Handle handle = handle_;
  handle_ = platform::kNoHandle;
  Check(platform::Close(handle));
}

void CheckedFile::CloseQuietly() noexcept {
  if (!IsOpen()) return;
  platform::Close(handle_);
  handle_ = platform::kNoHandle;
}

}  // namespace tilora
