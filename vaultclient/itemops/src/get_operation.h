// The outside get operation (CLSID_ItmGetOperation): copies the files of
// items from the vault into the view folder, as the item server's get of
// specific versions and of the latest versions drives it.
//
// ItmStartOperation copies, for each item of each vault IVaultUtils hands
// out, every live file the item links to at the version asked - the same
// version number for each file (VT_I4 n), or each file's latest (VT_EMPTY) -
// into the view folder (oxnvault::CopyVersionToView). A file checked out to
// this user in this view whose local copy exists holds the user's work: it
// is replaced only when the callback's IConfirmReplace answers yes; no keeps
// it, cancel stops the run there (what was copied stays). Each item is
// reported through IItmCallBack::SetProcess - processed when every file of
// it was copied or kept - and the problems of the run (a file without that
// version, a file that could not be written) are shown once at the end.
// Objects other than items are reported as not processed.
//
// It hands out the get list - one input record per live item, at the
// version asked - for the item server to refresh, and an empty lock list:
// the get locks nothing. ItmEndOperation then tells through
// IItmOperationPropertyResult::SetResult whether the latest versions were
// got (ItemOperationsLib::kGotLatest) or the version asked
// (kGotAskedVersion), so that the refresh reads the same.
#pragma once

#include "outside_operation.h"

#include "itemops/ids.h"

namespace itemops {

class CItmGetOperation : public COutsideOperation<CItmGetOperation, &ItemOperationsLib::CLSID_ItmGetOperation> {
public:
    // The get, with oParam the version (ReadAskedVersion). S_OK with the get
    // list (then ItmEndOperation), S_FALSE when there is no item to refresh;
    // both lists are handed out on success (SAFEARRAY(ItmObjectData), the
    // caller's), null on failure. E_POINTER for a null list pointer,
    // E_INVALIDARG for another version, E_UNEXPECTED before
    // ItmInitOperation, E_OXN_MISSING_VIEW_INFO for a session without a
    // view folder; the failures of ReadOperationVaults and of the database.
    HRESULT STDMETHODCALLTYPE ItmStartOperation(VARIANT oParam, SAFEARRAY** poLockUniqueDocs,
                                                SAFEARRAY** poGetUniqueDocs) override;
    // oParam: VT_DISPATCH (or VT_UNKNOWN) with IItmOperationPropertyResult,
    // which gets property 0. S_FALSE when the start had nothing to refresh;
    // E_UNEXPECTED before a start; E_INVALIDARG for another parameter; else
    // the result of SetResult.
    HRESULT STDMETHODCALLTYPE ItmEndOperation(VARIANT oParam) override;

protected:
    CItmGetOperation() = default;
    ~CItmGetOperation() = default;

private:
    bool started_ = false;
    bool anyItem_ = false;
    bool latestAsked_ = true;
};

}  // namespace itemops
