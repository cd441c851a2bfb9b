// What every fake object of the component tests is made of: its reference
// count, the end of its QueryInterface, and the failure of a call it must
// never get (among them the late-bound calls of a dual interface).
#pragma once

#include "com/dispatch.h"
#include "com/unknown.h"

#include <atomic>

namespace com_testing {

// Starts at one: the reference of whoever made the fake. A fake made with
// new is deleted by its last Release. A fake the test owns (on its stack)
// keeps the test's reference to the end, so a Release that would take it
// is a fault of the code under test: it fails the test and counts nothing;
// and any other reference still held when the fake goes fails the test too.
class FakeReferenceCount {
public:
    enum class Lifetime { kDeletedByLastRelease, kOwnedByTest };

    explicit FakeReferenceCount(Lifetime lifetime) : lifetime_(lifetime) {}
    ~FakeReferenceCount();
    FakeReferenceCount(const FakeReferenceCount&) = delete;
    FakeReferenceCount& operator=(const FakeReferenceCount&) = delete;

    ULONG Count() const { return count_.load(); }
    ULONG Add() { return ++count_; }
    // The references left: 0 tells a fake made with new to delete itself.
    ULONG Release();

private:
    std::atomic<ULONG> count_{1};
    const Lifetime lifetime_;
};

// Hands `answer` (an interface of the queried object, null when it has none)
// out through `object` with a new reference: S_OK, E_NOINTERFACE, or
// E_POINTER for a null `object`.
HRESULT AnswerQuery(void** object, IUnknown* answer);

// Fails the test for a call of `method` that a fake must never get, and
// gives E_UNEXPECTED for the fake to return.
HRESULT UnexpectedCall(const char* method);

// The IDispatch slots of a fake of the dual interface `I`, which its callers
// reach through the vtable alone: each call fails the test.
template <class I>
class UnexpectedDispatch : public I {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return UnexpectedCall("GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return UnexpectedCall("GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return UnexpectedCall("GetIDsOfNames");
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return UnexpectedCall("Invoke");
    }
};

}  // namespace com_testing
