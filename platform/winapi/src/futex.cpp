#include "futex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace winapi::kernel {

bool FutexWait(uint32_t* word, uint32_t expected, const timespec* deadline) {
    // FUTEX_WAIT_BITSET takes an absolute time-out, so retries need no
    // arithmetic; the word is not private to this process.
    long rc = ::syscall(SYS_futex, word, FUTEX_WAIT_BITSET, expected, deadline, nullptr, FUTEX_BITSET_MATCH_ANY);
    return !(rc != 0 && errno == ETIMEDOUT);
}

void FutexWakeAll(uint32_t* word) { ::syscall(SYS_futex, word, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0); }

}  // namespace winapi::kernel
