#pragma once

// What the interruption handlers of both platforms share: who is committing
// a set, the signal left for them, and every set's pending temporaries. All
// lock-free atomics, so a signal handler may read it.

#include <cstddef>

namespace tilora::platform::interrupt_state {

// Counts the calling thread among those committing; once the process is
// ending it never returns.
void Hold();
// The signal to end the process with now, left while this thread was the
// last one committing, or 0.
int Release();
// From a handler: true when the process is to end now (nothing is held, and
// no thread may change the pending temporaries any more); false when the
// signal is left to the committing threads, or another thread is ending it.
bool TakeSignal(int sig);
// For a handler that may wait (Windows): waits until nothing is held, then
// as TakeSignal.
bool WaitToEnd();

// Places for the pending temporaries of the sets being written at once;
// -1 when all are taken. Set and Free only while Held.
int TakeSlot();
void SetSlot(int slot, const char* const* names, std::size_t count);
void FreeSlot(int slot);
// Calls remove on every pending temporary; only once the process is ending.
void RemovePending(void (*remove)(const char* name));

}  // namespace tilora::platform::interrupt_state
