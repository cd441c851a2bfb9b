// A class object for the tests of class creation: it counts its references
// and the objects it made.
#pragma once

#include "com_testing/fake_parts.h"

#include "com/class_factory.h"

namespace com_testing {

// Makes its objects with `make` (a new object with one reference, the
// caller's) and refuses aggregation; LockServer is accepted and ignored. It
// lives on the test's stack and holds the test's own reference.
class CountingClassFactory final : public IClassFactory {
public:
    using Maker = IUnknown* (*)();
    explicit CountingClassFactory(Maker make) : make_(make) {}

    ULONG References() const { return references_.Count(); }
    // Objects made so far.
    int Created() const { return created_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.Release(); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    FakeReferenceCount references_{FakeReferenceCount::Lifetime::kOwnedByTest};
    Maker make_;
    int created_ = 0;
};

}  // namespace com_testing
