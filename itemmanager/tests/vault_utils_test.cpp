// IVaultUtils of the item manager: items grouped by their client connection,
// one vault per GetNextVault, with the client library's connection
// information and the items as XRefRootObject records.

#include "spy_back_ends.h"

#include "outside_libraries.h"

#include "itemstore/itm_object_class.h"
#include "itemstore/itm_object_data.h"

#include "bellquist/item_interfaces.h"
#include "com/bstr.h"
#include "com/record_info.h"
#include "com/safearray.h"
#include "com/server/com_object.h"
#include "com_testing/fake_parts.h"
#include "fake_client_library.h"
#include "com_testing/leak_checked_test.h"
#include "tavrosk/client_interfaces.h"
#include "tavrosk/login_record.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace BellquistLib;
using com_testing::UnexpectedCall;
using TavroskClientLib::ITavroskServices;
using TavroskClientLib::LoginRecord;

namespace {

constexpr HRESULT kNullValue = static_cast<HRESULT>(0x80040240);

// The vault client registers these descriptions under its own libraries; the
// tests stand in for it.
void RegisterOutsideRecords() {
    com::RegisterRecordDescription({kMenuInfoLibrary,
                                    1,
                                    0,
                                    MenuSysRightInfo::kRecordGuid,
                                    u"MenuSysRightInfo",
                                    sizeof(MenuSysRightInfo),
                                    {{u"muiRight", offsetof(MenuSysRightInfo, muiRight), VT_UI4}}});
    com::RegisterRecordDescription({kXRefLibrary,
                                    1,
                                    0,
                                    XRefUpdatePath::kRecordGuid,
                                    u"XRefUpdatePath",
                                    sizeof(XRefUpdatePath),
                                    {{u"mbsOldPath", offsetof(XRefUpdatePath, mbsOldPath), VT_BSTR},
                                     {u"mbsNewPath", offsetof(XRefUpdatePath, mbsNewPath), VT_BSTR}}});
    using X = XRefRootObject;
    com::RegisterRecordDescription(
        {kXRefLibrary,
         1,
         0,
         X::kRecordGuid,
         u"XRefRootObject",
         sizeof(X),
         {{u"meType", offsetof(X, meType), VT_I4},
          {u"mlDocumentID", offsetof(X, mlDocumentID), VT_I4},
          {u"moFileDate", offsetof(X, moFileDate), VT_VARIANT},
          {u"mlProjectID", offsetof(X, mlProjectID), VT_I4},
          {u"mbsConfig", offsetof(X, mbsConfig), VT_BSTR},
          {u"mbsItemName", offsetof(X, mbsItemName), VT_BSTR},
          {u"mlDestFolderID", offsetof(X, mlDestFolderID), VT_I4},
          {u"mbsPath", offsetof(X, mbsPath), VT_BSTR},
          {u"mbsRoot", offsetof(X, mbsRoot), VT_BSTR},
          {u"mbsWebRoot", offsetof(X, mbsWebRoot), VT_BSTR},
          {u"mlDocumentVersion", offsetof(X, mlDocumentVersion), VT_I4},
          {u"mlLocalVersion", offsetof(X, mlLocalVersion), VT_I4},
          {u"mlLockedBy", offsetof(X, mlLockedBy), VT_I4},
          {u"mlVersionUID", offsetof(X, mlVersionUID), VT_I8},
          {u"mdwFileSize", offsetof(X, mdwFileSize), VT_UI4},
          {u"mpoPathToUpdate", offsetof(X, mpoPathToUpdate), VT_ARRAY | VT_RECORD, 1, XRefUpdatePath::kRecordGuid}}});
}

// A client connection whose connection information names one vault. It
// fills every string slot of the record, as a library may: the caller must
// free them all.
class FakeConnection final : public FakeClientServices {
public:
    FakeConnection(const char16_t* viewPath, LONG userId, LONG rights, bool hasServices = true)
        : viewPath_(viewPath), userId_(userId), rights_(rights), hasServices_(hasServices) {}
    ULONG References() const { return references_.Count(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || (hasServices_ && iid == ITavroskServices::kIid))
            return com_testing::AnswerQuery(out, this);
        return com_testing::AnswerQuery(out, nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInformation(LoginRecord* record) override {
        ++informationCalls;
        record->moVaultGUID = com::MakeGuid("11111111-2222-3333-4444-555555555555");
        record->moVaultGUID.Data1 = static_cast<DWORD>(userId_);
        record->moViewGUID = com::MakeGuid("AAAAAAAA-2222-3333-4444-555555555555");
        record->moViewPath = SysAllocString(viewPath_);
        record->moComputerName = SysAllocString(u"host");
        record->moUsername = SysAllocString(u"user");
        record->mbsAServer = SysAllocString(u"archive");
        record->mlUserID = userId_;
        record->mlSystemRights = rights_;
        return S_OK;
    }
    int informationCalls = 0;

private:
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kOwnedByTest};
    const char16_t* viewPath_;
    LONG userId_;
    LONG rights_;
    bool hasServices_;
};

class VaultUtilsTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        RegisterOutsideRecords();
        CComObject<CItmManager>* created = nullptr;
        ASSERT_EQ(CComObject<CItmManager>::CreateInstance(&created), S_OK);
        created->AddRef();
        created->mvSetBackEndFactory(&factory_);
        manager_ = created;
        InitData data{};
        data.meClientType = ClientType_Local_Client;
        data.hParentWndHandle = 0x77;
        ASSERT_EQ(manager_->Init(data), S_OK);
        utils_ = manager_;
    }
    void TearDown() override {
        for (IItmObject* item : items_) item->Release();
        manager_->Release();
        connections_.clear();  // after everything that holds them
        LeakChecked::TearDown();
    }

