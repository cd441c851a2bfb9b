// VaultEntry: one vault among the items handed to IVaultUtils::Init - the
// connection they share and what the client library says about it.
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

#include <vector>

struct SAFEARRAY;

struct VaultEntry {
    VaultEntry() = default;
    // Releases the connection and frees the view path, the rights array and
    // the item copies.
    ~VaultEntry();
    VaultEntry(const VaultEntry&) = delete;
    VaultEntry& operator=(const VaultEntry&) = delete;

    IUnknown* mpoConnection = nullptr;  // one reference
    LONG mlUserID = 0;
    BSTR moViewPath = nullptr;
    GUID moViewGUID{};
    GUID moVaultGUID{};
    ULONGLONG mulParentWnd = 0;
    SAFEARRAY* mpoSystemRights = nullptr;  // SAFEARRAY(MenuSysRightInfo), owned
    std::vector<VARIANT> moItems;          // copies of the list's elements, in list order
};
