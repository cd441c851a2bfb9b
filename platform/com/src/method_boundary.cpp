#include "com/method_boundary.h"

#include "com/com_error.h"
#include "winapi/text.h"

#include <exception>
#include <new>
#include <string>

namespace com::detail {

namespace {

// Error info with a description only; none when it cannot be made.
void SetDescribedError(const WCHAR* description) noexcept {
    ICreateErrorInfo* create = nullptr;
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        if (SUCCEEDED(create->SetDescription(description))) {
            create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
        }
        create->Release();
    }
    SetErrorInfo(0, info);
    if (info != nullptr) info->Release();
}

}  // namespace

HRESULT ReportCurrentException() noexcept {
    try {
        throw;
    } catch (const _com_error& error) {
        IErrorInfo* info = error.ErrorInfo();
        SetErrorInfo(0, info);
        if (info != nullptr) info->Release();
        return error.Error();
    } catch (const std::bad_alloc&) {
        // Describing it could need the memory that ran out.
        SetErrorInfo(0, nullptr);
        return E_OUTOFMEMORY;
    } catch (const std::exception& exception) {
        try {
            SetDescribedError(winapi::ToUtf16(exception.what()).c_str());
        } catch (...) {
            SetErrorInfo(0, nullptr);
        }
        return E_FAIL;
    } catch (...) {
        SetDescribedError(u"Unexpected exception.");
        return E_FAIL;
    }
}

}  // namespace com::detail
