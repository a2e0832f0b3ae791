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

// Blocking holds a signal back only from the thread that commits; another
// thread of the process (the window has several) may still take it. Then
// the handler leaves the signal here and the committing thread raises it
// once the set is complete.
constexpr int kFree = 0;
constexpr int kHeld = -1;
std::atomic<int> holdState{kFree};  // or the signal left for the holder
static_assert(std::atomic<int>::is_always_lock_free);

void RemoveTemporaries() {
  const std::size_t count = pendingCount.load();
  const char* const* names = pendingNames.load();
  for (std::size_t i = 0; i < count; ++i) ::unlink(names[i]);
}

// With the default action back, the signal raised again ends the process
// with the usual status (from a handler: as soon as it returns).
void RemoveTemporariesAndEnd(int sig) {
  RemoveTemporaries();
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  ::sigaction(sig, &action, nullptr);
  ::raise(sig);
}

// Async-signal-safe: atomics, unlink, sigaction and raise only.
extern "C" void OnInterrupt(int sig) {
  const int savedErrno = errno;
  int state = kHeld;
  // Free: end now. Held: leave it to the holder. One already left: the
  // holder ends the process anyway.
  if (!holdState.compare_exchange_strong(state, sig) && state == kFree) RemoveTemporariesAndEnd(sig);
  errno = savedErrno;
}

void Install() {
  for (const int sig : kInterrupts) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) != 0) continue;
    if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_mask = InterruptSet();
    action.sa_flags = SA_RESTART;
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
  holdState.store(kHeld);
}

InterruptsHeld::~InterruptsHeld() {
  const int left = holdState.exchange(kFree);
  sigset_t before;
  std::memcpy(&before, saved_, sizeof before);
  ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  if (left != kHeld && left != kFree) RemoveTemporariesAndEnd(left);
}

}  // namespace tilora::platform
