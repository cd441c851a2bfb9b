// Fakes of the vault client's outside item operations, served in the test's
// own process under their real class ids: the get and delete operations
// (IItmOperation) and the revision object (IItmRevision). Each records what
// the item server gives it and answers what the test's script says. The
// class objects make their fakes without context, so the scripts of the
// running test are reached through the globals below, which the holder
// ServedOutsideOperations sets.
#pragma once

#include "bellquist/manager_interfaces.h"
#include "bellquist/operation_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/fake_parts.h"
#include "common/record_array.h"
#include "coravent/records.h"
#include "itemops/ids.h"
#include "itemops/revision_interface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace outside_fakes {

// A VARIANT parameter as the fakes keep it: its type (0xFFFF before one was
// given) and, for VT_I4, its value.
struct Param {
    VARTYPE vt = 0xFFFF;
    LONG value = 0;
    bool operator==(const Param&) const = default;
};
inline Param Kept(const VARIANT& v) { return {v.vt, v.vt == VT_I4 ? v.lVal : 0}; }
inline const Param kEmptyParam{VT_EMPTY, 0};
inline Param LongParam(LONG value) { return {VT_I4, value}; }

// What an outside get or delete operation answers, and what it was given.
struct OperationScript {
    HRESULT init = S_OK;
    HRESULT start = S_OK;
    // The lists the start hands back (each a new array for the caller);
    // null makers hand back none.
    std::function<SAFEARRAY*()> lockList;
    std::function<SAFEARRAY*()> getList;
    HRESULT end = S_OK;
    // Handed to the result object's SetResult (property 0, VT_I4) by the
    // end step; none: SetResult is not called.
    std::optional<LONG> result;

    int created = 0;
    int inits = 0;
    int starts = 0;
    int ends = 0;
    bool vaultUtilsGiven = false;
    bool callbackGiven = false;
    Param initParam;
    Param startParam;
    Param endParam;
};

// What the revision object answers, and what it was given.
struct RevisionScript {
    HRESULT start = S_OK;
    HRESULT setItems = S_OK;
    HRESULT ask = S_OK;
    VARIANT_BOOL askAnswer = VARIANT_TRUE;
    HRESULT run = S_OK;
    VARIANT_BOOL runAnswer = VARIANT_TRUE;

    int created = 0;
    int starts = 0;
    int sets = 0;
    int asks = 0;
    int runs = 0;
    CoraventLib::InitData startRecord{};  // its strings are not kept
    bool startStringsNull = false;
    std::vector<std::pair<LONG, LONG>> items;  // per root: kind, document id
    HWND askWindow = nullptr;
    LONG askReserved = -1;
    HWND runWindow = nullptr;
};

inline OperationScript* gGetScript = nullptr;
inline OperationScript* gDeleteScript = nullptr;
inline RevisionScript* gRevisionScript = nullptr;

class FakeOperation final : public BellquistLib::IItmOperation {
public:
    explicit FakeOperation(OperationScript& script) : script_(script) { ++script_.created; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == BellquistLib::IItmOperation::kIid) answer = this;
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = references_.Release();
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE ItmInitOperation(BellquistLib::IVaultUtils* utils, BellquistLib::IItmCallBack* callback,
                                               VARIANT param) override {
        ++script_.inits;
        script_.vaultUtilsGiven = utils != nullptr;
        script_.callbackGiven = callback != nullptr;
        script_.initParam = Kept(param);
        return script_.init;
    }
    HRESULT STDMETHODCALLTYPE ItmStartOperation(VARIANT param, SAFEARRAY** lockList, SAFEARRAY** getList) override {
        ++script_.starts;
        script_.startParam = Kept(param);
        *lockList = script_.lockList ? script_.lockList() : nullptr;
        *getList = script_.getList ? script_.getList() : nullptr;
        return script_.start;
    }
    HRESULT STDMETHODCALLTYPE ItmEndOperation(VARIANT param) override {
        ++script_.ends;
        script_.endParam = Kept(param);
        if (script_.result && param.vt == VT_DISPATCH && param.pdispVal) {
            CComPtr<BellquistLib::IItmOperationPropertyResult> result;
            param.pdispVal->QueryInterface(BellquistLib::IItmOperationPropertyResult::kIid,
                                           reinterpret_cast<void**>(&result));
            EXPECT_NE(result, nullptr);
            VARIANT value;
            VariantInit(&value);
            value.vt = VT_I4;
            value.lVal = *script_.result;
            if (result) {
                EXPECT_EQ(result->SetResult(ItemOperationsLib::kGetResultProperty, &value), S_OK);
            }
        }
        return script_.end;
    }

private:
    ~FakeOperation() = default;
    OperationScript& script_;
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kDeletedByLastRelease};
};

