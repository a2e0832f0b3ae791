// Writing the new contents aside and putting them in place as one step.

#include "io/io_error.h"
#include "io/output_set/output_set_steps.h"
#include "io/platform_file_interrupts.h"

namespace tilora::output_set {
namespace {

// A named temporary exists from the moment it is created until it is
// removed or renamed, so an interruption in between must know it.
platform::Handle CreateNamed(Transaction& t, Output& o) {
  platform::InterruptsHeld held;
  platform::Handle handle = platform::kNoHandle;
  if (const int code = platform::CreateTemporary(o.fresh, handle); code != 0)
    Fail("Cannot create file", o.file->name, code);
  o.freshExists = true;
  t.pendingNames.push_back(o.fresh.c_str());
  if (!t.pending.Set(t.pendingNames.data(), t.pendingNames.size())) {
    platform::Close(handle);
    Fail("Cannot create file", o.file->name, kErrTooManyOpenFiles);  // Discard removes it
  }
  return handle;
}

void WriteTemporary(Transaction& t, Output& o) {
  platform::Handle handle = platform::kNoHandle;
  const int unnamed =
      t.options->unnamedTemporaries ? platform::CreateUnnamed(o.folder, handle) : platform::kNoUnnamedFiles;
  if (unnamed == 0)
    o.unnamed = handle;
  else if (unnamed == platform::kNoUnnamedFiles)
    handle = CreateNamed(t, o);
  else
    Fail("Cannot create file", o.file->name, unnamed);

  int code = o.before.exists ? platform::MatchPermissions(handle, o.before) : 0;
  if (code != 0) {
    if (o.unnamed == platform::kNoHandle) platform::Close(handle);
    Fail("Cannot create file", o.file->name, code);
  }
  code = o.file->size == 0 ? 0 : platform::Write(handle, o.file->data, o.file->size);
  if (o.unnamed == platform::kNoHandle) {
    const int closed = platform::Close(handle);
    if (code == 0) code = closed;
  }
  if (code != 0) Fail("Cannot write file", o.file->name, code);
}

// The unnamed file gets its temporary name only now, inside the lock, so
// nothing is on disk under that name before the commit.
void NameUnnamed(Output& o) {
  if (o.unnamed == platform::kNoHandle) return;
  if (const int code = platform::LinkUnnamed(o.unnamed, o.fresh); code != 0)
    Fail("Cannot create file", o.file->name, code);
  o.freshExists = true;
  const int closed = platform::Close(o.unnamed);
  o.unnamed = platform::kNoHandle;
  if (closed != 0) Fail("Cannot write file", o.file->name, closed);
}

// The old file keeps a name until every output is in place. Swapped with
// the new one, it takes the temporary's name in the same step; this also
// spares the early write-back that replacing a file by rename starts on
// some file systems (ext4), which nothing here needs as nothing is synced.
// False where the names cannot be swapped.
bool SwapIn(const Transaction& t, Output& o) {
  if (!o.before.exists || !o.before.regular || !t.options->nameSwaps) return false;
  const int code = platform::Exchange(o.fresh, o.target);
  if (code == platform::kNoExchange) return false;
  if (code != 0) Fail("Cannot create file", o.file->name, code);
  o.swapped = true;
  return true;
}

// Else the old file gets a second name first.
void LinkOld(const Transaction& t, Output& o) {
  if (!o.before.exists || !o.before.regular) return;
  if (const int code = platform::RemoveIfPresent(o.kept); code != 0) Fail("Cannot create file", o.file->name, code);
  o.keptExists = t.options->hardLinks && platform::HardLink(o.target, o.kept) == 0;
}

// Where hard links are not to be had, the old file is moved aside instead,
// at the last moment. Whatever is no file (a folder, say) stays where it
// is, and replacing it fails.
void MoveOldAside(Output& o) {
  if (!o.before.exists || !o.before.regular || o.keptExists) return;
  if (const int code = platform::Replace(o.target, o.kept); code != 0) Fail("Cannot create file", o.file->name, code);
  o.keptExists = true;
  o.targetChanged = true;
}

void ReplaceTarget(Output& o) {
  if (const int code = platform::Replace(o.fresh, o.target); code != 0) Fail("Cannot create file", o.file->name, code);
  o.freshExists = false;
  o.targetChanged = true;
}

// Puts every changed target back as it was and removes the temporaries;
// false when a target could not be put back.
bool Rollback(Transaction& t) noexcept {
  bool restored = true;
  for (auto o = t.outputs.rbegin(); o != t.outputs.rend(); ++o) {
    // Swapped back, fresh names the new file again; it is removed below
    // either way.
    if (o->swapped) restored = platform::Exchange(o->fresh, o->target) == 0 && restored;
    o->swapped = false;
    if (o->targetChanged) {
      const int code = o->keptExists ? platform::Replace(o->kept, o->target) : platform::RemoveIfPresent(o->target);
      if (code == 0) o->keptExists = false;
      restored = restored && code == 0;
    }
    if (o->keptExists) platform::RemoveIfPresent(o->kept);
    o->keptExists = false;
    // Gone before interruptions are let through again.
    if (o->freshExists) platform::RemoveIfPresent(o->fresh);
    o->freshExists = false;
  }
  return restored;
}

}  // namespace

void WriteTemporaries(Transaction& t) {
  for (Output& o : t.outputs) WriteTemporary(t, o);
}

void Commit(Transaction& t) {
  platform::InterruptsHeld held;
  try {
    // Everything that can fail goes first, so the renames that change the
    // set follow each other closely: a kill that no process can hold back
    // (SIGKILL, a power cut) rarely falls between them.
    for (Output& o : t.outputs) {
      NameUnnamed(o);
      if (!platform::kCanExchange) LinkOld(t, o);
    }
    for (std::size_t i = 0; i < t.outputs.size(); ++i) {
      if (t.options->beforeReplace) t.options->beforeReplace(i);
      Output& o = t.outputs[i];
      if (SwapIn(t, o)) continue;
      if (platform::kCanExchange) LinkOld(t, o);  // a file system that cannot swap
      MoveOldAside(o);
      ReplaceTarget(o);
    }
  } catch (const IoError& e) {
    if (!Rollback(t)) {
      Failure failure = e.failure();
      failure.detail = (failure.detail.empty() ? IoErrorText(failure.ioCode) : failure.detail) +
                       "; the earlier outputs could not all be put back";
      throw IoError(std::move(failure));
    }
    throw;
  } catch (...) {
    Rollback(t);
    throw;
  }
  for (Output& o : t.outputs) {
    if (o.keptExists) platform::RemoveIfPresent(o.kept);
    if (o.swapped) platform::RemoveIfPresent(o.fresh);
    o.freshExists = o.freshExists && !o.swapped;
  }
}

}  // namespace tilora::output_set
