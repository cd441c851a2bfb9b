#include "explorer/data/global_lock_auto.h"

GlobalLockAuto::~GlobalLockAuto() { mvUnlock(); }

void GlobalLockAuto::mvUnlock() {
    if (mhGlobal != nullptr) GlobalUnlock(mhGlobal);
    mhGlobal = nullptr;
    mpoData = nullptr;
    mlSize = 0;
}

bool GlobalLockAuto::mbLock(HGLOBAL block) {
    mvUnlock();
    if (block == nullptr) return false;
    void* data = GlobalLock(block);
    if (data == nullptr) return false;
    mhGlobal = block;
    mpoData = data;
    mlSize = GlobalSize(block);
    return true;
}
