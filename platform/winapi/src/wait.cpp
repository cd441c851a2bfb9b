#include "winapi/errors.h"
#include "winapi/sync.h"

#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto object = winapi::LookupHandle(handle);
    return object ? object->Wait(milliseconds) : WAIT_FAILED;
}

void WINAPI Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        ::sched_yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;) ::pause();
    }
    timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {}
}
