// NsTavroskClient::COperationGetResult: the object that an outside item
// operation hands its result to (IItmOperationPropertyResult::SetResult);
// the client back end reads the value after ItmEndOperation.
//
// Free-threaded: the count is interlocked and the one value is atomic.
#pragma once

#include "bellquist/operation_interfaces.h"
#include "com/server/com_object.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"

#include <atomic>

namespace NsTavroskClient {

class COperationGetResult : public CComObjectRootEx<CComMultiThreadModel>,
                            public IDispatchImpl<BellquistLib::IItmOperationPropertyResult> {
public:
    BEGIN_COM_MAP(COperationGetResult)
    COM_INTERFACE_ENTRY(BellquistLib::IItmOperationPropertyResult)
    COM_INTERFACE_ENTRY2(IDispatch, BellquistLib::IItmOperationPropertyResult)
    END_COM_MAP()

    // A new object (value 0) with one reference for the caller. E_POINTER,
    // E_OUTOFMEMORY.
    static HRESULT mhCreate(COperationGetResult** result);

    // Property 0 only: a VT_I4 value is stored (S_OK), another type gives
    // E_INVALIDARG (also a null value). Any other property: S_FALSE, the
    // value unchanged.
    HRESULT STDMETHODCALLTYPE SetResult(LONG ePropResult, VARIANT* vPropertyValue) override;

    LONG mlGetResult() const noexcept { return mlResult.load(); }

protected:
    COperationGetResult() = default;
    ~COperationGetResult() = default;

private:
    std::atomic<LONG> mlResult{0};
};

}  // namespace NsTavroskClient
