// The demo vault as the explorer meets it, for the data layer's end-to-end
// tests: a fresh machine with the vault client's components and the item
// server registered from the build, the vault "Demo" made and seeded with the
// demo content (vaultadmin::SeedDemoVault), item managers made by class id and
// logged in to it, and the vault's node with its cache re-keyed to the
// login's root folder, as the vault list and the attach leave them.
#pragma once

#include "explorer/data/cache.h"
#include "explorer/data/vault_node.h"

#include "demo_vault_login.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/error_info.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com_testing/registered_server_test.h"
#include "testsupport/fresh_machine.h"
#include "ui_testing/ui_test.h"
#include "vaultadmin/demo_seeding.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vennacle/sp_mgr.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace explorer_testing {

// The names the demo content gives its items and files, and what they link
// (the same every time).
namespace demo {
inline std::u16string Item(int number) { return vaultadmin::DemoItemName(number); }
// An item's part file, linked dynamically.
inline std::u16string Part(int number) { return vaultadmin::DemoPartName(number); }
// The drawing of every third item, linked statically.
inline std::u16string Drawing(int number) { return vaultadmin::DemoDrawingName(number); }
inline bool HasDrawing(int number) { return number % vaultadmin::kDemoDrawingEvery == 0; }
inline bool IsAssembly(int number) { return number % vaultadmin::kDemoAssemblyEvery == 0; }
// Checked out by the designer, in the vault's view.
inline bool IsCheckedOut(int number) { return number % vaultadmin::kDemoCheckedOutEvery == 0; }
}  // namespace demo

// What the tests read of an object: "<none>", 0 or undefined when it
// cannot be read.
inline std::u16string NameOf(BellquistLib::IItmObject* object) {
    BSTR name = nullptr;
    if (!object || FAILED(object->get_Name(&name))) return u"<none>";
    std::u16string text = com::BstrText(name);
    SysFreeString(name);
    return text;
}
inline LONG IdOf(BellquistLib::IItmObject* object) {
    LONG id = 0;
    if (object) object->get_ID(&id);
    return id;
}
inline BellquistLib::ItmObjectType TypeOf(BellquistLib::IItmObject* object) {
    BellquistLib::ItmObjectType type = BellquistLib::ItmObjectType_Undefined;
    if (object) object->get_Type(&type);
    return type;
}
// The first object of `objects` of that type and name; null when none.
inline CComPtr<BellquistLib::IItmObject> Named(const std::vector<CComPtr<BellquistLib::IItmObject>>& objects,
                                               BellquistLib::ItmObjectType type, const std::u16string& name) {
    for (const CComPtr<BellquistLib::IItmObject>& object : objects)
        if (TypeOf(object) == type && NameOf(object) == name) return object;
    return nullptr;
}

class DemoVaultTest : public com_testing::RegisteredServerTest {
protected:
    static constexpr char16_t kVault[] = u"Demo";
    static constexpr char16_t kComputer[] = u"PC-7";
    // The seed's designer, who holds its check-outs.
    static constexpr char16_t kDesigner[] = u"Designer";
    static constexpr char16_t kDesignerPassword[] = u"designer";

    DemoVaultTest()
        : RegisteredServerTest({u"VaultServer.dll", u"Dunmorrow.dll", u"TavroskClient.dll", u"Bellquist.dll"}) {}

    void SetUp() override {
        RegisteredServerTest::SetUp();
        ui_testing::EnsureApplication();
        vaultadmin::VaultCreation request;
        request.name = kVault;
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = view_ = machine_.root() / "view";
        created_ = vaultadmin::CreateVault(request);
        seeded_ = vaultadmin::SeedDemoVault(*vaultadmin::OpenRegisteredVault(kVault));
    }
    void TearDown() override {
        // The cache holds its node: it goes first, as in the vault manager.
        if (node_) node_->mpoCache = nullptr;
        cache_.reset();
        node_ = nullptr;
        for (CComPtr<BellquistLib::IItmManager2>& manager : managers_) {
            EXPECT_EQ(manager->LogOut(), S_OK);
            manager = nullptr;
        }
        managers_.clear();
        SetErrorInfo(0, nullptr);
        RegisteredServerTest::TearDown();
    }

