// The client back end's outside operations end to end: the servers and the
// vault client's item operations registered on a fresh machine, the demo
// vault, and an item manager made in this process (so that the test reaches
// its client back end) and logged in. The revision increment runs through
// ItmManager; the get of a version and of the latest, which the manager
// sends to its other back end, through the client back end with the manager
// handing the operation its items. Every question is answered through the
// prompter.

#include "server_session_fixture.h"

#include "itm_manager.h"
#include "outside_libraries.h"
#include "proxy_tavrosk_api.h"

#include "itemstore/cache_location.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/item_object.h"

#include "bellquist/enums.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/type_library.h"
#include "com/ccom_ptr.h"
#include "com/error_info.h"
#include "com/safearray.h"
#include "com/server/com_object.h"
#include "com_testing/register_server.h"
#include "common/error_codes.h"
#include "item_objects_support.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "vaultadmin/demo_seeding.h"
#include "vennacle/revisions.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

using namespace BellquistLib;
using conversion_test::ObjectList;
namespace fs = std::filesystem;

namespace {

// Makes the real back ends and keeps the client back end at hand; it lives
// as long as the manager's back ends.
class KeepingFactory : public CItmBackEndFactory {
public:
    std::unique_ptr<CProxyTavroskAPI> mpoCreateClientBackEnd(const RefPtr<CItemCacheFile>& cacheFile) const override {
        std::unique_ptr<CProxyTavroskAPI> made = CItmBackEndFactory::mpoCreateClientBackEnd(cacheFile);
        client = made.get();
        return made;
    }
    mutable CProxyTavroskAPI* client = nullptr;
};

class ClientOperationsSessionTest : public DemoSessionTest {
protected:
    void SetUp() override {
        DemoSessionTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"ItemOperations.dll"), S_OK);
        // The item server registers them as it loads; here it is linked in.
        RegisterRecords();
        gvRegisterOutsideRecords();
        LogIn(kUser, kPassword);
        ASSERT_NE(factory_.client, nullptr);
    }

    void CreateManager() override {
        CComObject<CItmManager>* created = nullptr;
        ASSERT_EQ(CComObject<CItmManager>::CreateInstance(&created), S_OK);
        created->mvSetBackEndFactory(&factory_);
        ASSERT_EQ(created->QueryInterface(IItmManager2::kIid, reinterpret_cast<void**>(&manager_)), S_OK);
    }

    std::u16string Revision(LONG item) {
        return VaultText("SELECT revision FROM items WHERE document_id = " + std::to_string(item));
    }

    // The item's record in the item cache (null when it is not cached).
    RefPtr<::ItemObject> CachedItem(const std::u16string& name) {
        std::u16string path;
        EXPECT_EQ(ghItemCacheFilePath(created_.vaultId, path), S_OK);
        RefPtr<CItemCacheFile> cache(new CItemCacheFile(path));
        CItemCacheLock lock(cache, kCacheLockDirect);
        RefPtr<::ItemObject> item;
        if (cache->mhReadItem(lock, name, item) != S_OK) return nullptr;
        return item;
    }

    // A seeded item that nobody has checked out which, like its part file,
    // has more than one version.
    int ItemWithSeveralVersions() {
        for (int number = 1; number < vaultadmin::kDemoItems; ++number) {
            if (number % vaultadmin::kDemoCheckedOutEvery == 0 || number % vaultadmin::kDemoAssemblyEvery == 0)
                continue;
            if (LatestVersion(DocumentId(demo::SeededItem(number))) > 1 &&
                LatestVersion(DocumentId(demo::SeededPart(number))) > 1)
                return number;
        }
        ADD_FAILURE() << "the demo vault has no such item";
        return 1;
    }

    fs::path PartInView(int number) const {
        return view_ / "Projects" / "Conveyor" / "Parts" / winapi::ToUtf8(demo::SeededPart(number));
    }

    KeepingFactory factory_;
};

