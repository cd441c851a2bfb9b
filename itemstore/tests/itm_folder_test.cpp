// Item folders and the link managers that item folders and items own:
// created by Load and mhLoadWithLinkManager, handed out with a reference,
// and the classes created by class id from the registered item server.
#include "registered_item_server_fixture.h"
#include "link_manager_support.h"

#include "cache_operations_support.h"

#include "com/error_info.h"
#include "com/runtime.h"
#include "com_testing/bstr_text.h"
#include "com_testing/leak_checked_test.h"
#include "common/error_codes.h"
#include "winapi/modules.h"

#include <gtest/gtest.h>

#include <string>

using namespace link_test;

namespace {

// Takes the error info a failed call left and gives its description.
std::u16string TakeErrorDescription() {
    IErrorInfo* errorInfo = nullptr;
    if (GetErrorInfo(0, &errorInfo) != S_OK || !errorInfo) return u"";
    BSTR description = nullptr;
    errorInfo->GetDescription(&description);
    std::u16string text = com_testing::Text(description);
    SysFreeString(description);
    errorInfo->Release();
    return text;
}

class ItmFolderTest : public com_testing::LeakCheckedTest {
protected:
    ItmFolderTest() { RegisterRecordsOnce(); }
};

TEST_F(ItmFolderTest, AnswersItsInterfacesWithOneIdentity) {
    IItmObject* folder = New<CItmFolder>();
    ASSERT_NE(folder, nullptr);
    IUnknown* identity = nullptr;
    ASSERT_EQ(folder->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    const IID* const answered[] = {&IItmFolder::kIid, &IItmObject::kIid, &IID_IDispatch, &IItmObjectPrivate::kIid};
    const IID* const refused[] = {&IItmItem::kIid, &IItmFile::kIid, &IItmBOM::kIid, &IItmLinkManager::kIid};
    for (const IID* iid : answered) {
        IUnknown* answer = nullptr;
        ASSERT_EQ(folder->QueryInterface(*iid, reinterpret_cast<void**>(&answer)), S_OK);
        IUnknown* itsIdentity = nullptr;
        ASSERT_EQ(answer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&itsIdentity)), S_OK);
        EXPECT_EQ(itsIdentity, identity);
        ReleaseAll({itsIdentity, answer});
    }
    for (const IID* iid : refused) {
        IUnknown* answer = reinterpret_cast<IUnknown*>(0x1);
        EXPECT_EQ(folder->QueryInterface(*iid, reinterpret_cast<void**>(&answer)), E_NOINTERFACE);
        EXPECT_EQ(answer, nullptr);
    }
    identity->Release();
    EXPECT_EQ(folder->Release(), 0u);
}

TEST_F(ItmFolderTest, LoadGivesANewLinkManagerOverTheLoadedFolder) {
    IItmObject* folder = New<CItmFolder>();
    ASSERT_NE(folder, nullptr);

    // Never loaded: no link manager, no record.
    IItmLinkManager* manager = reinterpret_cast<IItmLinkManager*>(0x1);
    EXPECT_EQ(folder->get_LinkManager(&manager), E_POINTER);
    EXPECT_EQ(manager, nullptr);
    EXPECT_EQ(TakeErrorDescription(), u"The link manager is not available.");
    EXPECT_EQ(folder->Load(nullptr, nullptr), E_OXN_NULL_VALUE);
    EXPECT_EQ(folder->get_LinkManager(&manager), E_POINTER);
    TakeErrorDescription();
    IUnknown* connection = nullptr;
    EXPECT_EQ(folder->get_TavroskAPI(&connection), E_INVALIDARG);
    LONG n = 0;
    EXPECT_EQ(folder->get_ParentID(&n), E_POINTER);

    for (VARIANT_BOOL hasChildren : {VARIANT_TRUE, VARIANT_FALSE}) {
        Record record({.type = ItmObjectType_ItemFolder, .id = 8, .name = u"Pumps", .hasChildren = hasChildren});
        ASSERT_EQ(folder->Load(&record.d, nullptr), S_OK);
        IItmLinkManager* first = LinkManagerOf(folder);
        IItmLinkManager* second = LinkManagerOf(folder);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first, second);
        VARIANT_BOOL flag = 7;
        EXPECT_EQ(first->HasUnloadedChildren(&flag), S_OK);
        EXPECT_EQ(flag, hasChildren);
        LONG count = -1;
        EXPECT_EQ(first->GetLinkCount(LinkType_All, &count), S_OK);
        EXPECT_EQ(count, 0);

        // A folder's links are kept, never written to a cache.
        IItmObject* item = Item(12);
        SAFEARRAY* objects = ObjectArray({item});
        EXPECT_EQ(first->AddLinks2(objects, LinkOp_New), S_OK);
        SafeArrayDestroy(objects);
        EXPECT_EQ(Links(first), (std::vector<std::string>{"4:12:-1:3:2"}));

        // A later load gives a new, empty link manager.
        ASSERT_EQ(folder->Load(&record.d, nullptr), S_OK);
        IItmLinkManager* reloaded = LinkManagerOf(folder);
        EXPECT_NE(reloaded, first);
        EXPECT_EQ(reloaded->GetLinkCount(LinkType_All, &count), S_OK);
        EXPECT_EQ(count, 0);
        ReleaseAll({item, first, second, reloaded});
    }
    EXPECT_EQ(folder->get_LinkManager(nullptr), E_POINTER);
    TakeErrorDescription();
    EXPECT_EQ(folder->Release(), 0u);
}

