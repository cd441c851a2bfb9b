// A fake error info for the tests of whatever carries error info along: it
// counts its references and the fakes alive.
#pragma once

#include "com_testing/fake_parts.h"

#include "com/error_info.h"

namespace com_testing {

// Has a fixed description; any getter but GetDescription is a call the
// tests do not expect. Deleted by its last Release.
class CountingErrorInfo final : public IErrorInfo {
public:
    // A new error info with one reference, the caller's; `description` must
    // outlive it.
    static CountingErrorInfo* Create(const char16_t* description);
    // Counting error infos alive now.
    static int Live();

    ULONG References() const { return references_.Count(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override;
    HRESULT STDMETHODCALLTYPE GetGUID(GUID*) override;
    HRESULT STDMETHODCALLTYPE GetSource(BSTR*) override;
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR*) override;
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD*) override;

private:
    explicit CountingErrorInfo(const char16_t* description);
    ~CountingErrorInfo();

    FakeReferenceCount references_{FakeReferenceCount::Lifetime::kDeletedByLastRelease};
    const char16_t* description_;
};

}  // namespace com_testing
