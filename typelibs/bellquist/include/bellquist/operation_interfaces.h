// The interfaces between the item manager and the outside item operations
// (get and delete) that it drives: the operation itself, the callback it
// reports to and the object that takes its result. Methods are in vtable
// order.
#pragma once

#include "bellquist/records.h"
#include "com/dispatch.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

struct SAFEARRAY;

namespace BellquistLib {

struct IVaultUtils;

// What an outside operation reports about each item it processes.
struct IItmCallBack : IUnknown {
    COM_INTERFACE_ID("2B6D1ECA-90E4-4B9D-BA00-A1E822F05984");
    virtual HRESULT STDMETHODCALLTYPE SetProcess(ItmDbInfo* poItemInfo, VARIANT_BOOL bIsProcessed) = 0;

protected:
    ~IItmCallBack() = default;
};

// An outside item operation, implemented outside the item server.
struct IItmOperation : IUnknown {
    COM_INTERFACE_ID("23F05BAD-C5AC-4A40-80D7-6692DD4481C9");
    virtual HRESULT STDMETHODCALLTYPE ItmInitOperation(IVaultUtils* poVaultUtils, IItmCallBack* poCallBack,
                                                       VARIANT oParam) = 0;
    // Both lists: SAFEARRAY(ItmObjectData).
    virtual HRESULT STDMETHODCALLTYPE ItmStartOperation(VARIANT oParam, SAFEARRAY** poLockUniqueDocs,
                                                        SAFEARRAY** poGetUniqueDocs) = 0;
    virtual HRESULT STDMETHODCALLTYPE ItmEndOperation(VARIANT oParam) = 0;

protected:
    ~IItmOperation() = default;
};

// Takes the result of an outside operation (given to ItmEndOperation). Dual.
struct IItmOperationPropertyResult : IDispatch {
    COM_INTERFACE_ID("81263EE3-2BA1-441D-BF8B-764782B7BC3F");
    virtual HRESULT STDMETHODCALLTYPE SetResult(LONG ePropResult, VARIANT* vPropertyValue) = 0;

protected:
    ~IItmOperationPropertyResult() = default;
};

}  // namespace BellquistLib
