// Fakes for the tests of the Automation types: an object that counts its
// references, a record description (IRecordInfo) that counts the calls it
// gets, and a fixture base that checks no BSTR or SAFEARRAY outlives a test.
// Every fake fails the test on a call it must never get.
#pragma once

#include "com/automation_counters.h"
#include "com/bstr.h"
#include "com/dispatch.h"
#include "com/record_info.h"
#include "com/task_memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace automation_test {

// An IDispatch object with a reference count the test reads; it is never
// deleted by Release, so a test can check the count after the last release,
// and a Release below the test's own reference fails the test.
class FakeObject final : public IDispatch {
public:
    // The test's own reference.
    ULONG References() const { return references_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (references_ <= 1) {
            ADD_FAILURE() << "Release of a reference nobody holds";
            return references_;
        }
        return --references_;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Unexpected("GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected("GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return Unexpected("GetIDsOfNames");
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return Unexpected("Invoke");
    }

private:
    static HRESULT Unexpected(const char* method) {
        ADD_FAILURE() << "unexpected call of " << method;
        return E_UNEXPECTED;
    }
    ULONG references_ = 1;
};

// The record MockRecordInfo describes.
struct MockRecord {
    LONG id;
    BSTR text;
};

// Describes MockRecord and counts GetSize, RecordClear and RecordCopy; clear
// and copy really free and duplicate the text, so leaks show in the counters.
class MockRecordInfo final : public IRecordInfo {
public:
    static constexpr GUID kRecord = com::MakeGuid("6A4F0C11-93B2-4E57-8D1A-2F3C4B5D6E70");

    ULONG References() const { return references_; }
    int sizeCalls = 0;
    int clearCalls = 0;
    int copyCalls = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IRecordInfo) return E_NOINTERFACE;
        *object = static_cast<IRecordInfo*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (references_ <= 1) {
            ADD_FAILURE() << "Release of a reference nobody holds";
            return references_;
        }
        return --references_;
    }
    HRESULT STDMETHODCALLTYPE RecordClear(PVOID record) override {
        ++clearCalls;
        auto* typed = static_cast<MockRecord*>(record);
        SysFreeString(typed->text);
        typed->text = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RecordCopy(PVOID source, PVOID dest) override {
        ++copyCalls;
        const auto* from = static_cast<const MockRecord*>(source);
        auto* to = static_cast<MockRecord*>(dest);
        to->id = from->id;
        to->text = from->text ? SysAllocString(from->text) : nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSize(ULONG* size) override {
        ++sizeCalls;
        *size = sizeof(MockRecord);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetGuid(GUID* guid) override {
        *guid = kRecord;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RecordInit(PVOID) override { return Unexpected("RecordInit"); }
    HRESULT STDMETHODCALLTYPE GetName(BSTR*) override { return Unexpected("GetName"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(ITypeInfo**) override { return Unexpected("GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetField(PVOID, LPCOLESTR, VARIANT*) override { return Unexpected("GetField"); }
    HRESULT STDMETHODCALLTYPE GetFieldNoCopy(PVOID, LPCOLESTR, VARIANT*, PVOID*) override {
        return Unexpected("GetFieldNoCopy");
    }
    HRESULT STDMETHODCALLTYPE PutField(ULONG, PVOID, LPCOLESTR, VARIANT*) override { return Unexpected("PutField"); }
    HRESULT STDMETHODCALLTYPE PutFieldNoCopy(ULONG, PVOID, LPCOLESTR, VARIANT*) override {
        return Unexpected("PutFieldNoCopy");
    }
    HRESULT STDMETHODCALLTYPE GetFieldNames(ULONG*, BSTR*) override { return Unexpected("GetFieldNames"); }
    BOOL STDMETHODCALLTYPE IsMatchingType(IRecordInfo*) override {
        Unexpected("IsMatchingType");
        return FALSE;
    }
    PVOID STDMETHODCALLTYPE RecordCreate() override {
        Unexpected("RecordCreate");
        return nullptr;
    }
    HRESULT STDMETHODCALLTYPE RecordCreateCopy(PVOID, PVOID*) override { return Unexpected("RecordCreateCopy"); }
    HRESULT STDMETHODCALLTYPE RecordDestroy(PVOID) override { return Unexpected("RecordDestroy"); }

private:
    static HRESULT Unexpected(const char* method) {
        ADD_FAILURE() << "unexpected call of IRecordInfo::" << method;
        return E_UNEXPECTED;
    }
    ULONG references_ = 1;
};

// Checks at the end of each test that every BSTR, array and task-memory
// block it made was given back exactly once.
class LeakCheckedTest : public ::testing::Test {
protected:
    void SetUp() override {
        bstrs_ = com::testing::LiveBstrCount();
        arrays_ = com::testing::LiveSafeArrayCount();
        taskBlocks_ = com::testing::LiveTaskAllocations();
    }
    void TearDown() override {
        EXPECT_EQ(com::testing::LiveBstrCount(), bstrs_) << "BSTRs leaked (positive) or freed twice (negative)";
        EXPECT_EQ(com::testing::LiveSafeArrayCount(), arrays_) << "SAFEARRAYs leaked or destroyed twice";
        EXPECT_EQ(com::testing::LiveTaskAllocations(), taskBlocks_) << "task memory leaked or freed twice";
    }
    int64_t NewBstrs() const { return com::testing::LiveBstrCount() - bstrs_; }
    int64_t NewArrays() const { return com::testing::LiveSafeArrayCount() - arrays_; }

private:
    int64_t bstrs_ = 0;
    int64_t arrays_ = 0;
    long long taskBlocks_ = 0;
};

inline std::u16string Text(BSTR bstr) { return std::u16string(bstr ? bstr : u"", SysStringLen(bstr)); }

}  // namespace automation_test