    FakeConnection& Connection(const char16_t* viewPath, LONG userId, LONG rights, bool hasServices = true) {
        connections_.push_back(std::make_unique<FakeConnection>(viewPath, userId, rights, hasServices));
        return *connections_.back();
    }

    // A loaded item object of `type` with `id` over `connection`.
    IItmObject* Item(ItmObjectType type, LONG id, LONG parentProjectId, IUnknown* connection) {
        CComObject<CItmObject>* created = nullptr;
        EXPECT_EQ(CComObject<CItmObject>::CreateInstance(&created), S_OK);
        created->AddRef();
        ItmObjectData record{};
        ghInitItmObjectData(&record, nullptr);
        record.meObjectType = type;
        record.mlObjectID = id;
        record.mlParentProjectID = parentProjectId;
        record.mpoConnection = connection;
        EXPECT_EQ(created->Load(&record, nullptr), S_OK);
        record.mpoConnection = nullptr;
        gvFreeItmObjectData(&record);
        items_.push_back(created);
        return created;
    }

    // A new SAFEARRAY(VARIANT) of the objects (null entries stay VT_EMPTY).
    static SAFEARRAY* ListOf(const std::vector<IItmObject*>& objects) {
        SAFEARRAY* list = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size()));
        for (LONG i = 0; i < static_cast<LONG>(objects.size()); ++i) {
            if (!objects[i]) continue;
            VARIANT element;
            VariantInit(&element);
            element.vt = VT_DISPATCH;
            element.pdispVal = objects[i];
            EXPECT_EQ(SafeArrayPutElement(list, &i, &element), S_OK);
        }
        return list;
    }

    // Init with a copy of the list, then the list goes.
    HRESULT InitWith(const std::vector<IItmObject*>& objects) {
        SAFEARRAY* list = ListOf(objects);
        HRESULT hr = utils_->Init(list);
        SafeArrayDestroy(list);
        return hr;
    }

    struct Vault {
        HRESULT hr = E_FAIL;
        VARIANT_BOOL more = 7;
        IUnknown* connection = nullptr;
        LONG userId = 0;
        std::u16string viewPath;
        ULONGLONG parentWnd = 0;
        std::vector<ULONG> rights;
        bool rightsArray = false;
        std::vector<XRefRootObject> roots;  // their owned fields are released
        bool itemsArray = false;
    };
    Vault Next() {
        Vault vault;
        ItmVaultInfo info;
        std::memset(&info, 0xCD, sizeof(info));
        SAFEARRAY* roots = Fake();
        vault.hr = utils_->GetNextVault(&info, &roots, &vault.more);
        if (FAILED(vault.hr)) return vault;
        vault.connection = info.mpoConnectionPtr;
        if (info.mpoConnectionPtr) info.mpoConnectionPtr->Release();
        vault.userId = info.mlUserID;
        if (info.moViewPath) vault.viewPath.assign(info.moViewPath, SysStringLen(info.moViewPath));
        SysFreeString(info.moViewPath);
        vault.parentWnd = info.mulParentWnd;
        if ((vault.rightsArray = info.poUserSystemRights != nullptr)) {
            MenuSysRightInfo* data = nullptr;
            SafeArrayAccessData(info.poUserSystemRights, reinterpret_cast<void**>(&data));
            for (ULONG i = 0; i < info.poUserSystemRights->rgsabound[0].cElements; ++i)
                vault.rights.push_back(data[i].muiRight);
            SafeArrayUnaccessData(info.poUserSystemRights);
            SafeArrayDestroy(info.poUserSystemRights);
        }
        if ((vault.itemsArray = roots != nullptr)) {
            XRefRootObject* data = nullptr;
            SafeArrayAccessData(roots, reinterpret_cast<void**>(&data));
            vault.roots.assign(data, data + roots->rgsabound[0].cElements);
            SafeArrayUnaccessData(roots);
            SafeArrayDestroy(roots);
        }
        return vault;
    }
    static SAFEARRAY* Fake() { return reinterpret_cast<SAFEARRAY*>(0x99); }
    LONG Count() {
        LONG count = -1;
        EXPECT_EQ(utils_->GetVaultCount(&count), S_OK);
        return count;
    }

    itemmanager_test::SpyScript script_;
    itemmanager_test::SpyBackEndFactory factory_{script_};
    CComObject<CItmManager>* manager_ = nullptr;
    IVaultUtils* utils_ = nullptr;
    std::vector<IItmObject*> items_;
    std::vector<std::unique_ptr<FakeConnection>> connections_;
};

