// ISupportErrorInfoImpl: tells callers that the error info a server object
// leaves after a failed call belongs to that call, for the listed interfaces.
//
//   class CItmManager : ..., public ISupportErrorInfoImpl<&IItmManager::kIid, &IItmManager2::kIid> {
//       BEGIN_COM_MAP(CItmManager) ... COM_INTERFACE_ENTRY(ISupportErrorInfo) END_COM_MAP()
//   };
#pragma once

#include "com/error_info.h"
#include "winapi/errors.h"

template <const IID*... piids>
class ISupportErrorInfoImpl : public ISupportErrorInfo {
public:
    // S_OK for a listed interface, S_FALSE for any other.
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return ((riid == *piids) || ...) ? S_OK : S_FALSE;
    }

protected:
    ISupportErrorInfoImpl() = default;
    ~ISupportErrorInfoImpl() = default;
};
