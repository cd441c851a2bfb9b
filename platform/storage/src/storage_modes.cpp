#include "storage_modes.h"

#include "storage/storage.h"
#include "winapi/errors.h"

namespace storage {

namespace {

constexpr DWORD kAccessMask = 0x3;
constexpr DWORD kShareMask = 0x70;

// Every STGM_* bit defined; any other bit makes a mode invalid.
constexpr DWORD kKnownBits = kAccessMask | kShareMask | STGM_PRIORITY | STGM_CREATE | STGM_CONVERT | STGM_TRANSACTED |
                             STGM_NOSCRATCH | STGM_NOSNAPSHOT | STGM_SIMPLE | STGM_DIRECT_SWMR | STGM_DELETEONRELEASE;

constexpr DWORD kUnsupportedBits = STGM_PRIORITY | STGM_CONVERT | STGM_NOSNAPSHOT | STGM_SIMPLE | STGM_DIRECT_SWMR;

HRESULT CheckCommonBits(DWORD mode) {
    if ((mode & ~kKnownBits) != 0 || (mode & kAccessMask) == kAccessMask) return STG_E_INVALIDFLAG;
    if ((mode & kUnsupportedBits) != 0) return STG_E_INVALIDFLAG;
    return S_OK;
}

}  // namespace

bool CanRead(DWORD mode) { return (mode & kAccessMask) != STGM_WRITE; }

bool CanWrite(DWORD mode) { return (mode & kAccessMask) != STGM_READ; }

bool IsShareExclusive(DWORD mode) { return (mode & kShareMask) == STGM_SHARE_EXCLUSIVE; }

bool AccessWithin(DWORD childMode, DWORD parentMode) {
    return (!CanRead(childMode) || CanRead(parentMode)) && (!CanWrite(childMode) || CanWrite(parentMode));
}

HRESULT CheckRootMode(DWORD mode, bool creating) {
    if (HRESULT hr = CheckCommonBits(mode); FAILED(hr)) return hr;
    bool sharedReader = (mode & kShareMask) == STGM_SHARE_DENY_WRITE && !CanWrite(mode);
    if (!IsShareExclusive(mode) && !sharedReader) return STG_E_INVALIDFLAG;
    if (creating) {
        if (!CanWrite(mode)) return STG_E_INVALIDFLAG;
    } else {
        if ((mode & STGM_CREATE) != 0) return STG_E_INVALIDFLAG;
        if ((mode & STGM_DELETEONRELEASE) != 0) return STG_E_INVALIDFUNCTION;
    }
    return S_OK;
}

HRESULT CheckElementMode(DWORD mode, bool creating) {
    if (HRESULT hr = CheckCommonBits(mode); FAILED(hr)) return hr;
    if (!IsShareExclusive(mode)) return STG_E_INVALIDFLAG;
    if ((mode & (STGM_TRANSACTED | STGM_NOSCRATCH)) != 0) return STG_E_INVALIDFLAG;
    if (!creating && (mode & STGM_CREATE) != 0) return STG_E_INVALIDFLAG;
    if ((mode & STGM_DELETEONRELEASE) != 0) return STG_E_INVALIDFUNCTION;
    return S_OK;
}

HRESULT CheckCommitFlags(DWORD flags) {
    constexpr DWORD kConsolidate = 8;
    constexpr DWORD kKnown =
        STGC_OVERWRITE | STGC_ONLYIFCURRENT | STGC_DANGEROUSLYCOMMITMERELYTODISKCACHE | kConsolidate;
    return (flags & ~kKnown) == 0 ? S_OK : STG_E_INVALIDFLAG;
}

}  // namespace storage
