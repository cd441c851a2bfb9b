// What the outside get and delete operations are alike as COM objects:
// IItmOperation with error info for it, and ItmInitOperation, which keeps the
// set-up their starts work with.
#pragma once

#include "operation_support.h"

#include "bellquist/operation_interfaces.h"
#include "com/server/support_error_info.h"

namespace itemops {

class COutsideOperation : public BellquistLib::IItmOperation,
                          public ISupportErrorInfoImpl<&BellquistLib::IItmOperation::kIid> {
public:
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
