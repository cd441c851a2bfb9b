// A fake object that counts its references and the fakes alive, for the
// tests of everything that holds, hands on or gives back interface pointers:
// smart pointers, variants, arrays, records, error info.
#pragma once

#include "com_testing/fake_parts.h"

#include "com/dispatch.h"
#include "com/error_info.h"
#include "com/unknown.h"

namespace com_testing {

// Interfaces of the fake; IFoo::Foo gives 1, IFooEx::FooEx 2, IBar::Bar 3.
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

// Answers IUnknown, IFoo, IFooEx, IBar and IDispatch (whose methods a test
// must never call), and ISupportErrorInfo once told which interface's error
// info it vouches for. A failure set with FailQueries is the answer to every
// QueryInterface.
//
// Made by Create, it is deleted by its last Release. Made on the test's stack,
// it holds the test's own reference, which no Release may take, and it fails
// the test if any other reference is still held when it goes.
class CountingObject final : public IFooEx, public IBar, public IDispatch, public ISupportErrorInfo {
public:
    CountingObject();
    ~CountingObject();
    CountingObject(const CountingObject&) = delete;
    CountingObject& operator=(const CountingObject&) = delete;

    // A new object with one reference, the caller's.
    static CountingObject* Create();
    // Counting objects alive now, however made.
    static int Live();

    ULONG References() const { return references_.Count(); }
    // Its identity, the IUnknown that QueryInterface gives.
    IUnknown* Unknown() { return static_cast<IFooEx*>(this); }
    void SupportErrorInfoFor(const IID& iid);
    void FailQueries(HRESULT hr) { queryFailure_ = hr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;
    LONG STDMETHODCALLTYPE Foo() override { return 1; }
    LONG STDMETHODCALLTYPE FooEx() override { return 2; }
    LONG STDMETHODCALLTYPE Bar() override { return 3; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

private:
    explicit CountingObject(FakeReferenceCount::Lifetime lifetime);

    FakeReferenceCount references_;
    HRESULT queryFailure_ = S_OK;
    bool supportsErrorInfo_ = false;
    IID errorInfoIid_{};
};

}  // namespace com_testing
