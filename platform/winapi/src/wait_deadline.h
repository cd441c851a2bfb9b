// The end of a wait that may last `milliseconds` (INFINITE: no end), on the
// monotonic clock so that changes of the wall clock do not stretch or cut it.
#pragma once

#include "winapi/types.h"

#include <time.h>

namespace winapi::kernel {

class WaitDeadline {
public:
    explicit WaitDeadline(DWORD milliseconds) : infinite_(milliseconds == INFINITE) {
        ::clock_gettime(CLOCK_MONOTONIC, &when_);
        if (infinite_) return;
        when_.tv_sec += milliseconds / 1000;
        when_.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
        if (when_.tv_nsec >= 1000000000L) {
            when_.tv_sec += 1;
            when_.tv_nsec -= 1000000000L;
        }
    }

    // The absolute time on CLOCK_MONOTONIC; null for a wait without end.
    const timespec* when() const { return infinite_ ? nullptr : &when_; }

private:
    bool infinite_;
    timespec when_{};
};

}  // namespace winapi::kernel
