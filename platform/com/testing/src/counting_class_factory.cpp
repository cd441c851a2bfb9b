#include "com_testing/counting_class_factory.h"

#include "com/hresults.h"

namespace com_testing {

HRESULT CountingClassFactory::QueryInterface(REFIID riid, void** object) {
    const bool answers = riid == IID_IUnknown || riid == IID_IClassFactory;
    return AnswerQuery(object, answers ? static_cast<IClassFactory*>(this) : nullptr);
}

HRESULT CountingClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    IUnknown* made = make_();
    ++created_;
    HRESULT hr = made->QueryInterface(riid, object);
    made->Release();
    return hr;
}

}  // namespace com_testing
