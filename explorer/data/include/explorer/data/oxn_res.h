// OxnRes: up to two loaded modules (resource libraries), each freed when the
// holder goes.
#pragma once

#include "winapi/modules.h"
#include "winapi/types.h"

class OxnRes {
public:
    OxnRes() noexcept = default;
    // Frees each module held (FreeLibrary) and clears it.
    virtual ~OxnRes();
    OxnRes(const OxnRes&) = delete;
    OxnRes& operator=(const OxnRes&) = delete;

    // Each a handle of LoadLibrary that the holder owns, or null.
    HMODULE mhModule = nullptr;
    HMODULE mhModule2 = nullptr;
};
