#include "row_objects.h"

#include "com/server/com_object.h"

#include <utility>

namespace castavy {

namespace {

// A new object of T with one reference for the caller, given to `out` as
// its interface I after `fill` prepared it.
template <class T, class I, class Fill>
HRESULT MakeObject(I** out, Fill fill) {
    if (!out) return E_POINTER;
    *out = nullptr;
    CComObject<T>* made = nullptr;
    if (HRESULT hr = CComObject<T>::CreateInstance(&made); FAILED(hr)) return hr;
    made->AddRef();
    fill(*made);
    *out = made;
    return S_OK;
}

}  // namespace

HRESULT CItemElement::Create(IUnknown* item, CASTAVYLib::IFileRefElement** element) {
    return MakeObject<CItemElement>(element, [item](CItemElement& made) { made.item_ = item; });
}

HRESULT CItemElement::HasItem(LONG* plHas) {
    if (!plHas) return E_POINTER;
    *plHas = item_ ? 1 : 0;
    return S_OK;
}

HRESULT CItemElement::GetItem(IUnknown** ppoItem) {
    if (!ppoItem) return E_POINTER;
    *ppoItem = item_;
    if (!item_) return S_FALSE;
    item_->AddRef();
    return S_OK;
}

HRESULT CRowList::Create(std::vector<CComPtr<IUnknown>> rows, CASTAVYLib::IFileRefItemList** list) {
    return MakeObject<CRowList>(list, [&rows](CRowList& made) { made.rows_ = std::move(rows); });
}

HRESULT CRowList::GetCount(LONG* plCount, LONG /*lColumn*/, LONG /*lReserved*/) {
    if (!plCount) return E_POINTER;
    *plCount = static_cast<LONG>(rows_.size());
    return S_OK;
}

HRESULT CRowList::GetEnum(CASTAVYLib::IFileRefItemEnum** ppoEnum) { return CRowEnum::Create(rows_, ppoEnum); }

HRESULT CRowEnum::Create(std::vector<CComPtr<IUnknown>> rows, CASTAVYLib::IFileRefItemEnum** enumeration) {
    return MakeObject<CRowEnum>(enumeration, [&rows](CRowEnum& made) { made.rows_ = std::move(rows); });
}

HRESULT CRowEnum::Next(IUnknown** ppoRow) {
    if (!ppoRow) return E_POINTER;
    *ppoRow = nullptr;
    if (next_ >= rows_.size()) return S_FALSE;
    *ppoRow = rows_[next_++];
    (*ppoRow)->AddRef();
    return S_OK;
}

}  // namespace castavy
