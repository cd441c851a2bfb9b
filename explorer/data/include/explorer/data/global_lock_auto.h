// GlobalLockAuto: a global memory block held locked while it is read (the
// clipboard's and a drop's data blocks). The block itself belongs to whoever
// handed it over; the holder owns only its lock.
#pragma once

#include "winapi/memory.h"
#include "winapi/types.h"

class GlobalLockAuto {
public:
    GlobalLockAuto() noexcept = default;
    // Unlocks the block held.
    virtual ~GlobalLockAuto();
    GlobalLockAuto(const GlobalLockAuto&) = delete;
    GlobalLockAuto& operator=(const GlobalLockAuto&) = delete;

    // Unlocks the block held before, then locks `block` and holds it with its
    // pointer and size. True when the lock gave a pointer; a block that
    // cannot be locked (or null) is not held, so no lock of another holder is
    // ever given back for it.
    bool mbLock(HGLOBAL block);
    // Unlocks the block held, if any; the holder is empty afterwards.
    void mvUnlock();

    HGLOBAL Handle() const noexcept { return mhGlobal; }
    void* Data() const noexcept { return mpoData; }
    SIZE_T Size() const noexcept { return mlSize; }

private:
    HGLOBAL mhGlobal = nullptr;
    void* mpoData = nullptr;
    SIZE_T mlSize = 0;
};
