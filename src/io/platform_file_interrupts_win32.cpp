#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <mutex>
#include <string>

#include "io/platform_file_interrupts.h"
#include "io/platform_file_interrupts_state.h"
#include "io/platform_file_set.h"

namespace tilora::platform {
namespace {

void Delete(const char* name) {
  std::wstring wide;
  if (ToWideName(name, wide)) ::DeleteFileW(wide.c_str());
}

// Console events arrive on a thread of their own, which may wait: until no
// set is being committed, then the temporaries go and the default handler
// ends the process. No thread starts a commit after that.
BOOL WINAPI RemoveTemporariesAndEnd(DWORD) {
  if (interrupt_state::WaitToEnd()) interrupt_state::RemovePending(Delete);
  return FALSE;
}

}  // namespace

void PrepareForInterrupts() {
  static std::once_flag once;
  std::call_once(once, [] { ::SetConsoleCtrlHandler(RemoveTemporariesAndEnd, TRUE); });
}

InterruptsHeld::InterruptsHeld() : saved_{} { interrupt_state::Hold(); }

InterruptsHeld::~InterruptsHeld() { interrupt_state::Release(); }

}  // namespace tilora::platform
