#pragma once

// What an interruption (Ctrl+C, a termination request, a closed terminal)
// does to a set of outputs being written: before the set is committed it
// removes the temporaries and ends the process as the interruption would
// have; while it is committed, it waits until the set is complete.

#include <cstddef>

namespace tilora::platform {

// Installed once per process, on the first set written; an interruption
// that the process already ignores or handles itself is left to it. POSIX
// also ignores SIGXFSZ, so a write past the file size limit fails as a write.
void PrepareForInterrupts();

// The temporaries an interruption removes: count names, each alive until
// the next call. Call only while an InterruptsHeld lives, and with no names
// before they go away.
void SetPendingTemporaries(const char* const* names, std::size_t count);

// Holds interruptions back for as long as it lives, also those another
// thread of the process takes: they end the process when it goes.
class InterruptsHeld {
 public:
  InterruptsHeld();
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  unsigned char saved_[128];  // the signal mask before, where there is one
};

}  // namespace tilora::platform
