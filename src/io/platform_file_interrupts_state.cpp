#include "io/platform_file_interrupts_state.h"

#include "io/platform_file_interrupts.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace tilora::platform::interrupt_state {
namespace {

// Bits 0-15: threads committing; 16-23: the signal left for the last of
// them; bit 31: the process is ending.
constexpr std::uint32_t kHolders = 0xFFFFu;
constexpr std::uint32_t kEnding = 1u << 31;
std::atomic<std::uint32_t> state{0};
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

int LeftSignal(std::uint32_t s) { return static_cast<int>((s >> 16) & 0xFFu); }

// One per set written at once: the converter's -j threads, the window.
constexpr int kSlots = 512;
std::atomic<bool> used[kSlots];
std::atomic<const char* const*> names[kSlots];
std::atomic<std::size_t> counts[kSlots];
static_assert(std::atomic<const char* const*>::is_always_lock_free);
static_assert(std::atomic<std::size_t>::is_always_lock_free);

[[noreturn]] void WaitForTheEnd() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace

void Hold() {
  std::uint32_t s = state.load();
  for (;;) {
    if ((s & kEnding) != 0) WaitForTheEnd();
    if (state.compare_exchange_weak(s, s + 1)) return;
  }
}

int Release() {
  std::uint32_t s = state.load();
  for (;;) {
    if ((s & kHolders) == 1 && LeftSignal(s) != 0) {
      if (state.compare_exchange_weak(s, kEnding)) return LeftSignal(s);
    } else if (state.compare_exchange_weak(s, s - 1)) {
      return 0;
    }
  }
}

bool TakeSignal(int sig) {
  std::uint32_t s = state.load();
  for (;;) {
    if ((s & kEnding) != 0) return false;
    if ((s & kHolders) == 0) {
      if (state.compare_exchange_weak(s, kEnding)) return true;
    } else if (LeftSignal(s) != 0) {
      return false;  // one already left ends the process
    } else if (state.compare_exchange_weak(s, s | (static_cast<std::uint32_t>(sig & 0xFF) << 16))) {
      return false;
    }
  }
}

bool WaitToEnd() {
  std::uint32_t s = state.load();
  for (;;) {
    if ((s & kEnding) != 0) return false;
    if ((s & kHolders) != 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      s = state.load();
    } else if (state.compare_exchange_weak(s, kEnding)) {
      return true;
    }
  }
}

int TakeSlot() {
  for (int i = 0; i < kSlots; ++i)
    if (!used[i].exchange(true)) return i;
  return -1;
}

void SetSlot(int slot, const char* const* list, std::size_t count) {
  // A reader never sees a count with another list.
  counts[slot].store(0);
  names[slot].store(list);
  counts[slot].store(count);
}

void FreeSlot(int slot) {
  SetSlot(slot, nullptr, 0);
  used[slot].store(false);
}

void RemovePending(void (*remove)(const char* name)) {
  for (int i = 0; i < kSlots; ++i) {
    const std::size_t count = counts[i].load();
    const char* const* list = names[i].load();
    for (std::size_t j = 0; list != nullptr && j < count; ++j) remove(list[j]);
  }
}

}  // namespace tilora::platform::interrupt_state

namespace tilora::platform {

bool PendingTemporaries::Set(const char* const* names, std::size_t count) {
  if (slot_ < 0) slot_ = interrupt_state::TakeSlot();
  if (slot_ < 0) return false;
  interrupt_state::SetSlot(slot_, names, count);
  return true;
}

void PendingTemporaries::Clear() {
  if (slot_ >= 0) interrupt_state::FreeSlot(slot_);
  slot_ = -1;
}

PendingTemporaries::~PendingTemporaries() {
  if (slot_ < 0) return;
  InterruptsHeld held;
  Clear();
}

}  // namespace tilora::platform