    // A new item manager of the registered server, initialised for the
    // view folder (with this program's view-server id, when it takes vault
    // events) and logged in as `user`; it stays logged in to the end of the
    // test. Null (with a failure) when any step fails.
    CComPtr<BellquistLib::IItmManager2> LogIn(const char16_t* user = kDesigner,
                                              const char16_t* password = kDesignerPassword, LONG viewServerId = 0) {
        CComPtr<BellquistLib::IItmManager2> manager;
        EXPECT_EQ(LogInThroughItemServer(Login(user, password, viewServerId), manager, rootFolderId_), S_OK);
        if (manager) managers_.push_back(manager);
        return manager;
    }
    // What a login of `user` to the vault from this machine names.
    VaultLogin Login(const char16_t* user = kDesigner, const char16_t* password = kDesignerPassword,
                     LONG viewServerId = 0) const {
        return VaultLogin{kVault,    ViewPath(), created_.viewId, created_.vaultId,
                          kComputer, user,       password,        viewServerId};
    }

    // The vault's node with its cache, as the vault list makes them and the
    // attach leaves them: logged in with `manager`, the root "<items>" (type
    // vault) made anew under the login's root folder id and re-keyed to it.
    void AttachNode(BellquistLib::IItmManager2* manager) {
        node_ = new CVaultNode(created_.viewId, created_.vaultId, kVault, ViewPath() + u"\\");
        cache_ = std::make_unique<CCache>(node_);
        node_->SetCache(cache_.get());
        node_->mpoItmManager = manager;
        CComPtr<BellquistLib::IItmObject> root;
        root.Attach(node_->CreateItemsRootFolder(rootFolderId_));
        ASSERT_TRUE(root);
        RefPtr<CCacheObj> cached;
        ASSERT_TRUE(cache_->mbFindObject(CacheObjKey{BellquistLib::ItmObjectType_Vault, node_->mlRootID, -1}, cached));
        cached->moInner->mvSetItem(root);
        cache_->mvSetVaultNumber(rootFolderId_);
        node_->mlRootID = rootFolderId_;
        node_->mbLoggedIn = 1;
    }
    // The cached vault root.
    RefPtr<CCacheObj> CachedRoot() {
        RefPtr<CCacheObj> root;
        if (cache_) cache_->mbFindObject(CacheObjKey{BellquistLib::ItmObjectType_Vault, rootFolderId_, -1}, root);
        return root;
    }

    // The view folder in the system's form ("C:\...").
    std::u16string ViewPath() const { return winapi::FromPosixPath(view_.string()); }

    // A new item array of `objects`, for the caller to destroy.
    static SAFEARRAY* ItemList(const std::vector<BellquistLib::IItmObject*>& objects) {
        SAFEARRAY* list = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size()));
        for (LONG index = 0; index < static_cast<LONG>(objects.size()); ++index) {
            VARIANT element;
            VariantInit(&element);
            element.vt = VT_DISPATCH;
            element.pdispVal = objects[index];
            SafeArrayPutElement(list, &index, &element);  // copies, with a reference of its own
        }
        return list;
    }

    vaultadmin::CreatedVault created_;
    vaultadmin::DemoCounts seeded_;
    std::filesystem::path view_;  // the vault's view folder on this machine
    LONG rootFolderId_ = 0;       // the root item folder's id, from the last login
    RefPtr<CVaultNode> node_;
    std::unique_ptr<CCache> cache_;

private:
    std::vector<CComPtr<BellquistLib::IItmManager2>> managers_;
};

}  // namespace explorer_testing