TEST_F(VaultUtilsTest, ItemsOfTwoVaultsComeOneVaultAtATimeInConnectionOrder) {
    FakeConnection& first = Connection(u"C:\\Views\\A", 5, 0x5);
    FakeConnection& second = Connection(u"C:\\Views\\B", 6, 0);
    FakeConnection* low = &first < &second ? &first : &second;
    FakeConnection* high = low == &first ? &second : &first;
    ASSERT_EQ(InitWith({Item(ItmObjectType_Item, 11, 3, high), Item(ItmObjectType_ItemFolder, 12, 2, low),
                        Item(ItmObjectType_BOM, 13, 4, high), nullptr, Item(ItmObjectType_File, 14, 5, low)}),
              S_OK);
    EXPECT_EQ(Count(), 0);

    Vault a = Next();
    ASSERT_EQ(a.hr, S_OK);
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(a.more, VARIANT_TRUE);
    EXPECT_EQ(a.connection, static_cast<IUnknown*>(low));
    EXPECT_EQ(a.parentWnd, 0x77u);
    ASSERT_EQ(a.roots.size(), 2u);
    // A folder is named by its id as the project; a file is a document.
    EXPECT_EQ(a.roots[0].meType, Ot_ItemFolder);
    EXPECT_EQ(a.roots[0].mlProjectID, 12);
    EXPECT_EQ(a.roots[0].mlDocumentID, 0);
    EXPECT_EQ(a.roots[1].meType, Ot_Document);
    EXPECT_EQ(a.roots[1].mlDocumentID, 14);
    EXPECT_EQ(a.roots[1].mlProjectID, 5);

    Vault b = Next();
    ASSERT_EQ(b.hr, S_OK);
    EXPECT_EQ(b.more, VARIANT_TRUE);
    EXPECT_EQ(b.connection, static_cast<IUnknown*>(high));
    ASSERT_EQ(b.roots.size(), 2u);
    EXPECT_EQ(b.roots[0].meType, Ot_Item);
    EXPECT_EQ(b.roots[0].mlDocumentID, 11);
    EXPECT_EQ(b.roots[0].mlProjectID, 3);
    EXPECT_EQ(b.roots[1].meType, Ot_BOM);
    EXPECT_EQ(first.informationCalls + second.informationCalls, 2);

    // After the last vault, and on every call after that: no more.
    for (int call = 0; call < 2; ++call) {
        Vault end = Next();
        EXPECT_EQ(end.hr, S_OK);
        EXPECT_EQ(end.more, VARIANT_FALSE);
        EXPECT_EQ(end.connection, nullptr);
        EXPECT_FALSE(end.itemsArray);
    }
    EXPECT_EQ(Count(), 2);
}

TEST_F(VaultUtilsTest, TheConnectionInformationBecomesTheVaultsInformation) {
    FakeConnection& connection = Connection(u"C:\\Views\\Pumps", 42, 0x5);
    IItmObject* item = Item(ItmObjectType_Item, 1, 2, &connection);
    const ULONG held = connection.References();
    ASSERT_EQ(InitWith({item}), S_OK);
    Vault vault = Next();
    ASSERT_EQ(vault.hr, S_OK);
    EXPECT_EQ(vault.userId, 42);
    EXPECT_EQ(vault.viewPath, u"C:\\Views\\Pumps");
    EXPECT_EQ(vault.rights, (std::vector<ULONG>{1, 4}));
    EXPECT_EQ(connection.References(), held + 1);  // the manager's entry holds one
}

