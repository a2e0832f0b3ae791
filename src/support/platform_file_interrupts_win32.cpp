#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <mutex>

#include "support/platform_file_interrupts.h"

namespace tilora::platform {
namespace {

// Console events arrive on a thread of their own: this lock keeps them out
// of a commit and out of the moment a temporary is created.
SRWLOCK guard = SRWLOCK_INIT;
const char* const* pendingNames = nullptr;
std::size_t pendingCount = 0;

BOOL WINAPI RemoveTemporariesAndEnd(DWORD) {
  ::AcquireSRWLockExclusive(&guard);
  if (pendingCount == 0) {
    ::ReleaseSRWLockExclusive(&guard);
    return FALSE;
  }
  for (std::size_t i = 0; i < pendingCount; ++i) ::DeleteFileA(pendingNames[i]);
  // The lock stays taken: the default handler ends the process next, and
  // nothing may create another temporary before it does.
  return FALSE;
}

}  // namespace

void PrepareForInterrupts() {
  static std::once_flag once;
  std::call_once(once, [] { ::SetConsoleCtrlHandler(RemoveTemporariesAndEnd, TRUE); });
}

// The caller holds the lock through an InterruptsHeld.
void SetPendingTemporaries(const char* const* names, std::size_t count) {
  pendingNames = names;
  pendingCount = count;
}

InterruptsHeld::InterruptsHeld() : saved_{} { ::AcquireSRWLockExclusive(&guard); }

InterruptsHeld::~InterruptsHeld() { ::ReleaseSRWLockExclusive(&guard); }

}  // namespace tilora::platform
