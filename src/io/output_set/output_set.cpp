#include "io/output_set/output_set.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "io/io_error.h"
#include "io/output_set/output_set_steps.h"
#include "io/platform_file_interrupts.h"

namespace tilora {

namespace output_set {
namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "/\\";
#else
constexpr const char* kSeparators = "/";
#endif

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

[[noreturn]] void Refuse(const std::string& name, const std::string& reason) {
  throw IoError(kErrAccessDenied, "Cannot create file " + Quoted(name) + ".", reason);
}

// A short, fixed name per target: it fits wherever the target's name fits,
// and a leftover of a process that died is the name the next conversion of
// the same target uses, so it is replaced rather than piling up.
std::size_t LeafStart(const std::string& target) {
  const auto slash = target.find_last_of(kSeparators);
  return slash == std::string::npos ? 0 : slash + 1;
}

std::string HiddenName(const std::string& target, const char* role) {
  const std::size_t leafStart = LeafStart(target);
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (std::size_t i = leafStart; i < target.size(); ++i) {
    hash ^= static_cast<unsigned char>(target[i]);
    hash *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return target.substr(0, leafStart) + "." + hex + ".tilora-" + role;
}

std::string FolderOf(const std::string& target) {
  const auto slash = target.find_last_of(kSeparators);
  if (slash == std::string::npos) return ".";
  return target.substr(0, slash == 0 ? 1 : slash);
}

bool SameFile(const Output& a, const Output& b) {
  if (a.folderId == b.folderId && a.target.substr(LeafStart(a.target)) == b.target.substr(LeafStart(b.target)))
    return true;  // one name, written two ways
  return a.before.exists && b.before.exists && a.before.id == b.before.id;
}

}  // namespace

void Fail(const char* action, const std::string& name, int code) {
  throw IoError(code, std::string(action) + " " + Quoted(name) + ".");
}

void Plan(Transaction& t, std::span<const OutputFile> files) {
  t.outputs.resize(files.size());
  t.pendingNames.reserve(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    Output& o = t.outputs[i];
    o.file = &files[i];
    // A NUL would end the name early, at another file.
    if (o.file->name.empty() || o.file->name.find('\0') != std::string::npos)
      Fail("Cannot create file", o.file->name, kErrInvalidFilename);
    if (const int code = platform::FollowLinks(o.file->name, o.target); code != 0)
      Fail("Cannot create file", o.file->name, code);
    o.folder = FolderOf(o.target);
    o.fresh = HiddenName(o.target, "new");
    o.kept = HiddenName(o.target, "old");
  }
}

// Folders are locked in the order of their identities, so two conversions
// that share several folders cannot each hold one the other waits for.
void LockFolders(Transaction& t) {
  for (std::size_t i = 0; i < t.outputs.size(); ++i) {
    Output& o = t.outputs[i];
    // Outputs named into one folder alike share its lock without opening it again.
    const auto named = std::find_if(t.outputs.begin(), t.outputs.begin() + static_cast<std::ptrdiff_t>(i),
                                    [&](const Output& earlier) { return earlier.folder == o.folder; });
    if (named != t.outputs.begin() + static_cast<std::ptrdiff_t>(i)) {
      o.folderId = named->folderId;
      continue;
    }
    platform::FolderLock lock;
    if (const int code = platform::OpenFolder(o.folder, o.file->name, lock); code != 0)
      Fail("Cannot create file", o.file->name, code);
    o.folderId = lock.id;
    const bool known = std::any_of(t.locks.begin(), t.locks.end(),
                                   [&](const platform::FolderLock& l) { return l.id == lock.id; });
    if (known)
      platform::ReleaseFolder(lock);
    else
      t.locks.push_back(lock);
  }
  std::sort(t.locks.begin(), t.locks.end(),
            [](const platform::FolderLock& a, const platform::FolderLock& b) { return a.id < b.id; });
  for (platform::FolderLock& lock : t.locks) {
    if (const int code = platform::LockFolder(lock); code != 0) {
      const auto first = std::find_if(t.outputs.begin(), t.outputs.end(), [&](const Output& o) { return o.folderId == lock.id; });
      Fail("Cannot create file", first->file->name, code);
    }
  }
}

void RecoverLeftovers(Transaction& t) {
  for (Output& o : t.outputs) {
    platform::ExistingFile target, kept;
    if (platform::Inspect(o.target, target) != 0 || platform::Inspect(o.kept, kept) != 0) continue;
    if (!kept.exists || !kept.regular) continue;
    if (!target.exists) platform::Replace(o.kept, o.target);
    else platform::RemoveIfPresent(o.kept);
  }
}

void RefuseUnsafe(Transaction& t) {
  platform::ExistingFile input;
  if (!t.options->input.empty()) platform::Inspect(t.options->input, input);  // unreadable: nothing to protect
  for (std::size_t i = 0; i < t.outputs.size(); ++i) {
    Output& o = t.outputs[i];
    if (const int code = platform::Inspect(o.target, o.before); code != 0) Fail("Cannot create file", o.file->name, code);
    if (input.exists && o.before.exists && o.before.id == input.id)
      Refuse(o.file->name, "It is the picture being converted");
    // A device, a pipe, a socket or a folder is never replaced by a file:
    // renaming over /dev/null would take it from everyone.
    if (o.before.exists && !o.before.regular) Fail("Cannot create file", o.file->name, kErrAccessDenied);
    // A failed conversion could not remove what it wrote there.
    const auto lock = std::find_if(t.locks.begin(), t.locks.end(),
                                   [&](const platform::FolderLock& l) { return l.id == o.folderId; });
    if (lock != t.locks.end() && !platform::FolderAllowsRemoval(*lock))
      Refuse(o.file->name, "Its folder only lets files be added, so nothing could be replaced there");
    // Decided from the bits, not by trying: a privileged user could write it.
    if (o.before.exists && o.before.regular && !o.before.writable)
      Fail("Cannot create file", o.file->name, kErrAccessDenied);
    for (std::size_t j = 0; j < i; ++j)
      if (SameFile(o, t.outputs[j])) Refuse(o.file->name, "It is also the output " + Quoted(t.outputs[j].file->name));
  }
}

void Discard(Transaction& t) noexcept {
  {
    platform::InterruptsHeld held;
    t.pending.Clear();
    for (Output& o : t.outputs) {
      if (o.unnamed != platform::kNoHandle) platform::Close(o.unnamed);
      o.unnamed = platform::kNoHandle;
      if (o.freshExists) platform::RemoveIfPresent(o.fresh);
      o.freshExists = false;
    }
  }
  for (platform::FolderLock& lock : t.locks) platform::ReleaseFolder(lock);
  t.locks.clear();
}

}  // namespace output_set

void WriteOutputSet(std::span<const OutputFile> files, const OutputSetOptions& options) {
  using namespace output_set;
  platform::PrepareForInterrupts();
  Transaction t;
  t.options = &options;
  try {
    Plan(t, files);
    LockFolders(t);
    RecoverLeftovers(t);
    RefuseUnsafe(t);
    WriteTemporaries(t);
    Commit(t);
  } catch (...) {
    Discard(t);
    throw;
  }
  Discard(t);
}

}  // namespace tilora
