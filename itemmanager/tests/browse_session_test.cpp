// Browsing the demo vault end to end, as the explorer does it: the servers
// registered on a fresh machine and created by class id, a login, the tree
// of the root item folder, its items fetched into the item cache (read back
// with an independent compound-file reader), and a refresh after the admin
// tool, run as a separate process, changed the vault meanwhile.

#include "server_session_fixture.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com_testing/bstr_text.h"
#include "com_testing/leak_checked_test.h"
#include "common/record_array.h"
#include "interop_support.h"
#include "itemstore/cache_location.h"
#include "itemstore/element_names.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "vaultadmin/demo_seeding.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vennacle/sp_mgr.h"
#include "winapi/modules.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace BellquistLib;
using com_testing::TakeText;
using demo::SeededItem;

namespace {

// The seed's designer, who holds its check-outs.
constexpr char16_t kUser[] = u"Designer";
constexpr char16_t kPassword[] = u"designer";

// The seed's item folders directly below "\<items>\": Mechanical,
// Electrical, Purchased, Documentation, Assemblies.
const std::set<std::u16string> kTopFolders = {u"Mechanical", u"Electrical", u"Purchased", u"Documentation",
                                              u"Assemblies"};

bool IsAssembly(int number) { return number % vaultadmin::kDemoAssemblyEvery == 0; }
bool HasDrawing(int number) { return number % vaultadmin::kDemoDrawingEvery == 0; }
bool IsCheckedOut(int number) { return number % vaultadmin::kDemoCheckedOutEvery == 0; }

// The seeded item's number from its name ("ITM-00042.<item>" -> 42), 0 for
// any other name.
int NumberOf(const std::u16string& name) {
    int number = 0;
    char tail[16] = {};
    return std::sscanf(winapi::ToUtf8(name).c_str(), "ITM-%5d%15s", &number, tail) == 2 &&
                   std::strcmp(tail, ".<item>") == 0
               ? number
               : 0;
}

// One object of a fetch's result, as the test compares them.
struct Browsed {
    ItmObjectType type{};
    LONG id = 0;
    std::u16string name;
    ItmObjectType parentType{};
    LONG latestVersion = 0;
    std::map<LONG, LONG> linksByType;        // items and folders: link type -> count
    std::map<LONG, LONG> linkedObjectKinds;  // folders: child object type -> count
    CComPtr<IItmObject> object;
};

Browsed Describe(IItmObject* object) {
    Browsed seen;
    seen.object = object;
    EXPECT_EQ(object->get_Type(&seen.type), S_OK);
    EXPECT_EQ(object->get_ID(&seen.id), S_OK);
    BSTR name = nullptr;
    EXPECT_EQ(object->get_Name(&name), S_OK);
    seen.name = TakeText(name);
    object->get_ParentType(&seen.parentType);
    object->get_LatestVersion(&seen.latestVersion);
    if (seen.type != ItmObjectType_Item && seen.type != ItmObjectType_ItemFolder) return seen;
    CComPtr<IItmLinkManager> links;
    EXPECT_EQ(object->get_LinkManager(&links), S_OK);
    if (!links) return seen;
    for (LONG type : {LinkType_Dynamic, LinkType_Static, LinkType_BOM}) {
        LONG count = 0;
        EXPECT_EQ(links->GetLinkCount(static_cast<ItmLinkType>(type), &count), S_OK);
        if (count != 0) seen.linksByType[type] = count;
    }
    SAFEARRAY* all = nullptr;
    EXPECT_EQ(links->GetLinks(LinkType_All, &all), S_OK);
    if (all) {
        RecordArray<ItmLink> records(all);
        for (const ItmLink* link = records.mpoBegin(); link != records.mpoEnd(); ++link)
            ++seen.linkedObjectKinds[link->meObjectType];
    }
    SafeArrayDestroy(all);
    return seen;
}

// The objects of a result array (VARIANTs holding IItmObject).
std::vector<Browsed> DescribeAll(SAFEARRAY* objects) {
    std::vector<Browsed> seen;
    if (!objects) return seen;
    VARIANT* values = nullptr;
    EXPECT_EQ(SafeArrayAccessData(objects, reinterpret_cast<void**>(&values)), S_OK);
    for (ULONG i = 0; i < objects->rgsabound[0].cElements; ++i) {
        EXPECT_EQ(values[i].vt, VT_DISPATCH);
        CComQIPtr<IItmObject> object(values[i].pdispVal);
        EXPECT_TRUE(object != nullptr);
        if (object) seen.push_back(Describe(object));
    }
    SafeArrayUnaccessData(objects);
    return seen;
}

std::vector<const Browsed*> OfType(const std::vector<Browsed>& objects, ItmObjectType type) {
    std::vector<const Browsed*> found;
    for (const Browsed& object : objects)
        if (object.type == type) found.push_back(&object);
    return found;
}

const Browsed* Named(const std::vector<Browsed>& objects, ItmObjectType type, const std::u16string& name) {
    for (const Browsed& object : objects)
        if (object.type == type && object.name == name) return &object;
    return nullptr;
}

// The links the seed gives item `number`, by link type: its part file
// (dynamic), a drawing on every third (static), and on an assembly its BOM
// and its child items (both link type 3).
std::map<LONG, LONG> SeededLinks(int number) {
    std::map<LONG, LONG> links{{LinkType_Dynamic, 1}};
    if (HasDrawing(number)) links[LinkType_Static] = 1;
    if (IsAssembly(number)) links[LinkType_BOM] = 1 + vaultadmin::kDemoAssemblyChildren;
    return links;
}

// What the cache stores of those links: every child but the BOM.
int32_t StoredChildren(int number) {
    return 1 + (HasDrawing(number) ? 1 : 0) + (IsAssembly(number) ? vaultadmin::kDemoAssemblyChildren : 0);
}

struct FetchResult {
    HRESULT hr = E_FAIL;
    std::vector<Browsed> objects;
    std::vector<DelOrDestroyed> deleted;
};

// --- The item cache file, as python3-olefile reads it -----------------------------

int32_t Le32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(offset + i));
    return static_cast<int32_t>(value);
}

