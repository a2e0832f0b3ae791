#pragma once

// What an interruption (Ctrl+C, a termination request, a closed terminal)
// does to the sets of outputs being written: before a set is committed it
// removes the temporaries and ends the process as the interruption would
// have; while any set is committed, it waits until that set is complete.

#include <cstddef>

namespace tilora::platform {

// Installed once per process, on the first set written; an interruption
// that the process already ignores or handles itself is left to it. POSIX
// also ignores SIGXFSZ, so a write past the file size limit fails as a write.
void PrepareForInterrupts();

// Holds interruptions back for as long as it lives, also those another
// thread of the process takes. A thread may hold while others write.
class InterruptsHeld {
 public:
  InterruptsHeld();
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  unsigned char saved_[128];  // the signal mask before, where there is one
};

// The temporaries of one set that an interruption removes. Set and Clear
// only while an InterruptsHeld lives.
class PendingTemporaries {
 public:
  PendingTemporaries() = default;
  ~PendingTemporaries();
  PendingTemporaries(const PendingTemporaries&) = delete;
  PendingTemporaries& operator=(const PendingTemporaries&) = delete;

  // count names, each alive until the next call; false when more sets are
  // being written at once than there are places for.
  bool Set(const char* const* names, std::size_t count);
  void Clear();

 private:
  int slot_ = -1;
};

}  // namespace tilora::platform
