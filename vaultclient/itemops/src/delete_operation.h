// The outside delete operation (CLSID_ItmDeleteOperation): deletes the
// objects of the item server's selection in the vault as the vault's own
// delete does (oxnvault::Deletions): items and files are marked deleted,
// item folders go with everything below them, bills of materials are
// removed; one transaction per vault. Objects checked out by another user
// are refused and stay.
//
// Each object is reported through IItmCallBack::SetProcess (processed when
// it is gone). It asks nothing: the item server's caller has asked the user.
#pragma once

#include "outside_operation.h"

#include "itemops/ids.h"

namespace itemops {

class CItmDeleteOperation
    : public COutsideOperation<CItmDeleteOperation, &ItemOperationsLib::CLSID_ItmDeleteOperation> {
public:
    // The deletion (oParam is not read). S_FALSE - nothing to refresh - when
    // every object went, both lists null. When the vault refused objects,
    // the others are deleted all the same and the first refusal is returned
    // (E_OXN_LOCKED_BY_ANOTHER_USER, E_OXN_FILE_NOT_FOUND,
    // E_OXN_FOLDER_NOT_FOUND, E_OXN_FOLDER_NOT_EMPTY, E_OXN_PERMISSION_DENIED
    // for the root folders, E_OXN_INVALID_TYPE for an object of another
    // kind) with an error info naming every refused object. E_POINTER for a
    // null list pointer, E_UNEXPECTED before ItmInitOperation; the failures
    // of ReadOperationVaults and of the database (that vault unchanged).
    HRESULT STDMETHODCALLTYPE ItmStartOperation(VARIANT oParam, SAFEARRAY** poLockUniqueDocs,
                                                SAFEARRAY** poGetUniqueDocs) override;
    // Nothing follows a deletion: S_FALSE.
    HRESULT STDMETHODCALLTYPE ItmEndOperation(VARIANT oParam) override;

protected:
    CItmDeleteOperation() = default;
    ~CItmDeleteOperation() = default;
};

}  // namespace itemops
