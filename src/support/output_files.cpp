#include "support/output_files.h"

#include <atomic>
#include <vector>

#include "support/io_error.h"
#include "support/platform_file.h"

namespace tilora {

std::function<void(std::size_t index)> BeforeReplaceHook;

namespace {

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

[[noreturn]] void Fail(const char* action, const std::string& name, int code) {
  throw IoError(code, std::string(action) + " " + Quoted(name) + ". " + IoErrorText(code));
}

// The temporary sits in the target's folder so that the final move is a
// rename within one file system.
std::string TemporaryName(const std::string& target, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  const auto slash = target.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string leaf = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "." + leaf + ".tilora-" + std::to_string(platform::ProcessId()) + "-" +
         std::to_string(counter++) + "-" + std::to_string(attempt);
}

// Removes the temporaries still pending when a write fails.
class PendingFiles {
 public:
  ~PendingFiles() {
    for (const auto& name : names_)
      if (!name.empty()) platform::Remove(name);
  }
  void Add(std::string name) { names_.push_back(std::move(name)); }
  void Forget(std::size_t index) { names_[index].clear(); }
  const std::string& operator[](std::size_t index) const { return names_[index]; }

 private:
  std::vector<std::string> names_;
};

std::string WriteTemporary(const OutputFile& file, PendingFiles& pending) {
  constexpr unsigned kAttempts = 100;
  for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
    const std::string temp = TemporaryName(file.name, attempt);
    platform::Handle handle = platform::kNoHandle;
    const int created = platform::CreateNew(temp, handle);
    if (created == platform::kAlreadyExists) continue;
    if (created != 0) Fail("Cannot create file", file.name, created);
    pending.Add(temp);
    const int written = file.size == 0 ? 0 : platform::Write(handle, file.data, file.size);
    const int closed = platform::Close(handle);
    if (written != 0) Fail("Cannot write file", file.name, written);
    if (closed != 0) Fail("Cannot write file", file.name, closed);
    return temp;
  }
  Fail("Cannot create file", file.name, platform::kAlreadyExists);
}

}  // namespace

void WriteOutputFiles(std::span<const OutputFile> files) {
  PendingFiles pending;
  for (const auto& file : files) WriteTemporary(file, pending);
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (BeforeReplaceHook) BeforeReplaceHook(i);
    const int moved = platform::Replace(pending[i], files[i].name);
    if (moved != 0) Fail("Cannot create file", files[i].name, moved);
    pending.Forget(i);
  }
}

}  // namespace tilora
