// The owner window a caller of the vault's utilities passes as a 32-bit
// value (the platform's window handles fit in one).
#pragma once

#include "winapi/types.h"

#include <cstdint>

namespace oxnvault {

inline HWND OwnerWindow(LONG hWnd) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(static_cast<ULONG>(hWnd))); }

}  // namespace oxnvault
