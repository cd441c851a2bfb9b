// CComObjectRootEx: the base of every server object class. It keeps the
// object's reference count and lock in the threading model's way, and gives
// the class its two lifetime hooks. The class itself stays abstract: the
// IUnknown methods come from CComObject<Class> (com/server/com_object.h),
// which is the type actually created.
//
//   class CWidget : public CComObjectRootEx<CComSingleThreadModel>,
//                   public CComCoClass<CWidget, &CLSID_Widget>,
//                   public IDispatchImpl<IWidget> {
//   public:
//       BEGIN_COM_MAP(CWidget) ... END_COM_MAP()
//       HRESULT FinalConstruct();   // optional
//       void FinalRelease();        // optional
//   };
#pragma once

#include "com/server/thread_model.h"
#include "winapi/errors.h"
#include "winapi/types.h"

template <class ThreadModel>
class CComObjectRootEx {
public:
    using _ThreadModel = ThreadModel;

    // Runs once the object is fully built, before anyone holds it; a failure
    // destroys the object again (FinalRelease runs then too) and is the
    // result of the creation.
    HRESULT FinalConstruct() { return S_OK; }
    // Runs when the last reference is gone, before the destructors, while
    // the object is still whole: the place to release what it holds.
    void FinalRelease() {}

    // Guards the object's state against other threads (nothing to guard in
    // the single-threaded model). Re-entrant.
    void Lock() { section_.Lock(); }
    void Unlock() { section_.Unlock(); }

protected:
    CComObjectRootEx() = default;
    ~CComObjectRootEx() = default;
    CComObjectRootEx(const CComObjectRootEx&) = delete;
    CComObjectRootEx& operator=(const CComObjectRootEx&) = delete;

    // The count itself, for CComObject.
    LONG InternalAddRef() { return refCount_.Increment(); }
    LONG InternalRelease() { return refCount_.Decrement(); }

    // Called once the count reached zero, before FinalRelease: parks the
    // count far below zero, so that an AddRef and Release made while the
    // object is being destroyed (handing `this` to a helper, a
    // QueryInterface on itself) can never bring it to zero a second time.
    void BeginDestruction() {
        refCount_.AcquireBeforeDestroy();
        refCount_.Set(kCountWhileDestroying);
    }

private:
    static constexpr LONG kCountWhileDestroying = -(0x7FFFFFFF / 2);

    typename ThreadModel::RefCount refCount_;
    typename ThreadModel::CriticalSection section_;
};
