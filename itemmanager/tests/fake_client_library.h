// The client library's main object as the back-end tests fake it: every slot
// of its main and service interfaces fails the test when called, unless the
// fake of a test overrides it. IUnknown is each fake's own: what it answers
// and how long it lives are part of what a test scripts.
#pragma once

#include "com_testing/fake_parts.h"
#include "tavrosk/client_interfaces.h"

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