class FakeRevision final : public com_testing::UnexpectedDispatch<ItemOperationsLib::IItmRevision> {
public:
    explicit FakeRevision(RevisionScript& script) : script_(script) { ++script_.created; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == ItemOperationsLib::IItmRevision::kIid) answer = this;
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = references_.Release();
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Start(CoraventLib::InitData* data) override {
        ++script_.starts;
        script_.startRecord = *data;
        script_.startStringsNull = !data->moRootPath && !data->moComputerName;
        script_.startRecord.moRootPath = nullptr;
        script_.startRecord.moComputerName = nullptr;
        return script_.start;
    }
    HRESULT STDMETHODCALLTYPE SetItems(SAFEARRAY* items) override {
        ++script_.sets;
        script_.items.clear();
        RecordArray<BellquistLib::XRefRootObject> roots(items);
        for (const BellquistLib::XRefRootObject* root = roots.mpoBegin(); root != roots.mpoEnd(); ++root)
            script_.items.emplace_back(root->meType, root->mlDocumentID);
        return script_.setItems;
    }
    HRESULT STDMETHODCALLTYPE Ask(HWND parent, LONG reserved, VARIANT_BOOL* ok) override {
        ++script_.asks;
        script_.askWindow = parent;
        script_.askReserved = reserved;
        *ok = script_.askAnswer;
        return script_.ask;
    }
    HRESULT STDMETHODCALLTYPE Run(HWND parent, VARIANT_BOOL* ok) override {
        ++script_.runs;
        script_.runWindow = parent;
        *ok = script_.runAnswer;
        return script_.run;
    }

private:
    ~FakeRevision() = default;
    RevisionScript& script_;
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kDeletedByLastRelease};
};

// Serves the three classes with the given scripts while it lives.
class ServedOutsideOperations {
public:
    ServedOutsideOperations(OperationScript& get, OperationScript& remove, RevisionScript& revision) {
        gGetScript = &get;
        gDeleteScript = &remove;
        gRevisionScript = &revision;
        Serve(ItemOperationsLib::CLSID_ItmGetOperation, getClass_, cookies_[0]);
        Serve(ItemOperationsLib::CLSID_ItmDeleteOperation, deleteClass_, cookies_[1]);
        Serve(ItemOperationsLib::CLSID_ItmRevision, revisionClass_, cookies_[2]);
    }
    ~ServedOutsideOperations() {
        for (DWORD cookie : cookies_)
            if (cookie) CoRevokeClassObject(cookie);
        gGetScript = gDeleteScript = nullptr;
        gRevisionScript = nullptr;
    }
    ServedOutsideOperations(const ServedOutsideOperations&) = delete;
    ServedOutsideOperations& operator=(const ServedOutsideOperations&) = delete;

private:
    static void Serve(REFCLSID clsid, com_testing::CountingClassFactory& factory, DWORD& cookie) {
        EXPECT_EQ(CoRegisterClassObject(clsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    }

    com_testing::CountingClassFactory getClass_{[] { return static_cast<IUnknown*>(new FakeOperation(*gGetScript)); }};
    com_testing::CountingClassFactory deleteClass_{
        [] { return static_cast<IUnknown*>(new FakeOperation(*gDeleteScript)); }};
    com_testing::CountingClassFactory revisionClass_{
        [] { return static_cast<IUnknown*>(new FakeRevision(*gRevisionScript)); }};
    DWORD cookies_[3] = {};
};

}  // namespace outside_fakes
