#pragma once

// The steps of WriteOutputSet, shared by output_set.cpp (planning, locking,
// refusals) and output_commit.cpp (temporaries, commit, rollback).

#include <span>
#include <string>
#include <vector>

#include "io/output_set/output_set.h"
#include "io/platform_file_interrupts.h"
#include "io/platform_file_set.h"

namespace tilora::output_set {

struct Output {
  const OutputFile* file = nullptr;
  std::string target;  // the name with links followed: the file replaced
  std::string folder;
  std::string fresh;   // the new contents' name until they replace target
  std::string kept;    // the old file's second name until the set is complete
  platform::FileId folderId;
  platform::ExistingFile before;
  platform::Handle unnamed = platform::kNoHandle;
  bool freshExists = false;
  bool keptExists = false;
  bool targetChanged = false;  // replaced, or moved to kept
  bool swapped = false;        // the new file swapped in: fresh now names the old one
};

struct Transaction {
  const OutputSetOptions* options = nullptr;
  std::vector<Output> outputs;
  std::vector<platform::FolderLock> locks;
  std::vector<const char*> pendingNames;  // reserved up front: a handler reads it
  platform::PendingTemporaries pending;
};

[[noreturn]] void Fail(const char* action, const std::string& name, int code);

void Plan(Transaction& t, std::span<const OutputFile> files);
void LockFolders(Transaction& t);
// Puts right what a run killed between two renames left (an old output
// moved aside and not put back), so the set starts from a whole one.
void RecoverLeftovers(Transaction& t);
void RefuseUnsafe(Transaction& t);
void WriteTemporaries(Transaction& t);
void Commit(Transaction& t);
// Removes whatever is still ours and unlocks; never raises.
void Discard(Transaction& t) noexcept;

}  // namespace tilora::output_set
