// The item operations end to end, as the explorer runs them on the demo
// vault: the servers registered on a fresh machine, ItmManager created by
// class id and logged in (with the vault object, for check-out), and the
// listing of item folders, new item folders and items (which another
// explorer, a separate process, then finds in the vault), move, rename, the
// cyclic-reference check and the menu information as check-outs and rights
// change, all working on the vault database and the item cache.

#include "server_session_fixture.h"

#include "item_objects_support.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "bellquist/menu_info.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/safearray.h"
#include "com_testing/bstr_text.h"
#include "common/error_codes.h"
#include "testsupport/child_process.h"
#include "vaultadmin/demo_seeding.h"
#include "vaultdb/database.h"
#include "winapi/guid_text.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

using namespace BellquistLib;
using com_testing::TakeText;
using conversion_test::ObjectList;

namespace {

struct Seen {
    ItmObjectType type{};
    LONG id = 0;
    std::u16string name;
    ItmObjectType parentType{};
    CComPtr<IItmObject> object;
};

Seen SeenOf(IItmObject* object) {
    Seen seen;
    seen.object = object;
    object->get_Type(&seen.type);
    object->get_ID(&seen.id);
    BSTR name = nullptr;
    object->get_Name(&name);
    seen.name = TakeText(name);
    object->get_ParentType(&seen.parentType);
    return seen;
}

// The objects of a result array (VARIANTs holding item objects), which it
// destroys.
std::vector<Seen> TakeObjects(SAFEARRAY* array) {
    std::vector<Seen> seen;
    for (const CComPtr<IItmObject>& object : conversion_test::TakeObjects(array))
        if (object) seen.push_back(SeenOf(object));
    return seen;
}

std::set<std::u16string> NamesOf(const std::vector<Seen>& objects, ItmObjectType type) {
    std::set<std::u16string> names;
    for (const Seen& object : objects)
        if (object.type == type) names.insert(object.name);
    return names;
}

const Seen* Named(const std::vector<Seen>& objects, const std::u16string& name) {
    for (const Seen& object : objects)
        if (object.name == name) return &object;
    return nullptr;
}

// The menu information of one selection.
struct Menu {
    HRESULT hr = E_FAIL;
    ULONG enable = 0;
    ULONG rights = 0;
    std::vector<UINT> systemRights;
};

class ItemOperationsSessionTest : public DemoSessionTest {
protected:
    void SetUp() override {
        DemoSessionTest::SetUp();
        if (HasFatalFailure()) return;
        LogInWithVaultObject();
    }

