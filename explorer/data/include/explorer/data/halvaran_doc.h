// CHalvaranDoc: the document of one main frame. It holds the frame's
// reference to the process's shared vault list and the frame's current
// vault, attaches and logs in to a vault at its first touch, and runs every
// item-manager operation on it, returning failures as HRESULTs with the
// thread's error info set.
//
// The attach lives in halvaran_doc_attach.cpp, the item operations in
// halvaran_doc_items.cpp; the views' side of the class comes with the
// application shell.
#pragma once

#include "explorer/data/vault_manager.h"

#include "common/ref_ptr.h"

#include "ui/framework/document.h"
#include "winapi/types.h"

class CHalvaranDoc : public CDocument {
public:
    CHalvaranDoc();
    ~CHalvaranDoc() override;

    // Attaches and logs in to the vault of `viewId` unless it is logged in.
    HRESULT attachVault(const GUID& viewId);

    // Item operations (one per item-manager operation) follow here.

    RefPtr<CVaultManager> moVaultManager;
    const GUID* mpoCurrentVault = nullptr;  // Not owned: points into the vault's node.
};
