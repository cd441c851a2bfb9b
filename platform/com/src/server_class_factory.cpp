#include "com/hresults.h"
#include "com/server/class_factory_impl.h"
#include "com/server/com_object.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/server_module.h"

namespace com {
namespace {

// Class objects may be handed to any thread of the process: an atomic count.
class ClassFactory : public CComObjectRootEx<CComMultiThreadModel>, public IClassFactory {
public:
    BEGIN_COM_MAP(ClassFactory)
    COM_INTERFACE_ENTRY(IClassFactory)
    END_COM_MAP()

    void Init(ObjectCreator create, ServerModule* module) {
        create_ = create;
        module_ = module;
        if (module_) module_->Lock();  // the factory's code is the server's
    }

    void FinalRelease() {
        if (module_) module_->Unlock();
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        HRESULT hr = create_(nullptr, iid, object);
        if (FAILED(hr)) *object = nullptr;
        return hr;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (!module_) return S_OK;  // a program's class: nothing to keep loaded
        if (lock)
            module_->Lock();
        else
            module_->Unlock();
        return S_OK;
    }

protected:
    ClassFactory() = default;
    ~ClassFactory() = default;

private:
    ObjectCreator create_ = nullptr;
    ServerModule* module_ = nullptr;  // not owned
};

}  // namespace

HRESULT CreateClassFactory(ObjectCreator create, ServerModule* module, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    CComObject<ClassFactory>* factory = nullptr;
    if (HRESULT hr = CComObject<ClassFactory>::CreateInstance(&factory); FAILED(hr)) return hr;
    factory->Init(create, module);
    factory->AddRef();
    HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

}  // namespace com