// An item record's id and name (record_codec.h: id at 12, name length at 4,
// the name from 40 as UTF-16LE with its NUL).
std::pair<int32_t, std::u16string> DecodeItemRecord(const std::string& bytes) {
    const int32_t nameBytes = Le32(bytes, 4);
    std::u16string name;
    for (int32_t i = 0; i + 1 < nameBytes - 2; i += 2)
        name.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes.at(40 + i)) |
                                             static_cast<unsigned char>(bytes.at(41 + i)) << 8));
    return {Le32(bytes, 12), name};
}

// Where an element lies in the file: its piece storages and its stream,
// joined by "/" as the oracle lists them.
std::string ElementPath(const std::u16string& escapedName) {
    SplitElementName split;
    gvSplitElementName(escapedName, split);
    std::string path;
    for (const std::u16string& storage : split.storages) path += winapi::ToUtf8(storage) + "/";
    return path + winapi::ToUtf8(split.stream);
}

std::string ItemRecordPath(const std::u16string& name) {
    std::u16string escaped;
    EXPECT_EQ(ghItemElementName(name, escaped), S_OK);
    return ElementPath(escaped);
}

std::string ChildrenPath(const std::u16string& name) {
    std::u16string escaped;
    EXPECT_EQ(ghChildrenElementName(name, escaped), S_OK);
    return ElementPath(escaped);
}

class BrowseSessionTest : public ManagerSessionTest {
protected:
    void SetUp() override {
        ManagerSessionTest::SetUp();
        if (HasFatalFailure()) return;
        seeded_ = vaultadmin::SeedDemoVault(*vaultadmin::OpenRegisteredVault(kVault));
        ASSERT_EQ(seeded_.items, vaultadmin::kDemoItems);
        LogIn(kUser, kPassword);
        EXPECT_NE(rootFolderId_, 0);
    }

