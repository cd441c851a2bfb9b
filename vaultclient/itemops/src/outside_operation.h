// What the outside get and delete operations are alike as COM objects: a
// class of their own (T, created by `clsid`) answering IItmOperation with
// error info for it, and ItmInitOperation, which keeps the set-up their
// starts work with.
#pragma once

#include "operation_support.h"

#include "bellquist/operation_interfaces.h"
#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"

namespace itemops {

template <class T, const CLSID* clsid>
class COutsideOperation : public CComObjectRootEx<CComSingleThreadModel>,
                          public CComCoClass<T, clsid>,
                          public BellquistLib::IItmOperation,
                          public ISupportErrorInfoImpl<&BellquistLib::IItmOperation::kIid> {
public:
    BEGIN_COM_MAP(COutsideOperation)
    COM_INTERFACE_ENTRY(BellquistLib::IItmOperation)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // OperationSetup::Init.
    HRESULT STDMETHODCALLTYPE ItmInitOperation(BellquistLib::IVaultUtils* poVaultUtils,
                                               BellquistLib::IItmCallBack* poCallBack, VARIANT oParam) override {
        return setup_.Init(poVaultUtils, poCallBack, oParam);
    }

protected:
    COutsideOperation() = default;
    ~COutsideOperation() = default;

    OperationSetup setup_;
};

}  // namespace itemops
