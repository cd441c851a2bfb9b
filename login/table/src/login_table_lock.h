// The login mutex held for one scope. The wait has no time-out; an abandoned
// mutex (its holder died) counts as taken. Without a mutex, or when the wait
// fails otherwise, the scope goes on unlocked and releases nothing.
#pragma once

#include "winapi/types.h"

class LoginTableLock {
public:
    explicit LoginTableLock(HANDLE mutex);
    ~LoginTableLock();
    LoginTableLock(const LoginTableLock&) = delete;
    LoginTableLock& operator=(const LoginTableLock&) = delete;

private:
    HANDLE held_ = nullptr;
};