    static SAFEARRAY* ItemList(const std::vector<IItmObject*>& objects) {
        SAFEARRAY* list = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size()));
        VARIANT* values = nullptr;
        EXPECT_EQ(SafeArrayAccessData(list, reinterpret_cast<void**>(&values)), S_OK);
        for (size_t i = 0; i < objects.size(); ++i) {
            objects[i]->AddRef();
            values[i].vt = VT_DISPATCH;
            values[i].pdispVal = objects[i];
        }
        SafeArrayUnaccessData(list);
        return list;
    }

    static FetchResult Collect(HRESULT hr, SAFEARRAY* objects, SAFEARRAY* deleted) {
        FetchResult result;
        result.hr = hr;
        result.objects = DescribeAll(objects);
        if (deleted) {
            RecordArray<DelOrDestroyed> entries(deleted);
            result.deleted.assign(entries.mpoBegin(), entries.mpoEnd());
        }
        SafeArrayDestroy(objects);
        SafeArrayDestroy(deleted);
        return result;
    }

    FetchResult GetTrees(const std::vector<IItmObject*>& input, LONG flags, LONG levels) {
        SAFEARRAY* list = ItemList(input);
        SAFEARRAY* objects = nullptr;
        SAFEARRAY* deleted = nullptr;
        HRESULT hr = manager_->BatchGetTrees(list, flags, levels, &objects, &deleted);
        SafeArrayDestroy(list);
        return Collect(hr, objects, deleted);
    }

    FetchResult RefreshTrees(const std::vector<IItmObject*>& input, LONG levels) {
        SAFEARRAY* list = ItemList(input);
        SAFEARRAY* objects = nullptr;
        SAFEARRAY* deleted = nullptr;
        HRESULT hr = manager_->BatchRefreshTrees(list, levels, &objects, &deleted);
        SafeArrayDestroy(list);
        return Collect(hr, objects, deleted);
    }

    // The root folder and the items as they hang in their folders: what the
    // explorer shows after browsing the whole tree, and fetches again.
    static std::vector<IItmObject*> RootAndFolderItems(IItmObject* root, const std::vector<Browsed>& objects) {
        std::vector<IItmObject*> shown{root};
        for (const Browsed* item : OfType(objects, ItmObjectType_Item))
            if (item->parentType == ItmObjectType_ItemFolder) shown.push_back(item->object);
        return shown;
    }

    // The cache file's elements as python3-olefile lists them.
    interop::Tree CacheFileAsOlefileReadsIt(const std::string& work) {
        std::u16string path;
        EXPECT_EQ(ghItemCacheFilePath(created_.vaultId, path), S_OK);
        return interop::ReadWithOracle("olefile_extract.py", winapi::ToPosixPath(path), machine_.root() / work).tree;
    }

    int RunVaultAdmin(const std::vector<std::string>& args) {
        testsupport::ChildProcess child(testsupport::SiblingProgram("vaultadmin"), args);
        return child.Wait(std::chrono::minutes(2));
    }

    vaultadmin::DemoCounts seeded_;
};

