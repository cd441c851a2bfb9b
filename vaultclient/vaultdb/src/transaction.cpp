#include "vaultdb/transaction.h"

#include "vaultdb/database.h"
#include "vaultdb/errors.h"

namespace vaultdb {

Transaction::~Transaction() {
    if (active_) database_.Rollback();
}

HRESULT Transaction::Begin() {
    if (active_) return VDB_E_FAIL;
    HRESULT hr = database_.Begin();
    active_ = SUCCEEDED(hr);
    return hr;
}

HRESULT Transaction::Commit() {
    if (!active_) return VDB_E_FAIL;
    active_ = false;  // a failed commit has rolled back already
    return database_.Commit();
}

HRESULT Transaction::Rollback() {
    if (!active_) return S_OK;
    active_ = false;
    return database_.Rollback();
}

}  // namespace vaultdb
