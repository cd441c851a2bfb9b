#include "com/error_info.h"

#include <atomic>
#include <new>
#include <optional>
#include <string>

namespace {

// The error object of CreateErrorInfo: written through ICreateErrorInfo,
// read through IErrorInfo. Its texts are kept as plain strings, so a pending
// error info does not show among the caller's live BSTRs.
class ErrorObject final : public IErrorInfo, public ICreateErrorInfo {
public:
    // IUnknown, answered alike by both interfaces.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IErrorInfo) {
            *object = static_cast<IErrorInfo*>(this);
        } else if (riid == IID_ICreateErrorInfo) {
            *object = static_cast<ICreateErrorInfo*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    // Relaxed increment: a new reference is taken from one already held.
    // Acquire-release decrement: the last Release must see every write made
    // through the other references before it deletes the object.
    ULONG STDMETHODCALLTYPE AddRef() override { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

    // IErrorInfo
    HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override {
        if (guid == nullptr) return E_INVALIDARG;
        *guid = guid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* source) override { return Hand(source_, source); }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override { return Hand(description_, description); }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* helpFile) override { return Hand(helpFile_, helpFile); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* helpContext) override {
        if (helpContext == nullptr) return E_INVALIDARG;
        *helpContext = helpContext_;
        return S_OK;
    }

    // ICreateErrorInfo
    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID guid) override {
        guid_ = guid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSource(LPCOLESTR source) override { return Keep(source, source_); }
    HRESULT STDMETHODCALLTYPE SetDescription(LPCOLESTR description) override { return Keep(description, description_); }
    HRESULT STDMETHODCALLTYPE SetHelpFile(LPCOLESTR helpFile) override { return Keep(helpFile, helpFile_); }
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD helpContext) override {
        helpContext_ = helpContext;
        return S_OK;
    }

private:
    ~ErrorObject() = default;

    using Text = std::optional<std::u16string>;

    static HRESULT Keep(LPCOLESTR text, Text& into) {
        try {
            if (text == nullptr) {
                into.reset();
            } else {
                into = std::u16string(text);
            }
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }
    static HRESULT Hand(const Text& text, BSTR* out) {
        if (out == nullptr) return E_INVALIDARG;
        *out = nullptr;
        if (!text) return S_OK;
        *out = SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    std::atomic<ULONG> count_{1};
    GUID guid_{};
    Text source_;
    Text description_;
    Text helpFile_;
    DWORD helpContext_ = 0;
};

// The thread's error info. Whatever is still pending when the thread ends is
// released with it.
struct ErrorSlot {
    IErrorInfo* info = nullptr;
    ~ErrorSlot() {
        if (info != nullptr) info->Release();
    }
};
thread_local ErrorSlot threadErrorSlot;

}  // namespace

STDAPI CreateErrorInfo(ICreateErrorInfo** errorInfo) {
    if (errorInfo == nullptr) return E_INVALIDARG;
    *errorInfo = nullptr;
    auto* object = new (std::nothrow) ErrorObject();
    if (object == nullptr) return E_OUTOFMEMORY;
    *errorInfo = object;
    return S_OK;
}

STDAPI SetErrorInfo(ULONG reserved, IErrorInfo* errorInfo) {
    if (reserved != 0) return E_INVALIDARG;
    if (errorInfo != nullptr) errorInfo->AddRef();
    IErrorInfo* previous = threadErrorSlot.info;
    threadErrorSlot.info = errorInfo;
    // Released only after the slot is consistent: a release may run code that
    // sets error info of its own.
    if (previous != nullptr) previous->Release();
    return S_OK;
}

STDAPI GetErrorInfo(ULONG reserved, IErrorInfo** errorInfo) {
    if (errorInfo == nullptr || reserved != 0) return E_INVALIDARG;
    *errorInfo = threadErrorSlot.info;
    threadErrorSlot.info = nullptr;
    return *errorInfo != nullptr ? S_OK : S_FALSE;
}