// The user is asked; yes increments the revision and writes a new version
// of the item, no changes nothing, and an item checked out by another user
// is refused with the vault unchanged.
TEST_F(ClientOperationsSessionTest, IncrRevisionRaisesTheRevisionOfAnItemWhenTheUserAgrees) {
    const LONG item = DocumentId(demo::SeededItem(3));
    const LONG version = LatestVersion(item);
    const std::u16string revision = Revision(item);
    CComPtr<IItmObject> object = VaultItemObject(item);
    ObjectList items({object});
    {
        ui_testing::ScriptedPrompter prompter;
        prompter.AnswerMessageBox(IDNO);
        EXPECT_EQ(manager_->IncrRevision(items.get()), S_FALSE);
    }
    EXPECT_EQ(LatestVersion(item), version);
    EXPECT_EQ(Revision(item), revision);

    {
        ui_testing::ScriptedPrompter prompter;
        prompter.AnswerMessageBox(IDYES, [](const ui::MessageBoxQuestion& question) {
            EXPECT_NE(question.text.find(u"ITM-00003"), std::u16string::npos) << winapi::ToUtf8(question.text);
        });
        EXPECT_EQ(manager_->IncrRevision(items.get()), S_OK);
    }
    const std::u16string next = vennacle::NextRevision(revision);
    EXPECT_NE(next, revision);
    EXPECT_EQ(LatestVersion(item), version + 1);
    EXPECT_EQ(Revision(item), next);
    EXPECT_EQ(VaultText("SELECT revision FROM document_versions WHERE document_id = " + std::to_string(item) +
                        " AND version = " + std::to_string(version + 1)),
              next);

    const LONG locked = DocumentId(demo::SeededItem(vaultadmin::kDemoCheckedOutEvery));
    const LONG lockedVersion = LatestVersion(locked);
    CComPtr<IItmObject> lockedObject = VaultItemObject(locked);
    ObjectList lockedItems({lockedObject});
    {
        ui_testing::ScriptedPrompter prompter;
        prompter.AnswerMessageBox(IDYES);
        EXPECT_EQ(manager_->IncrRevision(lockedItems.get()), E_OXN_LOCKED_BY_ANOTHER_USER);
    }
    EXPECT_EQ(LatestVersion(locked), lockedVersion);
    SetErrorInfo(0, nullptr);  // the refusal's description
}

// A get of version 1 copies that version of the item's files into the view
// folder and brings the item into the cache at that version; the get of the
// latest then copies the latest.
TEST_F(ClientOperationsSessionTest, TheGetOperationCopiesTheAskedVersionAndRefreshesTheCache) {
    const int number = ItemWithSeveralVersions();
    const LONG item = DocumentId(demo::SeededItem(number));
    const LONG partLatest = LatestVersion(DocumentId(demo::SeededPart(number)));
    CComPtr<IItmObject> object = VaultItemObject(item);
    CProxyTavroskAPI& client = *factory_.client;
    CComQIPtr<IItmManager> manager(manager_);
    ASSERT_EQ(CachedItem(demo::SeededItem(number)), nullptr);

    SAFEARRAY* returned = nullptr;
    ASSERT_EQ(client.GetSpecificVersion(object, 1, &returned, manager), S_OK);
    EXPECT_EQ(FileText(PartInView(number)), demo::PartContents(number, 1));
    ASSERT_NE(returned, nullptr);
    {
        // The refreshed item among the objects returned.
        bool found = false;
        VARIANT* data = nullptr;
        ASSERT_EQ(SafeArrayAccessData(returned, reinterpret_cast<void**>(&data)), S_OK);
        for (ULONG i = 0; i < returned->rgsabound[0].cElements; ++i) {
            CComQIPtr<IItmObject> refreshed(data[i].pdispVal);
            LONG id = 0;
            if (refreshed && refreshed->get_ID(&id) == S_OK && id == item) found = true;
        }
        SafeArrayUnaccessData(returned);
        EXPECT_TRUE(found);
    }
    SafeArrayDestroy(returned);
    RefPtr<::ItemObject> cached = CachedItem(demo::SeededItem(number));
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->mlAttachedVersion, 1);

    ObjectList items({object});
    returned = nullptr;
    ASSERT_EQ(client.GetLatestItems(items.get(), &returned, false, false, manager), S_OK);
    SafeArrayDestroy(returned);
    EXPECT_EQ(FileText(PartInView(number)), demo::PartContents(number, partLatest));
    cached = CachedItem(demo::SeededItem(number));
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->mlAttachedVersion, LatestVersion(item));
}

}  // namespace
