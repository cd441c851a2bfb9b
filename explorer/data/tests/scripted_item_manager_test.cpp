// The scripted item manager keeps the manager's contract that the data
// layer's tests rely on: answers in the scripted order, [out] arrays the
// caller owns, error info that belongs to the failed call.
#include "scripted_item_manager.h"

#include "bellquist/ids.h"
#include "com/com_error.h"
#include "com/runtime.h"
#include "com_testing/registered_server_test.h"
#include "common/error_codes.h"
#include "common/record_array.h"

#include <gtest/gtest.h>

using namespace BellquistLib;
using explorer_test::ScriptedAnswer;
using explorer_test::ScriptedItemManager;

namespace {

class ScriptedItemManagerTest : public com_testing::RegisteredServerTest {
protected:
    ScriptedItemManagerTest() : RegisteredServerTest({u"Bellquist.dll"}) {}

    // An item-folder object of the registered item server, loaded with `id`.
    static CComPtr<IItmObject> Folder(LONG id) {
        CComPtr<IItmObject> folder;
        EXPECT_EQ(CoCreateInstance(CLSID_ItmFolder, nullptr, CLSCTX_INPROC_SERVER, IItmObject::kIid,
                                   reinterpret_cast<void**>(&folder)),
                  S_OK);
        if (!folder) return folder;
        ItmObjectData data{};
        data.meObjectType = ItmObjectType_ItemFolder;
        data.mlObjectID = id;
        data.mlConfigID = -1;
        data.moFilename = SysAllocString(u"Parts");
        data.moPath = SysAllocString(u"\\<items>\\Parts\\");
        EXPECT_EQ(folder->Load(&data, nullptr), S_OK);
        SysFreeString(data.moFilename);
        SysFreeString(data.moPath);
        return folder;
    }

    static LONG IdOf(IItmObject* object) {
        LONG id = 0;
        if (object) object->get_ID(&id);
        return id;
    }
};

TEST_F(ScriptedItemManagerTest, AnswersInTheScriptedOrderAndRecordsWhatItWasGiven) {
    ScriptedItemManager manager;
    CComPtr<IItmObject> first = Folder(11), second = Folder(12);
    ScriptedAnswer trees;
    trees.items = {second, first};
    manager.Script("BatchGetTrees", trees);
    ScriptedAnswer failure;
    failure.hr = E_ITEM_INVALID_OBJECT;
    failure.errorDescription = u"gone";
    manager.Script("BatchGetTrees", failure);

    SAFEARRAY* input = ScriptedItemManager::MakeItemArray({first});
    SAFEARRAY* given = nullptr;
    SAFEARRAY* deleted = nullptr;
    ASSERT_EQ(manager.BatchGetTrees(input, Bgtf_Recursive, 1, &given, &deleted), S_OK);
    const auto objects = ScriptedItemManager::Objects(given);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(IdOf(objects[0]), 12);
    EXPECT_EQ(IdOf(objects[1]), 11);
    EXPECT_EQ(deleted, nullptr);
    SafeArrayDestroy(given);

    // The failure leaves its description for the caller, as the real
    // manager's boundary does; the outs stay null.
    EXPECT_EQ(manager.BatchGetTrees(input, 0, -1, &given, nullptr), E_ITEM_INVALID_OBJECT);
    EXPECT_EQ(given, nullptr);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"gone");
    EXPECT_EQ(manager.InterfaceSupportsErrorInfo(IItmManager::kIid), S_OK);

    // Beyond the queue: S_OK and nothing.
    EXPECT_EQ(manager.BatchGetTrees(input, 0, 0, &given, nullptr), S_OK);
    EXPECT_EQ(given, nullptr);
    SafeArrayDestroy(input);

    ASSERT_EQ(manager.CallsOf("BatchGetTrees").size(), 3u);
    const auto& call = *manager.CallsOf("BatchGetTrees")[1];
    EXPECT_EQ(call.numbers, (std::vector<LONG>{0, -1}));
    ASSERT_EQ(call.items.size(), 1u);
    EXPECT_EQ(call.items[0].GetInterfacePtr(), first.GetInterfacePtr());
}

TEST_F(ScriptedItemManagerTest, HandsOutDeletedRecordsAndSingleObjects) {
    ScriptedItemManager manager;
    CComPtr<IItmObject> listed = Folder(21), asked = Folder(20);
    ScriptedAnswer refreshed;
    refreshed.emptyArray = true;
    refreshed.deleted = {{ItmObjectType_Item, 7, VARIANT_TRUE}};
    manager.ScriptAlways("BatchRefreshTrees", refreshed);
    ScriptedAnswer listing;
    listing.items = {listed};
    listing.object = CComPtr<IUnknown>(listed.GetInterfacePtr());
    manager.Script("EnumItemFolder", listing);

    SAFEARRAY* trees = nullptr;
    SAFEARRAY* deleted = nullptr;
    ASSERT_EQ(manager.BatchRefreshTrees(nullptr, 1, &trees, &deleted), S_OK);
    ASSERT_NE(trees, nullptr);
    EXPECT_TRUE(ScriptedItemManager::Objects(trees).empty());
    SafeArrayDestroy(trees);
    {
        RecordArray<DelOrDestroyed> records(deleted);
        ASSERT_EQ(records.mlGetCount(), 1);
        EXPECT_EQ(records.mpoBegin()->mlId, 7);
    }
    SafeArrayDestroy(deleted);

    // The in/out folder is replaced by the scripted one.
    IItmObject* folder = asked.Detach();
    SAFEARRAY* items = nullptr;
    ASSERT_EQ(manager.EnumItemFolder(&folder, &items), S_OK);
    EXPECT_EQ(IdOf(folder), 21);
    folder->Release();
    EXPECT_EQ(ScriptedItemManager::Objects(items).size(), 1u);
    SafeArrayDestroy(items);
    EXPECT_EQ(IdOf(manager.CallsOf("EnumItemFolder")[0]->items[0]), 20);
}

}  // namespace
