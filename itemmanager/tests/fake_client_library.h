// The client library's main object as the back-end tests fake it: every slot
// of its main, service and folder interfaces fails the test when called,
// unless the fake of a test overrides it. IUnknown is each fake's own where
// what it answers and how long it lives are part of what a test scripts;
// OwnedClientLibrary has the plain one of a library object the test owns.
// Beside them: the records such a fake answers with, the item objects the
// back end makes of them, and the back end that holds a fake in place of the
// library it creates.
#pragma once

#include "proxy_tavrosk_api.h"

#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/runtime.h"
#include "com_testing/bstr_text.h"
#include "com_testing/fake_parts.h"
#include "common/record_array.h"
#include "itemstore/item_cache_file.h"
#include "tavrosk/client_interfaces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The main interface alone.
class FakeClientMain : public TavroskClientLib::ITavroskClient {
public:
    virtual ~FakeClientMain() = default;

    HRESULT STDMETHODCALLTYPE UnusedSlot3() override { return Unexpected("UnusedSlot3"); }
    HRESULT STDMETHODCALLTYPE UnusedSlot4() override { return Unexpected("UnusedSlot4"); }
    HRESULT STDMETHODCALLTYPE FetchTrees(VARIANT_BOOL, LONG, VARIANT_BOOL, LONG, SAFEARRAY*, SAFEARRAY**, SAFEARRAY*,
                                         SAFEARRAY**) override {
        return Unexpected("FetchTrees");
    }
    HRESULT STDMETHODCALLTYPE UnusedSlot6() override { return Unexpected("UnusedSlot6"); }
    HRESULT STDMETHODCALLTYPE UnusedSlot7() override { return Unexpected("UnusedSlot7"); }
    HRESULT STDMETHODCALLTYPE UnusedSlot8() override { return Unexpected("UnusedSlot8"); }
    HRESULT STDMETHODCALLTYPE UnusedSlot9() override { return Unexpected("UnusedSlot9"); }
    HRESULT STDMETHODCALLTYPE UnusedSlot10() override { return Unexpected("UnusedSlot10"); }
    HRESULT STDMETHODCALLTYPE UnusedSlot11() override { return Unexpected("UnusedSlot11"); }
    HRESULT STDMETHODCALLTYPE Logout() override { return Unexpected("Logout"); }

private:
    static HRESULT Unexpected(const char* method) { return com_testing::UnexpectedCall(method); }
};

// The service interface alone (a connection as the item manager keeps it).
class FakeClientServices : public TavroskClientLib::ITavroskServices {
public:
    virtual ~FakeClientServices() = default;

    HRESULT STDMETHODCALLTYPE Login(TavroskClientLib::LoginRecord*) override { return Unexpected("Login"); }
    HRESULT STDMETHODCALLTYPE ListFolder(LONG, LONG, LONG, LONG, BSTR, LONG, SAFEARRAY**) override {
        return Unexpected("ListFolder");
    }
    HRESULT STDMETHODCALLTYPE UnusedSlot5() override { return Unexpected("UnusedSlot5"); }
    HRESULT STDMETHODCALLTYPE UpdateDynamicLinks(SAFEARRAY*, LONG, LONG, SAFEARRAY**) override {
        return Unexpected("UpdateDynamicLinks");
    }
    HRESULT STDMETHODCALLTYPE GetMenuInfo(SAFEARRAY*, ULONG, ULONG*, ULONG*, SAFEARRAY**, SAFEARRAY**, SAFEARRAY**,
                                          SAFEARRAY**) override {
        return Unexpected("GetMenuInfo");
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInformation(TavroskClientLib::LoginRecord*) override {
        return Unexpected("GetConnectionInformation");
    }
    HRESULT STDMETHODCALLTYPE Move(SAFEARRAY*, LONG) override { return Unexpected("Move"); }
    HRESULT STDMETHODCALLTYPE CreateNewItem(LONG, LONG, BellquistLib::ItmObjectData**) override {
        return Unexpected("CreateNewItem");
    }
    HRESULT STDMETHODCALLTYPE Rename(LONG, LONG, LONG, BSTR) override { return Unexpected("Rename"); }
    HRESULT STDMETHODCALLTYPE GetItmInfoSupplement(SAFEARRAY**) override { return Unexpected("GetItmInfoSupplement"); }

private:
    static HRESULT Unexpected(const char* method) { return com_testing::UnexpectedCall(method); }
};

// The whole object: both interfaces.
class FakeClientLibrary : public FakeClientMain, public FakeClientServices {};

// A library object that the test owns (a member or on its stack) and hands
// to the back end: it answers the main and the service interface, and the
// test's own reference stays to the end.
class OwnedClientLibrary : public FakeClientLibrary {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == TavroskClientLib::ITavroskClient::kIid) answer = Unknown();
        if (iid == TavroskClientLib::ITavroskServices::kIid)
            answer = static_cast<TavroskClientLib::ITavroskServices*>(this);
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.Release(); }
    ULONG References() const { return references_.Count(); }
    IUnknown* Unknown() { return static_cast<TavroskClientLib::ITavroskClient*>(this); }

private:
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kOwnedByTest};
};

