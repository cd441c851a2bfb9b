#include "com/com_error.h"

#include "winapi/memory.h"
#include "winapi/system_messages.h"
#include "winapi/thread_locale.h"
#include "winapi/wide_format.h"

#include <new>

namespace {

// The codes of the interface facility from 0x80040200 up carry the number of
// an Automation exception (wCode) when no system text names them.
WORD DispatchErrorCode(HRESULT hr) {
    auto code = static_cast<uint32_t>(hr);
    return code >= 0x80040200u && code <= 0x8004FFFFu ? static_cast<WORD>(code - 0x80040200u) : 0;
}

WCHAR* CopyText(const WCHAR* text, size_t length) {
    auto* copy = new (std::nothrow) WCHAR[length + 1];
    if (copy == nullptr) return nullptr;
    for (size_t i = 0; i < length; ++i) copy[i] = text[i];
    copy[length] = u'\0';
    return copy;
}

WCHAR* SystemText(HRESULT hr) {
    WCHAR* text = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    if (length == 0 || text == nullptr) return nullptr;
    if (text[length - 1] == u'\n') --length;
    if (length > 0 && text[length - 1] == u'\r') --length;
    WCHAR* copy = CopyText(text, length);
    LocalFree(text);
    return copy;
}

WCHAR* FallbackText(HRESULT hr) {
    WCHAR buffer[40];
    WORD dispatchCode = DispatchErrorCode(hr);
    int length = dispatchCode != 0 ? swprintf(buffer, u"IDispatch error #%d", static_cast<int>(dispatchCode))
                                   : swprintf(buffer, u"Unknown error 0x%0lX", static_cast<unsigned int>(hr));
    return length > 0 ? CopyText(buffer, static_cast<size_t>(length)) : nullptr;
}

}  // namespace

_com_error::_com_error(HRESULT hr, IErrorInfo* errorInfo, bool addRef) noexcept : hr_(hr), errorInfo_(errorInfo) {
    if (errorInfo_ != nullptr && addRef) errorInfo_->AddRef();
}

_com_error::_com_error(const _com_error& other) noexcept : hr_(other.hr_), errorInfo_(other.errorInfo_) {
    if (errorInfo_ != nullptr) errorInfo_->AddRef();
}

_com_error& _com_error::operator=(const _com_error& other) noexcept {
    if (this == &other) return *this;
    if (other.errorInfo_ != nullptr) other.errorInfo_->AddRef();
    if (errorInfo_ != nullptr) errorInfo_->Release();
    hr_ = other.hr_;
    errorInfo_ = other.errorInfo_;
    delete[] message_;
    message_ = nullptr;
    return *this;
}

_com_error::~_com_error() {
    if (errorInfo_ != nullptr) errorInfo_->Release();
    delete[] message_;
}

IErrorInfo* _com_error::ErrorInfo() const noexcept {
    if (errorInfo_ != nullptr) errorInfo_->AddRef();
    return errorInfo_;
}

_bstr_t _com_error::Description() const {
    BSTR text = nullptr;
    if (errorInfo_ == nullptr || FAILED(errorInfo_->GetDescription(&text))) return _bstr_t();
    return _bstr_t(text, false);
}

_bstr_t _com_error::Source() const {
    BSTR text = nullptr;
    if (errorInfo_ == nullptr || FAILED(errorInfo_->GetSource(&text))) return _bstr_t();
    return _bstr_t(text, false);
}

::GUID _com_error::GUID() const noexcept {
    ::GUID guid{};
    if (errorInfo_ == nullptr || FAILED(errorInfo_->GetGUID(&guid))) return GUID_NULL;
    return guid;
}

const WCHAR* _com_error::ErrorMessage() const noexcept {
    if (message_ == nullptr) message_ = SystemText(hr_);
    if (message_ == nullptr) message_ = FallbackText(hr_);
    // Only when memory ran out: an empty text rather than a null pointer.
    return message_ != nullptr ? message_ : u"";
}

void _com_raise_error(HRESULT hr, IErrorInfo* errorInfo) { throw _com_error(hr, errorInfo); }

void _com_issue_error(HRESULT hr) { _com_raise_error(hr, nullptr); }

void _com_issue_errorex(HRESULT hr, IUnknown* object, REFIID riid) {
    IErrorInfo* errorInfo = nullptr;
    ISupportErrorInfo* support = nullptr;
    if (object != nullptr &&
        SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) &&
        support != nullptr) {
        if (support->InterfaceSupportsErrorInfo(riid) == S_OK && GetErrorInfo(0, &errorInfo) != S_OK) {
            errorInfo = nullptr;
        }
        support->Release();
    }
    _com_raise_error(hr, errorInfo);
}