TEST_F(BrowseSessionTest, TheRootFolderTreeHoldsTheSeededFoldersItemsAndLinks) {
    CComPtr<IItmObject> root = RootFolder();
    ASSERT_TRUE(root != nullptr);

    // One level: the root and its folders, nothing below them.
    FetchResult top = GetTrees({root}, Bgtf_Recursive, 1);
    ASSERT_EQ(top.hr, S_OK);
    std::set<std::u16string> folders;
    for (const Browsed* folder : OfType(top.objects, ItmObjectType_ItemFolder))
        if (folder->id != rootFolderId_) folders.insert(folder->name);
    EXPECT_EQ(folders, kTopFolders);
    EXPECT_EQ(top.objects.size(), kTopFolders.size() + 1);

    // Every level: the folders, every seeded item with its links, the
    // files and the BOMs.
    FetchResult tree = GetTrees({root}, Bgtf_Recursive, 0);
    ASSERT_EQ(tree.hr, S_OK);
    EXPECT_TRUE(tree.deleted.empty());

    const Browsed* rootSeen = Named(tree.objects, ItmObjectType_ItemFolder, u"<items>");
    ASSERT_NE(rootSeen, nullptr);
    EXPECT_EQ(rootSeen->id, rootFolderId_);
    EXPECT_EQ(rootSeen->linkedObjectKinds, (std::map<LONG, LONG>{{ItmObjectType_ItemFolder, 5}}));
    folders.clear();
    for (const Browsed* folder : OfType(tree.objects, ItmObjectType_ItemFolder))
        if (folder->id != rootFolderId_) folders.insert(folder->name);
    EXPECT_EQ(folders, kTopFolders);
    const Browsed* mechanical = Named(tree.objects, ItmObjectType_ItemFolder, u"Mechanical");
    ASSERT_NE(mechanical, nullptr);
    EXPECT_EQ(mechanical->linkedObjectKinds.at(ItmObjectType_ItemFolder), 3);  // Fasteners, Bearings, Housings
    const Browsed* assemblies = Named(tree.objects, ItmObjectType_ItemFolder, u"Assemblies");
    ASSERT_NE(assemblies, nullptr);
    EXPECT_EQ(assemblies->linkedObjectKinds.at(ItmObjectType_Item),
              vaultadmin::kDemoItems / vaultadmin::kDemoAssemblyEvery);

    // An item once in its folder and once more under each assembly that
    // lists it; every object of an item carries the item's links.
    std::set<std::u16string> items, expectedItems;
    int underAssemblies = 0;
    for (int number = 1; number <= vaultadmin::kDemoItems; ++number) expectedItems.insert(SeededItem(number));
    for (const Browsed* item : OfType(tree.objects, ItmObjectType_Item)) {
        SCOPED_TRACE(winapi::ToUtf8(item->name));
        items.insert(item->name);
        if (item->parentType == ItmObjectType_Item) ++underAssemblies;
        const int number = NumberOf(item->name);
        ASSERT_NE(number, 0);
        EXPECT_EQ(item->linksByType, SeededLinks(number));
    }
    EXPECT_EQ(items, expectedItems);
    EXPECT_EQ(underAssemblies, seeded_.boms * vaultadmin::kDemoAssemblyChildren);
    EXPECT_EQ(static_cast<int>(OfType(tree.objects, ItmObjectType_File).size()), seeded_.files);
    EXPECT_EQ(static_cast<int>(OfType(tree.objects, ItmObjectType_BOM).size()), seeded_.boms);
    ASSERT_NE(Named(tree.objects, ItmObjectType_File, u"P-00001.zvkprt"), nullptr);
    ASSERT_NE(Named(tree.objects, ItmObjectType_File, u"D-00003.dwg"), nullptr);
    ASSERT_NE(Named(tree.objects, ItmObjectType_BOM, u"A-00010 BOM"), nullptr);
}