// The folder interface alone.
class FakeClientFolders : public com_testing::UnexpectedDispatch<TavroskClientLib::ITavroskFolders> {
public:
    virtual ~FakeClientFolders() = default;

    HRESULT STDMETHODCALLTYPE CreateNewItemFolder(LONG, BSTR, LONG, BSTR*, LONG*) override {
        return Unexpected("CreateNewItemFolder");
    }

private:
    static HRESULT Unexpected(const char* method) { return com_testing::UnexpectedCall(method); }
};

namespace fake_client {

// The view of the back ends the fakes stand beside.
inline const GUID kViewGUID = com::MakeGuid("A0A1A2A3-B0B1-C0C1-D0D1-E0E1E2E3E4E5");

// One record of a list, as the tests write and compare them.
struct Row {
    LONG type;
    LONG id;
    LONG parentId;
    LONG parentType;
    std::u16string name;
    LONG linkType = BellquistLib::LinkType_BOM;
    LONG flags = 0;  // mlItmObjectFlags
    bool operator==(const Row&) const = default;
};

inline std::u16string Name(BSTR text) { return text ? com_testing::Text(text) : u""; }

inline std::vector<Row> Rows(SAFEARRAY* list) {
    std::vector<Row> rows;
    if (!list) return rows;
    RecordArray<BellquistLib::ItmObjectData> records(list);
    for (const BellquistLib::ItmObjectData* r = records.mpoBegin(); r != records.mpoEnd(); ++r)
        rows.push_back({r->meObjectType, r->mlObjectID, r->mlParentObjectID, r->meParentDocType, Name(r->moFilename),
                        r->meLinkType, r->mlItmObjectFlags});
    return rows;
}

// The record of a row as the library makes it: parent project 7, version
// 1, up to date, in the vault folder "\Pumps\".
inline void FillRecord(BellquistLib::ItmObjectData& record, const Row& row) {
    using namespace BellquistLib;
    record.meObjectType = static_cast<ItmObjectType>(row.type);
    record.mlObjectID = row.id;
    record.mlParentObjectID = row.parentId;
    record.meParentDocType = static_cast<ItmObjectType>(row.parentType);
    record.meLinkType = static_cast<ItmLinkType>(row.linkType);
    record.meLinkOperation = LinkOp_None;
    record.mlConfigID = -1;
    record.mlParentProjectID = 7;
    record.mlAttachedVersion = 1;
    record.mlItmObjectFlags = row.flags;
    record.mbIsUpToDate = 1;
    record.moFilename = SysAllocString(row.name.c_str());
    record.moPath = SysAllocString(u"\\Pumps\\");
}

// A new SAFEARRAY(ItmObjectData) of the rows, for the caller.
inline SAFEARRAY* NewRecords(const std::vector<Row>& rows) {
    using namespace BellquistLib;
    RecordArray<ItmObjectData> array;
    array.mvCreate(static_cast<ULONG>(rows.size()), LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion);
    for (size_t i = 0; i < rows.size(); ++i) FillRecord(array.mpoBegin()[i], rows[i]);
    SAFEARRAY* out = nullptr;
    array.mvHandOut(&out);
    return out;
}

// The client back end over `cache` with `client` in place of the library it
// creates at Init, for the view kViewGUID in "C:\Views\Pumps".
class BackEnd : public CProxyTavroskAPI {
public:
    BackEnd(const RefPtr<CItemCacheFile>& cache, TavroskClientLib::ITavroskClient* client) : CProxyTavroskAPI(cache) {
        mpoClient = client;
        client->AddRef();
        BellquistLib::InitData data{};
        data.moViewPath = SysAllocString(u"C:\\Views\\Pumps");
        data.moViewGUID = kViewGUID;
        mvKeepInitData(data);
        SysFreeString(data.moViewPath);
    }
};

// A new item object that `backEnd` makes of the row's record, with a link
// manager over `cache` and `connection` as its connection; one reference
// for the caller.
inline BellquistLib::IItmObject* NewObject(CProxyTavroskAPI& backEnd, const RefPtr<CItemCacheFile>& cache,
                                           IUnknown* connection, const Row& row) {
    BellquistLib::ItmObjectData record{};
    FillRecord(record, row);
    BellquistLib::IItmObject* object = nullptr;
    EXPECT_EQ(backEnd.mhCreateItmObject(&record, &object, cache, nullptr, connection), S_OK);
    SysFreeString(record.moFilename);
    SysFreeString(record.moPath);
    return object;
}

// A new SAFEARRAY of VARIANTs holding new item objects of the rows
// (NewObject), for the caller.
inline SAFEARRAY* NewItems(CProxyTavroskAPI& backEnd, const RefPtr<CItemCacheFile>& cache, IUnknown* connection,
                           const std::vector<Row>& rows) {
    SAFEARRAY* items = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(rows.size()));
    VARIANT* data = nullptr;
    SafeArrayAccessData(items, reinterpret_cast<void**>(&data));
    for (size_t i = 0; i < rows.size(); ++i) {
        data[i].vt = VT_DISPATCH;
        data[i].pdispVal = NewObject(backEnd, cache, connection, rows[i]);
    }
    SafeArrayUnaccessData(items);
    return items;
}

}  // namespace fake_client
