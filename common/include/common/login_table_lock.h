// The login table's mutex held for one scope. The wait has no time-out; an
// abandoned mutex (its holder died) counts as taken. Without a mutex, or when
// the wait fails otherwise, the lock is not held: a writer goes on unlocked,
// a reader that must not see a half-written table asks Held().
#pragma once

#include "winapi/types.h"

class LoginTableLock {
public:
    explicit LoginTableLock(HANDLE mutex);
    ~LoginTableLock();
    LoginTableLock(const LoginTableLock&) = delete;
    LoginTableLock& operator=(const LoginTableLock&) = delete;

    bool Held() const noexcept { return held_ != nullptr; }

private:
    HANDLE held_ = nullptr;
};