TEST_F(BrowseSessionTest, FetchedItemsLieInTheCacheFileAsAnotherReaderSeesIt) {
    if (!interop::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed (tools/install-deps.sh)";
    CComPtr<IItmObject> root = RootFolder();
    ASSERT_TRUE(root != nullptr);
    FetchResult tree = GetTrees({root}, Bgtf_Recursive, 0);
    ASSERT_EQ(tree.hr, S_OK);
    // The cache keeps the items a fetch is given, not those it finds below
    // a folder: the items shown are fetched again into it.
    FetchResult cached = GetTrees(RootAndFolderItems(root, tree.objects), Bgtf_Recursive | Bgtf_UpdateFileCache, 0);
    ASSERT_EQ(cached.hr, S_OK);

    const interop::Tree file = CacheFileAsOlefileReadsIt("olefile-cache");
    std::map<std::u16string, LONG> ids;
    for (const Browsed* item : OfType(tree.objects, ItmObjectType_Item)) ids[item->name] = item->id;
    int childrenLists = 0;
    for (int number = 1; number <= vaultadmin::kDemoItems; ++number) {
        const std::u16string name = SeededItem(number);
        SCOPED_TRACE(winapi::ToUtf8(name));
        auto record = file.find(ItemRecordPath(name));
        ASSERT_NE(record, file.end());
        const auto [id, storedName] = DecodeItemRecord(record->second.bytes);
        EXPECT_EQ(id, ids[name]);
        EXPECT_EQ(storedName, name);
        // Children lists only for the items checked out in this view.
        auto children = file.find(ChildrenPath(name));
        EXPECT_EQ(children != file.end(), IsCheckedOut(number));
        if (children == file.end()) continue;
        ++childrenLists;
        EXPECT_EQ(Le32(children->second.bytes, 4), StoredChildren(number));
    }
    EXPECT_EQ(childrenLists, seeded_.checkedOut);
}

TEST_F(BrowseSessionTest, ARefreshShowsWhatAnotherProcessChanged) {
    if (!interop::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed (tools/install-deps.sh)";
    CComPtr<IItmObject> root = RootFolder();
    ASSERT_TRUE(root != nullptr);
    FetchResult tree = GetTrees({root}, Bgtf_Recursive, 0);
    ASSERT_EQ(tree.hr, S_OK);
    const std::vector<IItmObject*> shown = RootAndFolderItems(root, tree.objects);
    ASSERT_EQ(GetTrees(shown, Bgtf_Recursive | Bgtf_UpdateFileCache, 0).hr, S_OK);
    const Browsed* deletedItem = Named(tree.objects, ItmObjectType_Item, SeededItem(1));
    const Browsed* partFile = Named(tree.objects, ItmObjectType_File, u"P-00002.zvkprt");
    ASSERT_NE(deletedItem, nullptr);
    ASSERT_NE(partFile, nullptr);

    // Another user changes the vault meanwhile, through the admin tool.
    const std::filesystem::path newContents = machine_.root() / "P-00002 new.zvkprt";
    interop::WriteFileBytes(newContents, "the new geometry\n");
    EXPECT_EQ(RunVaultAdmin({"add-item", "Demo", "\\<items>\\Purchased\\", "NEW-00001"}), 0);
    EXPECT_EQ(RunVaultAdmin({"delete-item", "Demo", winapi::ToUtf8(SeededItem(1))}), 0);
    EXPECT_EQ(
        RunVaultAdmin({"add-version", "Demo", "\\Projects\\Conveyor\\Parts\\P-00002.zvkprt", newContents.string()}), 0);

    FetchResult refreshed = RefreshTrees(shown, 0);
    ASSERT_EQ(refreshed.hr, S_OK);
    const Browsed* added = Named(refreshed.objects, ItmObjectType_Item, u"NEW-00001.<item>");
    ASSERT_NE(added, nullptr);
    EXPECT_TRUE(added->linksByType.empty());
    EXPECT_EQ(Named(refreshed.objects, ItmObjectType_Item, SeededItem(1)), nullptr);
    ASSERT_EQ(refreshed.deleted.size(), 1u);
    EXPECT_EQ(refreshed.deleted[0].meType, ItmObjectType_Item);
    EXPECT_EQ(refreshed.deleted[0].mlId, deletedItem->id);
    EXPECT_EQ(refreshed.deleted[0].mbDestroyed, VARIANT_FALSE);
    const Browsed* newVersion = Named(refreshed.objects, ItmObjectType_File, u"P-00002.zvkprt");
    ASSERT_NE(newVersion, nullptr);
    EXPECT_EQ(newVersion->latestVersion, partFile->latestVersion + 1);
    const Browsed* purchased = Named(refreshed.objects, ItmObjectType_ItemFolder, u"Purchased");
    const Browsed* purchasedBefore = Named(tree.objects, ItmObjectType_ItemFolder, u"Purchased");
    ASSERT_NE(purchased, nullptr);
    ASSERT_NE(purchasedBefore, nullptr);
    EXPECT_EQ(purchased->linkedObjectKinds.at(ItmObjectType_Item),
              purchasedBefore->linkedObjectKinds.at(ItmObjectType_Item) + 1);

    // The refresh stores nothing, but what the vault reported deleted has
    // left the cache.
    const interop::Tree file = CacheFileAsOlefileReadsIt("olefile-refreshed");
    EXPECT_EQ(file.count(ItemRecordPath(SeededItem(1))), 0u);
    EXPECT_EQ(file.count(ItemRecordPath(u"NEW-00001.<item>")), 0u);
    EXPECT_EQ(file.count(ItemRecordPath(SeededItem(2))), 1u);
}

}  // namespace