TEST_F(ItmFolderTest, ParentIdsOfAFolder) {
    IItmObject* folder = NewLoaded({.type = ItmObjectType_ItemFolder, .id = 8});
    ASSERT_NE(folder, nullptr);
    struct Case {
        ItmObjectType kind;
        HRESULT expected;
    } const cases[] = {
        {ItmObjectType_Vault, S_OK},
        {ItmObjectType_ItemFolder, S_OK},
        {ItmObjectType_Item, E_ITEM_INVALID_ITEM_TYPE},
        {ItmObjectType_Root_ItemFolder, E_ITEM_INVALID_ITEM_TYPE},
    };
    for (const Case& c : cases) {
        LONG n = -1;
        EXPECT_EQ(folder->get_ParentIDOf(c.kind, &n), c.expected) << c.kind;
        EXPECT_EQ(n, c.expected == S_OK ? 41 : -1) << c.kind;
    }
    EXPECT_EQ(folder->get_ParentIDOf(ItmObjectType_Vault, nullptr), E_POINTER);
    LONG n = 0;
    EXPECT_EQ(folder->get_ParentID(&n), S_OK);
    EXPECT_EQ(n, 41);
    EXPECT_EQ(folder->get_ParentID(nullptr), E_POINTER);
    IUnknown* connection = nullptr;
    EXPECT_EQ(folder->get_TavroskAPI(&connection), E_INVALIDARG);  // loaded, no connection
    EXPECT_EQ(folder->Release(), 0u);
}

// An item gets its link manager from mhLoadWithLinkManager; Load alone
// leaves it without one.
class ItemLinkManagerTest : public com_testing::LeakChecked<CacheOperationsTest> {
protected:
    ItemLinkManagerTest() { RegisterRecordsOnce(); }
};

TEST_F(ItemLinkManagerTest, LoadWithLinkManagerAttachesOneOverTheCacheFile) {
    CComObject<CItmItem>* item = nullptr;
    ASSERT_EQ(CComObject<CItmItem>::CreateInstance(&item), S_OK);
    item->AddRef();
    Record record({.type = ItmObjectType_Item,
                   .id = 41,
                   .linkType = LinkType_BOM,
                   .name = u"Pump.<item>",
                   .hasChildren = VARIANT_TRUE});
    EXPECT_EQ(item->mhLoadWithLinkManager(nullptr, nullptr, file_), E_OXN_NULL_VALUE);
    EXPECT_EQ(item->mhLoadWithLinkManager(&record.d, nullptr, nullptr), E_OXN_NULL_VALUE);
    IItmLinkManager* manager = reinterpret_cast<IItmLinkManager*>(0x1);
    EXPECT_EQ(item->get_LinkManager(&manager), E_POINTER);  // none attached
    EXPECT_EQ(manager, nullptr);
    TakeErrorDescription();

    const int32_t references = file_->mlRefCount();
    ASSERT_EQ(item->mhLoadWithLinkManager(&record.d, nullptr, file_), S_OK);
    EXPECT_EQ(file_->mlRefCount(), references + 1);  // the link manager's
    ASSERT_EQ(item->get_LinkManager(&manager), S_OK);
    ASSERT_NE(manager, nullptr);
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(manager->HasUnloadedChildren(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    // Not cached yet: -2 through the link manager.
    LONG version = 0;
    EXPECT_EQ(item->get_LocalVersion(&version), S_OK);
    EXPECT_EQ(version, -2);

    // A plain Load keeps the link manager.
    ASSERT_EQ(item->Load(&record.d, nullptr), S_OK);
    IItmLinkManager* same = nullptr;
    EXPECT_EQ(item->get_LinkManager(&same), S_OK);
    EXPECT_EQ(same, manager);
    ReleaseAll({same, manager});
    item->Release();
    EXPECT_EQ(file_->mlRefCount(), references);
}

// The registered item server creates the item folder and the link manager
// by class id.
using LinkClassesByClassIdTest = RegisteredItemServerTest;

TEST_F(LinkClassesByClassIdTest, FolderAndLinkManagerAreCreatedByClassId) {
    IItmObject* folder = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ItmFolder, nullptr, CLSCTX_INPROC_SERVER, IItmObject::kIid,
                               reinterpret_cast<void**>(&folder)),
              S_OK);
    itemstore_test::SourceRecord record;
    record.d.meObjectType = ItmObjectType_Root_ItemFolder;
    ASSERT_EQ(folder->Load(&record.d, nullptr), S_OK);
    IItmLinkManager* folderLinks = nullptr;
    ASSERT_EQ(folder->get_LinkManager(&folderLinks), S_OK);
    ASSERT_NE(folderLinks, nullptr);

    IItmLinkManager* manager = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ItmLinkManager, nullptr, CLSCTX_INPROC_SERVER, IItmLinkManager::kIid,
                               reinterpret_cast<void**>(&manager)),
              S_OK);
    ItmLink link{ItmObjectType_Item, 5, 0, -1, LinkType_BOM, LinkOp_None};
    EXPECT_EQ(manager->AddLink(&link), S_OK);
    LONG count = 0;
    EXPECT_EQ(manager->GetLinkCount(LinkType_All, &count), S_OK);
    EXPECT_EQ(count, 1);
    for (const IID* iid : {&IID_IDispatch, &ILocalTransaction::kIid, &IPrivateItmLinkManager::kIid}) {
        IUnknown* answer = nullptr;
        EXPECT_EQ(manager->QueryInterface(*iid, reinterpret_cast<void**>(&answer)), S_OK);
        if (answer) answer->Release();
    }
    ReleaseAll({manager, folderLinks});
    EXPECT_EQ(folder->Release(), 0u);
}

}  // namespace
