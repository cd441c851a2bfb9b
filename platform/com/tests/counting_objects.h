// Fake objects for the tests of the smart types and the error info: they
// count their references and the objects alive, and fail the test on a call
// they must never get (a Release without a reference, an unexpected method).
#pragma once

#include "com/error_info.h"
#include "com/unknown.h"

#include <gtest/gtest.h>

#include <atomic>

namespace com_test {

struct IFoo : IUnknown {
    COM_INTERFACE_ID("5B1D6E0A-7C2F-4F7E-9A41-0C3E2D1B7A10");
    virtual LONG STDMETHODCALLTYPE Foo() = 0;

protected:
    ~IFoo() = default;
};

struct IFooEx : IFoo {
    COM_INTERFACE_ID("5B1D6E0A-7C2F-4F7E-9A41-0C3E2D1B7A11");
    virtual LONG STDMETHODCALLTYPE FooEx() = 0;

protected:
    ~IFooEx() = default;
};

struct IBar : IUnknown {
    COM_INTERFACE_ID("5B1D6E0A-7C2F-4F7E-9A41-0C3E2D1B7A12");
    virtual LONG STDMETHODCALLTYPE Bar() = 0;

protected:
    ~IBar() = default;
};

// Answers IUnknown, IFoo, IFooEx and IBar, and ISupportErrorInfo when told
// which interface's error info it vouches for. A failure set with
// FailQueries is returned by every QueryInterface.
class CountingObject final : public IFooEx, public IBar, public ISupportErrorInfo {
public:
    static CountingObject* Create() { return new CountingObject(); }  // one reference
    static int Live() { return live_.load(); }

    void SupportErrorInfoFor(const IID& iid) {
        supportsErrorInfo_ = true;
        errorInfoIid_ = iid;
    }
    void FailQueries(HRESULT hr) { queryFailure_ = hr; }
    ULONG References() const { return count_.load(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (FAILED(queryFailure_)) return queryFailure_;
        if (riid == IID_IUnknown || riid == IFoo::kIid || riid == IFooEx::kIid) {
            *object = static_cast<IFooEx*>(this);
        } else if (riid == IBar::kIid) {
            *object = static_cast<IBar*>(this);
        } else if (riid == IID_ISupportErrorInfo && supportsErrorInfo_) {
            *object = static_cast<ISupportErrorInfo*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (count_.load() == 0) {
            ADD_FAILURE() << "Release without a reference";
            return 0;
        }
        ULONG left = --count_;
        if (left == 0) delete this;
        return left;
    }
    LONG STDMETHODCALLTYPE Foo() override { return 1; }
    LONG STDMETHODCALLTYPE FooEx() override { return 2; }
    LONG STDMETHODCALLTYPE Bar() override { return 3; }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == errorInfoIid_ ? S_OK : S_FALSE;
    }

private:
    CountingObject() { ++live_; }
    ~CountingObject() { --live_; }

    static inline std::atomic<int> live_{0};
    std::atomic<ULONG> count_{1};
    HRESULT queryFailure_ = S_OK;
    bool supportsErrorInfo_ = false;
    IID errorInfoIid_{};
};

// An error info with a fixed description that counts its references; any
// getter but GetDescription is a call the tests do not expect.
class CountingErrorInfo final : public IErrorInfo {
public:
    static CountingErrorInfo* Create(const char16_t* description) { return new CountingErrorInfo(description); }
    static int Live() { return live_.load(); }
    ULONG References() const { return count_.load(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IErrorInfo) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IErrorInfo*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (count_.load() == 0) {
            ADD_FAILURE() << "Release without a reference";
            return 0;
        }
        ULONG left = --count_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override {
        *description = SysAllocString(description_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetGUID(GUID*) override { return Unexpected("GetGUID"); }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR*) override { return Unexpected("GetSource"); }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR*) override { return Unexpected("GetHelpFile"); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD*) override { return Unexpected("GetHelpContext"); }

private:
    explicit CountingErrorInfo(const char16_t* description) : description_(description) { ++live_; }
    ~CountingErrorInfo() { --live_; }
    static HRESULT Unexpected(const char* method) {
        ADD_FAILURE() << "unexpected call of " << method;
        return E_UNEXPECTED;
    }

    static inline std::atomic<int> live_{0};
    std::atomic<ULONG> count_{1};
    const char16_t* description_;
};

}  // namespace com_test
