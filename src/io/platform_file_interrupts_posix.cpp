#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "io/platform_file_interrupts.h"
#include "io/platform_file_interrupts_state.h"

namespace tilora::platform {
namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

sigset_t InterruptSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int sig : kInterrupts) sigaddset(&set, sig);
  return set;
}

void Unlink(const char* name) { ::unlink(name); }

// With the default action back, the signal raised again ends the process
// with the usual status (from a handler: as soon as it returns).
void RemoveTemporariesAndEnd(int sig) {
  interrupt_state::RemovePending(Unlink);
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  ::sigaction(sig, &action, nullptr);
  ::raise(sig);
}

// Async-signal-safe: atomics, unlink, sigaction and raise only. Blocking
// holds a signal back from the committing thread only; taken by another
// thread, it is left for the committing ones, which end the process once
// their sets are complete.
extern "C" void OnInterrupt(int sig) {
  const int savedErrno = errno;
  if (interrupt_state::TakeSignal(sig)) RemoveTemporariesAndEnd(sig);
  errno = savedErrno;
}

bool IsDefault(int sig) {
  struct sigaction old {};
  return ::sigaction(sig, nullptr, &old) == 0 && (old.sa_flags & SA_SIGINFO) == 0 && old.sa_handler == SIG_DFL;
}

void Install() {
  for (const int sig : kInterrupts) {
    if (!IsDefault(sig)) continue;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_mask = InterruptSet();
    action.sa_flags = SA_RESTART;
    ::sigaction(sig, &action, nullptr);
  }
  if (IsDefault(SIGXFSZ)) ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace

void PrepareForInterrupts() {
  static std::once_flag once;
  std::call_once(once, Install);
}

InterruptsHeld::InterruptsHeld() {
  static_assert(sizeof saved_ >= sizeof(sigset_t));
  const sigset_t held = InterruptSet();
  sigset_t before;
  ::pthread_sigmask(SIG_BLOCK, &held, &before);
  std::memcpy(saved_, &before, sizeof before);
  interrupt_state::Hold();
}

InterruptsHeld::~InterruptsHeld() {
  const int left = interrupt_state::Release();
  sigset_t before;
  std::memcpy(&before, saved_, sizeof before);
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  if (left != 0) RemoveTemporariesAndEnd(left);
}

}  // namespace tilora::platform