TEST_F(VaultUtilsTest, NoSystemRightsGiveAnEmptyArray) {
    FakeConnection& connection = Connection(u"C:\\V", 1, 0);
    ASSERT_EQ(InitWith({Item(ItmObjectType_Item, 1, 2, &connection)}), S_OK);
    Vault vault = Next();
    ASSERT_EQ(vault.hr, S_OK);
    EXPECT_TRUE(vault.rightsArray);
    EXPECT_TRUE(vault.rights.empty());
}

TEST_F(VaultUtilsTest, ItemsWithoutTheClientServicesAreLeftOut) {
    FakeConnection& foreign = Connection(u"C:\\V", 1, 0, /*hasServices=*/false);
    ASSERT_EQ(InitWith({Item(ItmObjectType_Item, 1, 2, &foreign)}), S_OK);
    Vault vault = Next();
    EXPECT_EQ(vault.hr, S_OK);
    EXPECT_EQ(vault.more, VARIANT_FALSE);
    EXPECT_FALSE(vault.itemsArray);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(Next().more, VARIANT_FALSE);  // an empty map is not walked past its end
}

TEST_F(VaultUtilsTest, AnEmptyListHasNoVault) {
    Vault fresh = Next();  // the list made by the manager itself
    EXPECT_EQ(fresh.hr, S_OK);
    EXPECT_EQ(fresh.more, VARIANT_FALSE);
    ASSERT_EQ(InitWith({}), S_OK);
    Vault vault = Next();
    EXPECT_EQ(vault.hr, S_OK);
    EXPECT_EQ(vault.more, VARIANT_FALSE);
    EXPECT_FALSE(vault.itemsArray);
}

TEST_F(VaultUtilsTest, ANewListForgetsTheVaultsOfTheOldOne) {
    FakeConnection& connection = Connection(u"C:\\V", 1, 0);
    IItmObject* oldItem = Item(ItmObjectType_Item, 1, 2, &connection);
    IItmObject* newItem = Item(ItmObjectType_Item, 3, 2, &connection);
    const ULONG held = connection.References();
    ASSERT_EQ(InitWith({oldItem}), S_OK);
    ASSERT_EQ(Next().more, VARIANT_TRUE);
    ASSERT_EQ(InitWith({newItem}), S_OK);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(connection.References(), held);  // the old entry let go of it
    Vault vault = Next();
    ASSERT_EQ(vault.roots.size(), 1u);
    EXPECT_EQ(vault.roots[0].mlDocumentID, 3);
}

TEST_F(VaultUtilsTest, BadArgumentsAreRefusedAndKeepTheListHeld) {
    FakeConnection& connection = Connection(u"C:\\V", 1, 0);
    ASSERT_EQ(InitWith({Item(ItmObjectType_Item, 1, 2, &connection)}), S_OK);
    EXPECT_EQ(utils_->Init(nullptr), kNullValue);
    SAFEARRAY* numbers = SafeArrayCreateVector(VT_I4, 0, 2);
    EXPECT_EQ(utils_->Init(numbers), E_INVALIDARG);
    SafeArrayDestroy(numbers);

    ItmVaultInfo info{};
    SAFEARRAY* roots = nullptr;
    VARIANT_BOOL more = 0;
    EXPECT_EQ(utils_->GetNextVault(&info, &roots, nullptr), kNullValue);
    EXPECT_EQ(utils_->GetNextVault(nullptr, &roots, &more), kNullValue);
    EXPECT_EQ(utils_->GetNextVault(&info, nullptr, &more), kNullValue);
    EXPECT_EQ(utils_->GetVaultCount(nullptr), E_POINTER);
    EXPECT_EQ(Next().more, VARIANT_TRUE);  // the list from before is still there
}

TEST_F(VaultUtilsTest, GetNextVaultNeedsAnInitialisedManager) {
    FakeConnection& connection = Connection(u"C:\\V", 1, 0);
    IVaultUtils* utils = nullptr;
    CComObject<CItmManager>* fresh = nullptr;
    ASSERT_EQ(CComObject<CItmManager>::CreateInstance(&fresh), S_OK);
    fresh->AddRef();
    utils = fresh;
    SAFEARRAY* list = ListOf({Item(ItmObjectType_Item, 1, 2, &connection)});
    EXPECT_EQ(utils->Init(list), S_OK);
    SafeArrayDestroy(list);
    ItmVaultInfo info{};
    SAFEARRAY* roots = nullptr;
    VARIANT_BOOL more = 0;
    EXPECT_EQ(utils->GetNextVault(&info, &roots, &more), static_cast<HRESULT>(0x80040201));
    EXPECT_EQ(more, VARIANT_FALSE);
    EXPECT_EQ(roots, nullptr);
    fresh->Release();
}

}  // namespace
