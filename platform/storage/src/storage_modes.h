// The access and sharing modes (STGM_*) that roots and elements are opened
// with: which combinations are accepted, and what access they give.
#pragma once

#include "winapi/types.h"

namespace storage {

// The access bits of a mode.
bool CanRead(DWORD mode);
bool CanWrite(DWORD mode);
// Whether the mode is STGM_SHARE_EXCLUSIVE (the share values are not bits).
bool IsShareExclusive(DWORD mode);
// Whether an element opened with `childMode` asks for no access that its
// storage, opened with `parentMode`, lacks.
bool AccessWithin(DWORD childMode, DWORD parentMode);

// The mode of a root storage being created (`creating`) or opened. Supported:
// STGM_SHARE_EXCLUSIVE with any access, or STGM_READ with
// STGM_SHARE_DENY_WRITE; direct or transacted (STGM_NOSCRATCH is accepted);
// STGM_CREATE and STGM_DELETEONRELEASE when creating. STG_E_INVALIDFLAG for
// every other combination (the unsupported ones included: other sharing,
// STGM_PRIORITY, STGM_SIMPLE, STGM_DIRECT_SWMR, STGM_NOSNAPSHOT,
// STGM_CONVERT), STG_E_INVALIDFUNCTION for STGM_DELETEONRELEASE on an open.
HRESULT CheckRootMode(DWORD mode, bool creating);

// The mode of a stream or storage created or opened below a storage. Elements
// are always opened STGM_SHARE_EXCLUSIVE; STGM_CREATE only when creating.
// STGM_TRANSACTED on an element is not supported: the elements belong to the
// root's transaction. STG_E_INVALIDFLAG, or STG_E_INVALIDFUNCTION for
// STGM_DELETEONRELEASE.
HRESULT CheckElementMode(DWORD mode, bool creating);

// Commit flags: any of the STGC_* values (and STGC_CONSOLIDATE, 8); all of
// them commit the same way here, always flushed to disk. STG_E_INVALIDFLAG
// for other bits.
HRESULT CheckCommitFlags(DWORD flags);

}  // namespace storage
