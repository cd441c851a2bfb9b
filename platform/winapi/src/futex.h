// Futex waits on a 32-bit word in memory shared between processes. A waiter
// that dies leaves nothing behind that could hold up the others, which is
// why events are built on these rather than on shared condition variables.
#pragma once

#include <time.h>

#include <cstdint>

namespace winapi::kernel {

// Sleeps while *word still holds `expected`, until woken or until the
// absolute CLOCK_MONOTONIC time `deadline` (null: no limit). Returns false
// only when the deadline passed; may also return early, so callers look
// at their state again.
bool FutexWait(uint32_t* word, uint32_t expected, const timespec* deadline);
// Wakes every process and thread sleeping on `word`.
void FutexWakeAll(uint32_t* word);

}  // namespace winapi::kernel
