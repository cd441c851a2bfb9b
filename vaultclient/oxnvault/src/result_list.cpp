#include "result_list.h"

#include "common/com_errors.h"
#include "common/error_codes.h"
#include "com/bstr.h"
#include "com/method_boundary.h"

namespace oxnvault {

using OxnVaultLib::IOxnListPosition;
using OxnVaultLib::IOxnResultList;

HRESULT CListPosition::IsAtEnd(VARIANT_BOOL* atEnd) {
    if (!atEnd) return E_POINTER;
    *atEnd = next_ >= count_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CResultList::IsEmpty(VARIANT_BOOL* empty) {
    if (!empty) return E_POINTER;
    *empty = entries_.empty() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// Positions 8 to 10 belong to list methods nobody calls; kept so that the
// walk sits at slots 11 and 12.

HRESULT CResultList::GetFirstPosition(IOxnListPosition** position) {
    if (!position) return E_POINTER;
    *position = nullptr;
    CComObject<CListPosition>* created = nullptr;
    HRESULT hr = CComObject<CListPosition>::CreateInstance(&created);
    if (FAILED(hr)) return hr;
    created->list_ = static_cast<IOxnResultList*>(this);
    created->owner_ = this;
    created->count_ = entries_.size();
    created->AddRef();
    *position = created;
    return S_OK;
}

HRESULT CResultList::GetNext(IOxnListPosition* position, BSTR* path, LONG* fileId, LONG* folderId) {
    return com::Boundary([&] {
        if (!position || !path || !fileId || !folderId) return E_POINTER;
        *path = nullptr;
        *fileId = 0;
        *folderId = 0;
        // Only a position this list handed out walks it.
        auto* ours = dynamic_cast<CListPosition*>(position);
        if (!ours || ours->owner_ != this)
            gvRaiseComError(E_OXN_NULL_VALUE, u"The position is not one of this result list.");
        if (ours->next_ >= entries_.size()) gvRaiseComError(E_OXN_NULL_VALUE, u"The result list has no more entries.");
        const ResultEntry& entry = entries_[ours->next_];
        BSTR text = SysAllocStringLen(entry.path.data(), UINT(entry.path.size()));
        if (!text) return E_OUTOFMEMORY;
        *path = text;
        *fileId = entry.fileId;
        *folderId = entry.folderId;
        ++ours->next_;
        return S_OK;
    });
}

HRESULT CreateResultList(std::vector<ResultEntry> entries, IOxnResultList** list) {
    if (!list) return E_POINTER;
    *list = nullptr;
    CComObject<CResultList>* created = nullptr;
    HRESULT hr = CComObject<CResultList>::CreateInstance(&created);
    if (FAILED(hr)) return hr;
    created->entries_ = std::move(entries);
    created->AddRef();
    *list = created;
    return S_OK;
}

}  // namespace oxnvault
