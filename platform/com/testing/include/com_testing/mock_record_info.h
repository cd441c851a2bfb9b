// A record description (IRecordInfo) that counts the calls it gets, for the
// tests of variants and arrays holding records.
#pragma once

#include "com_testing/fake_parts.h"

#include "com/record_info.h"

namespace com_testing {

// The record MockRecordInfo describes.
struct MockRecord {
    LONG id;
    BSTR text;
};

// Describes MockRecord and counts GetSize, RecordClear and RecordCopy; clear
// and copy really free and duplicate the text, so leaks show in the BSTR
// count. Any other method but GetGuid fails the test. It lives on the test's
// stack and holds the test's own reference.
class MockRecordInfo final : public IRecordInfo {
public:
    static constexpr GUID kRecord = com::MakeGuid("6A4F0C11-93B2-4E57-8D1A-2F3C4B5D6E70");

    ULONG References() const { return references_.Count(); }
    int sizeCalls = 0;
    int clearCalls = 0;
    int copyCalls = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.Release(); }
    HRESULT STDMETHODCALLTYPE RecordClear(PVOID record) override;
    HRESULT STDMETHODCALLTYPE RecordCopy(PVOID source, PVOID dest) override;
    HRESULT STDMETHODCALLTYPE GetSize(ULONG* size) override;
    HRESULT STDMETHODCALLTYPE GetGuid(GUID* guid) override;
    HRESULT STDMETHODCALLTYPE RecordInit(PVOID) override;
    HRESULT STDMETHODCALLTYPE GetName(BSTR*) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetField(PVOID, LPCOLESTR, VARIANT*) override;
    HRESULT STDMETHODCALLTYPE GetFieldNoCopy(PVOID, LPCOLESTR, VARIANT*, PVOID*) override;
    HRESULT STDMETHODCALLTYPE PutField(ULONG, PVOID, LPCOLESTR, VARIANT*) override;
    HRESULT STDMETHODCALLTYPE PutFieldNoCopy(ULONG, PVOID, LPCOLESTR, VARIANT*) override;
    HRESULT STDMETHODCALLTYPE GetFieldNames(ULONG*, BSTR*) override;
    BOOL STDMETHODCALLTYPE IsMatchingType(IRecordInfo*) override;
    PVOID STDMETHODCALLTYPE RecordCreate() override;
    HRESULT STDMETHODCALLTYPE RecordCreateCopy(PVOID, PVOID*) override;
    HRESULT STDMETHODCALLTYPE RecordDestroy(PVOID) override;

private:
    FakeReferenceCount references_{FakeReferenceCount::Lifetime::kOwnedByTest};
};

}  // namespace com_testing
