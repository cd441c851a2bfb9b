#include "classes.h"

#include "com/server/com_object.h"

namespace test_server {

HRESULT CWidget::get_Size(LONG* size) {
    if (!size) return E_POINTER;
    *size = size_;
    return S_OK;
}

HRESULT CWidget::put_Size(LONG size) {
    size_ = size;
    return S_OK;
}

HRESULT CWidget::MakePart(IPart** part) {
    if (!part) return E_POINTER;
    *part = nullptr;
    CComObject<CPart>* created = nullptr;
    HRESULT hr = CComObject<CPart>::CreateInstance(&created);
    if (FAILED(hr)) return hr;
    created->SetSerial(size_);
    created->AddRef();
    *part = created;
    return S_OK;
}

HRESULT CPart::GetSerial(LONG* serial) {
    if (!serial) return E_POINTER;
    *serial = serial_;
    return S_OK;
}

HRESULT CPart::SetSerial(LONG serial) {
    serial_ = serial;
    return S_OK;
}

}  // namespace test_server
