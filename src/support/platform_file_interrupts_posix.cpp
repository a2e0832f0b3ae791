#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "support/platform_file_interrupts.h"

namespace tilora::platform {
namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

// Read by the handler, so plain lock-free atomics only.
std::atomic<const char* const*> pendingNames{nullptr};
std::atomic<std::size_t> pendingCount{0};
static_assert(std::atomic<const char* const*>::is_always_lock_free);
static_assert(std::atomic<std::size_t>::is_always_lock_free);

sigset_t InterruptSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int sig : kInterrupts) sigaddset(&set, sig);
  return set;
}

// Async-signal-safe: unlink and raise only. SA_RESETHAND has put the
// default action back, so the signal raised again ends the process with
// the usual status once this handler returns.
extern "C" void RemoveTemporariesAndEnd(int sig) {
  const int savedErrno = errno;
  const std::size_t count = pendingCount.load();
  const char* const* names = pendingNames.load();
  for (std::size_t i = 0; i < count; ++i) ::unlink(names[i]);
  ::raise(sig);
  errno = savedErrno;
}

void Install() {
  for (const int sig : kInterrupts) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) != 0) continue;
    if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndEnd;
    action.sa_mask = InterruptSet();
    action.sa_flags = static_cast<int>(SA_RESETHAND | SA_RESTART);
    ::sigaction(sig, &action, nullptr);
  }
  struct sigaction old {};
  if (::sigaction(SIGXFSZ, nullptr, &old) == 0 && (old.sa_flags & SA_SIGINFO) == 0 && old.sa_handler == SIG_DFL)
    ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace

void PrepareForInterrupts() {
  static std::once_flag once;
  std::call_once(once, Install);
}

void SetPendingTemporaries(const char* const* names, std::size_t count) {
  // The handler never sees a count without its names.
  pendingCount.store(0);
  pendingNames.store(names);
  pendingCount.store(count);
}

InterruptsHeld::InterruptsHeld() {
  static_assert(sizeof saved_ >= sizeof(sigset_t));
  const sigset_t held = InterruptSet();
  sigset_t before;
  ::pthread_sigmask(SIG_BLOCK, &held, &before);
  std::memcpy(saved_, &before, sizeof before);
}

InterruptsHeld::~InterruptsHeld() {
  sigset_t before;
  std::memcpy(&before, saved_, sizeof before);
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace tilora::platform