    LONG FolderId(const std::u16string& vaultPath) {
        return VaultNumber("SELECT id FROM folders WHERE vault_path = ?", &vaultPath);
    }
    // The live document of that name (0: none).
    LONG LiveDocumentId(const std::u16string& name) {
        return VaultNumber("SELECT id FROM documents WHERE name = ? AND deleted = 0", &name);
    }
    // The item's folder in the vault.
    LONG FolderOf(IItmObject* item) {
        LONG id = 0;
        item->get_ID(&id);
        return DemoSessionTest::FolderOf(id);
    }
    void Execute(const std::string& sql) { EXPECT_EQ(OpenVaultDatabase()->Execute(sql), S_OK) << sql; }
    std::vector<Seen> List(IItmObject* folder) {
        SAFEARRAY* items = nullptr;
        EXPECT_EQ(manager_->EnumItemFolder(&folder, &items), S_OK);
        return TakeObjects(items);
    }
    // The object of a folder's child, as the listing gives it.
    CComPtr<IItmObject> Child(IItmObject* folder, const std::u16string& name) {
        const std::vector<Seen> children = List(folder);
        const Seen* child = Named(children, name);
        EXPECT_NE(child, nullptr) << winapi::ToUtf8(name);
        return child ? child->object : nullptr;
    }
    CComPtr<IItmObject> Folder(const std::vector<std::u16string>& names) {
        CComPtr<IItmObject> folder = RootFolder();
        for (const std::u16string& name : names)
            if (folder) folder = Child(folder, name);
        return folder;
    }
    // A seeded item's object, as the listing of its folder gives it.
    CComPtr<IItmObject> SeededItemObject(int number) {
        const std::u16string name = demo::SeededItem(number);
        const std::vector<std::u16string> paths = VaultColumn(
            "SELECT f.vault_path FROM documents d JOIN folders f ON f.id = d.folder_id WHERE d.name = ?", &name);
        if (paths.empty()) return nullptr;
        // "\<items>\A\B\" -> A, B
        std::vector<std::u16string> names;
        const std::u16string& path = paths.front();
        const size_t start = std::u16string(u"\\<items>\\").size();
        for (size_t from = start, end; from < path.size() && (end = path.find(u'\\', from)) != std::u16string::npos;
             from = end + 1)
            names.push_back(path.substr(from, end - from));
        CComPtr<IItmObject> folder = Folder(names);
        return folder ? Child(folder, name) : nullptr;
    }
    // An item object of that name, as the explorer may hold one.
    CComPtr<IItmObject> ItemNamed(const std::u16string& name) {
        ItmObjectData record{};
        record.meObjectType = ItmObjectType_Item;
        return ExplorerObject(record, name, u"");
    }
    std::vector<Seen> Tree(IItmObject* object, LONG levels) {
        ObjectList list({object});
        SAFEARRAY* objects = nullptr;
        EXPECT_EQ(manager_->BatchGetTrees(list.get(), Bgtf_Recursive, levels, &objects, nullptr), S_OK);
        return TakeObjects(objects);
    }
    bool InCache(IItmObject* item) {
        VARIANT_BOOL exists = VARIANT_FALSE;
        EXPECT_EQ(manager_->ExistInFileCache(item, &exists), S_OK);
        return exists == VARIANT_TRUE;
    }
    Menu MenuOf(IItmObject* object) {
        ObjectList documents({object});
        Menu menu;
        SAFEARRAY* systemRights = nullptr;
        SAFEARRAY* transitions = nullptr;
        menu.hr = manager_->GetMenuInfo(documents.get(), 0, &menu.enable, &menu.rights, &systemRights, nullptr,
                                        &transitions, nullptr);
        if (systemRights) {
            UINT* values = nullptr;
            SafeArrayAccessData(systemRights, reinterpret_cast<void**>(&values));
            menu.systemRights.assign(values, values + systemRights->rgsabound[0].cElements);
            SafeArrayUnaccessData(systemRights);
        }
        SafeArrayDestroy(systemRights);
        SafeArrayDestroy(transitions);
        return menu;
    }
};

TEST_F(ItemOperationsSessionTest, EnumItemFolderListsAFoldersFoldersAndItems) {
    CComPtr<IItmObject> root = RootFolder();
    const std::vector<Seen> top = List(root);
    EXPECT_EQ(NamesOf(top, ItmObjectType_ItemFolder),
              (std::set<std::u16string>{u"Mechanical", u"Electrical", u"Purchased", u"Documentation", u"Assemblies"}));
    EXPECT_TRUE(NamesOf(top, ItmObjectType_Item).empty());

    const Seen* mechanical = Named(top, u"Mechanical");
    ASSERT_NE(mechanical, nullptr);
    const std::vector<Seen> children = List(mechanical->object);
    EXPECT_EQ(NamesOf(children, ItmObjectType_ItemFolder),
              (std::set<std::u16string>{u"Fasteners", u"Bearings", u"Housings"}));
    const LONG folderId = FolderId(u"\\<items>\\Mechanical\\");
    ASSERT_EQ(mechanical->id, folderId);
    const std::vector<std::u16string> stored = VaultColumn(
        "SELECT name FROM documents WHERE doc_type = 4 AND deleted = 0 AND folder_id = " + std::to_string(folderId));
    EXPECT_FALSE(stored.empty());
    EXPECT_EQ(NamesOf(children, ItmObjectType_Item), std::set<std::u16string>(stored.begin(), stored.end()));
}

TEST_F(ItemOperationsSessionTest, NewFoldersAndItemsAreInTheVaultForAnotherProcess) {
    CComPtr<IItmObject> mechanical = Folder({u"Mechanical"});
    ASSERT_TRUE(mechanical != nullptr);
    BSTR name = SysAllocString(u"Gearboxes");
    IItmFolder* created = nullptr;
    ASSERT_EQ(manager_->CreateNewItemFolder(mechanical, name, &created), S_OK);
    SysFreeString(name);
    CComPtr<IItmFolder> gearboxes(created, false);
    const LONG folderId = FolderId(u"\\<items>\\Mechanical\\Gearboxes\\");
    ASSERT_NE(folderId, 0);
    LONG id = 0;
    gearboxes->get_ID(&id);
    EXPECT_EQ(id, folderId);

    IItmItem* newItem = nullptr;
    ASSERT_EQ(manager_->CreateNewItem(gearboxes, &newItem), S_OK);
    LONG mechanicalId = 0;
    mechanical->get_ID(&mechanicalId);
    CComPtr<IItmItem> item(newItem, false);
    const Seen seen = SeenOf(item);
    EXPECT_EQ(seen.type, ItmObjectType_Item);
    EXPECT_TRUE(seen.name.ends_with(u".<item>"));
    EXPECT_EQ(LiveDocumentId(seen.name), seen.id);
    EXPECT_EQ(VaultNumber("SELECT folder_id FROM documents WHERE id = " + std::to_string(seen.id)), folderId);
    EXPECT_EQ(VaultNumber("SELECT user_id FROM locks WHERE document_id = " + std::to_string(seen.id)), userId_);
    EXPECT_TRUE(InCache(item));
    GUID lockView{};
    item->get_LockViewID(&lockView);
    EXPECT_EQ(lockView, created_.viewId);

    // Another explorer on this machine, a process of its own, finds both
    // (it prints folders before items).
    testsupport::ChildProcess reader(
        testsupport::SiblingProgram("folder_tree_reader_child"),
        {winapi::ToUtf8(winapi::GuidToString(created_.vaultId)), winapi::ToUtf8(winapi::GuidToString(created_.viewId)),
         winapi::ToUtf8(winapi::FromPosixPath(view_.string())), winapi::ToUtf8(kUser), winapi::ToUtf8(kPassword),
         std::to_string(mechanicalId), "\\<items>\\Mechanical\\"});
    ASSERT_TRUE(
        reader.WaitForLine(std::to_string(ItmObjectType_ItemFolder) + " " + std::to_string(folderId) + " Gearboxes"));
    ASSERT_TRUE(reader.WaitForLine(std::to_string(ItmObjectType_Item) + " " + std::to_string(seen.id) + " " +
                                   winapi::ToUtf8(seen.name)));
    ASSERT_TRUE(reader.WaitForLine("end"));
    EXPECT_EQ(reader.Wait(), 0);
}

TEST_F(ItemOperationsSessionTest, MoveAndRenameChangeTheVaultTheObjectsAndTheCache) {
    CComPtr<IItmObject> mechanical = Folder({u"Mechanical"});
    CComPtr<IItmObject> purchased = Folder({u"Purchased"});
    ASSERT_TRUE(mechanical != nullptr && purchased != nullptr);
    const LONG purchasedId = FolderId(u"\\<items>\\Purchased\\");
    IItmItem* newItem = nullptr;
    ASSERT_EQ(manager_->CreateNewItem(mechanical, &newItem), S_OK);
    CComPtr<IItmItem> item(newItem, false);
    const Seen before = SeenOf(item);
    CComPtr<IItmObject> housings = Child(mechanical, u"Housings");
    ASSERT_TRUE(housings != nullptr);
    const LONG housingsId = FolderId(u"\\<items>\\Mechanical\\Housings\\");

    // The new item and a folder with all it holds move to "Purchased".
    {
        ObjectList moved({item, housings});
        CComQIPtr<IItmFolder> destination(purchased);
        ASSERT_EQ(manager_->Move(moved.get(), destination), S_OK);
    }
    EXPECT_EQ(VaultNumber("SELECT folder_id FROM documents WHERE id = " + std::to_string(before.id)), purchasedId);
    EXPECT_EQ(VaultNumber("SELECT parent_id FROM folders WHERE id = " + std::to_string(housingsId)), purchasedId);
    EXPECT_EQ(FolderId(u"\\<items>\\Purchased\\Housings\\"), housingsId);
    LONG project = 0;
    item->get_ParentProjectID(&project);
    EXPECT_EQ(project, purchasedId);
    EXPECT_EQ(NamesOf(List(purchased), ItmObjectType_Item).count(before.name), 1u);

    // A rename without the extension: the vault, the object and the cache
    // all have the name with it.
    BSTR name = SysAllocString(u"Spindle");
    ASSERT_EQ(manager_->Rename(item, name), S_OK);
    SysFreeString(name);
    EXPECT_EQ(SeenOf(item).name, u"Spindle.<item>");
    EXPECT_EQ(LiveDocumentId(u"Spindle.<item>"), before.id);
    EXPECT_EQ(LiveDocumentId(before.name), 0);
    EXPECT_TRUE(InCache(item));
    EXPECT_FALSE(InCache(ItemNamed(before.name)));

    // A folder's new name moves the vault paths of everything below it.
    name = SysAllocString(u"Casings");
    ASSERT_EQ(manager_->Rename(housings, name), S_OK);
    SysFreeString(name);
    EXPECT_EQ(FolderId(u"\\<items>\\Purchased\\Casings\\"), housingsId);
    EXPECT_EQ(SeenOf(housings).name, u"Casings");
}

TEST_F(ItemOperationsSessionTest, ALinkThatWouldMakeACycleIsRefused) {
    CComPtr<IItmObject> assembly = Child(Folder({u"Assemblies"}), demo::SeededItem(vaultadmin::kDemoAssemblyEvery));
    ASSERT_TRUE(assembly != nullptr);
    const std::vector<Seen> tree = Tree(assembly, 1);
    const Seen* part = nullptr;
    for (const Seen& object : tree)
        if (object.type == ItmObjectType_Item && object.parentType == ItmObjectType_Item) part = &object;
    ASSERT_NE(part, nullptr);
    CComPtr<IItmObject> other = SeededItemObject(1);
    ASSERT_TRUE(other != nullptr);

    // The assembly holds the part: the part cannot hold the assembly.
    ObjectList assemblyList({assembly}), partList({part->object}), otherList({other});
    EXPECT_EQ(manager_->CheckCyclicReferences(partList.get(), assemblyList.get()), E_ITEM_CYCLIC_REFERENCE);
    EXPECT_EQ(manager_->CheckCyclicReferences(assemblyList.get(), partList.get()), S_OK);
    EXPECT_EQ(manager_->CheckCyclicReferences(otherList.get(), assemblyList.get()), S_OK);
}

TEST_F(ItemOperationsSessionTest, MenuFlagsFollowTheCheckOutAndTheUsersRights) {
    CComPtr<IItmObject> free = SeededItemObject(vaultadmin::kDemoCheckedOutEvery + 1);
    CComPtr<IItmObject> lockedByOther = SeededItemObject(vaultadmin::kDemoCheckedOutEvery);
    ASSERT_TRUE(free != nullptr && lockedByOther != nullptr);

    const ULONG lockFlags =
        MenuEnable_CheckIn | MenuEnable_CheckedOutByOther | MenuEnable_CheckedIn | MenuEnable_CheckedOut;
    Menu menu = MenuOf(free);
    ASSERT_EQ(menu.hr, S_OK);
    EXPECT_EQ(menu.enable & lockFlags, MenuEnable_CheckedIn);
    EXPECT_NE(menu.enable & MenuEnable_VersionsAvailable, 0u);
    EXPECT_NE(menu.enable & MenuEnable_IncrementRevision, 0u);
    EXPECT_EQ(menu.rights, kAllUserRights);
    EXPECT_EQ(menu.systemRights, std::vector<UINT>{kSystemRightCheckInForOthers});

    menu = MenuOf(lockedByOther);
    EXPECT_EQ(menu.enable & lockFlags, MenuEnable_CheckedOutByOther | MenuEnable_CheckedOut);

    // Checked out through the vault back end: now this user's to check in.
    {
        ObjectList checkOut({free});
        ASSERT_EQ(manager_->CheckOut(checkOut.get(), VARIANT_TRUE), S_OK);
    }
    menu = MenuOf(free);
    EXPECT_EQ(menu.enable & lockFlags, MenuEnable_CheckIn | MenuEnable_CheckedOut);

    // Rights on the folder: only new objects, no writing.
    Execute("INSERT INTO object_rights (user_id, object_type, object_id, rights) VALUES (" + std::to_string(userId_) +
            ", 3, " + std::to_string(FolderOf(free)) + ", " + std::to_string(UserRight_Create) + ")");
    menu = MenuOf(free);
    EXPECT_EQ(menu.rights, UserRight_Create);
    EXPECT_EQ(menu.enable & MenuEnable_IncrementRevision, 0u);
    // The vault refuses what the rights do not allow.
    BSTR name = SysAllocString(u"Renamed");
    EXPECT_EQ(manager_->Rename(free, name), E_OXN_PERMISSION_DENIED);
    SysFreeString(name);
}

}  // namespace
