// A fresh machine as the set-up leaves it for a session of the item manager:
// the vault client's components and the servers registered from the build,
// and one empty vault, "Demo", registered on it; what the tests read of that
// vault; a session of the item manager on it; and that session on the demo
// content with a user of the test's own.
#pragma once

#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com_testing/registered_server_test.h"
#include "com_testing/register_server.h"
#include "oxnvault/interfaces.h"
#include "oxnvault/vault_object.h"
#include "testsupport/fresh_machine.h"
#include "ui_testing/ui_test.h"
#include "vaultadmin/demo_seeding.h"
#include "vaultadmin/user_admin.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vaultdb/database.h"
#include "vaultdb/statement.h"
#include "vennacle/sp_mgr.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// The names and contents the demo content (vaultadmin::SeedDemoVault) gives
// its items and files.
namespace demo {

inline std::u16string SeededItem(int number) { return vaultadmin::DemoItemName(number); }
inline std::u16string SeededPart(int number) { return vaultadmin::DemoPartName(number); }
// The contents of version `version` of the part file of item `number`.
inline std::string PartContents(int number, LONG version) {
    return "demo file " + winapi::ToUtf8(SeededPart(number)) + " version " + std::to_string(version) + "\n";
}

}  // namespace demo

// The bytes of a file (none when it cannot be read).
inline std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ServerSessionTest : public com_testing::RegisteredServerTest {
protected:
    static constexpr char16_t kVault[] = u"Demo";

    ServerSessionTest()
        : RegisteredServerTest({u"VaultServer.dll", u"Dunmorrow.dll", u"TavroskClient.dll", u"Bellquist.dll"}) {}

    void SetUp() override {
        RegisteredServerTest::SetUp();
        vaultadmin::VaultCreation request;
        request.name = kVault;
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = view_ = machine_.root() / "view";
        created_ = vaultadmin::CreateVault(request);
    }

    // The vault's database as it is now.
    std::unique_ptr<vaultdb::Database> OpenVaultDatabase() {
        std::unique_ptr<vaultdb::Database> database;
        EXPECT_EQ(vaultdb::OpenVaultDatabase(created_.databaseFile, vaultdb::OpenMode::OpenExisting, database), S_OK);
        return database;
    }
    // The first column of each row of `sql` over the vault as it is now
    // (with one text parameter, or none).
    std::vector<std::u16string> VaultColumn(const std::string& sql, const std::u16string* parameter = nullptr) {
        std::vector<std::u16string> values;
        ForEachVaultRow(sql, parameter, [&](vaultdb::Statement& row) { values.push_back(row.ColumnText(0)); });
        return values;
    }
    // The first column of the first row: as text, u"<none>" without a row.
    std::u16string VaultText(const std::string& sql, const std::u16string* parameter = nullptr) {
        const std::vector<std::u16string> values = VaultColumn(sql, parameter);
        return values.empty() ? u"<none>" : values.front();
    }
    // The first column of the first row: as a number, 0 without a row.
    LONG VaultNumber(const std::string& sql, const std::u16string* parameter = nullptr) {
        std::vector<LONG> values;
        ForEachVaultRow(sql, parameter, [&](vaultdb::Statement& row) { values.push_back(row.ColumnInt32(0)); });
        return values.empty() ? 0 : values.front();
    }
    // The document of that name, deleted or not (0: none).
    LONG DocumentId(const std::u16string& name) {
        return VaultNumber("SELECT id FROM documents WHERE name = ?", &name);
    }
    LONG FolderOf(LONG document) {
        return VaultNumber("SELECT folder_id FROM documents WHERE id = " + std::to_string(document));
    }
    LONG LatestVersion(LONG document) {
        return VaultNumber("SELECT latest_version FROM documents WHERE id = " + std::to_string(document));
    }

    vaultadmin::CreatedVault created_;
    std::filesystem::path view_;  // the vault's view folder on this machine

private:
    void ForEachVaultRow(const std::string& sql, const std::u16string* parameter,
                         const std::function<void(vaultdb::Statement&)>& row) {
        std::unique_ptr<vaultdb::Database> database = OpenVaultDatabase();
        if (!database) return;
        std::unique_ptr<vaultdb::Statement> statement;
        EXPECT_EQ(database->Prepare(sql, statement), S_OK) << sql;
        if (!statement) return;
        if (parameter) statement->BindText(1, *parameter);
        while (statement->Step() == S_OK) row(*statement);
    }
};

// A session of the item manager on that vault: made by class id, initialised
// for the view folder and logged in; logged out and released (its last
// reference) when the test ends.
class ManagerSessionTest : public ServerSessionTest {
protected:
    static constexpr char16_t kComputer[] = u"PC-7";

    void TearDown() override {
        if (manager_) {
            EXPECT_EQ(manager_->LogOut(), S_OK);
            EXPECT_EQ(manager_.Detach()->Release(), 0u);
        }
        ServerSessionTest::TearDown();
    }

    // Logs in as `user`; `oxnVault` (may be null) is the vault object the
    // manager's vault-interface back end works through.
    void LogIn(const char16_t* user, const char16_t* password, IUnknown* oxnVault = nullptr) {
        CreateManager();
        ASSERT_NE(manager_, nullptr);
        BellquistLib::InitData data{};
        data.meClientType = BellquistLib::ClientType_Local_Client;
        data.moDomainName = SysAllocString(u"WORK");
        data.moComputerName = SysAllocString(kComputer);
        data.moViewPath = SysAllocString(winapi::FromPosixPath(view_.string()).c_str());
        data.moViewGUID = created_.viewId;
        data.moVaultGUID = created_.vaultId;
        data.mllOxnVault = reinterpret_cast<uintptr_t>(oxnVault);
        data.mlViewServerID = viewServerId_;
        EXPECT_EQ(manager_->Init(data), S_OK);
        BSTR vault = SysAllocString(kVault), name = SysAllocString(user), secret = SysAllocString(password);
        BSTR none = SysAllocString(u"");
        BellquistLib::LoginDataOut out{};
        EXPECT_EQ(manager_->Login2(vault, name, secret, none, none, 0, &out), S_OK);
        rootFolderId_ = out.mlRootItemFolderID;
        // The receiver's reference to the stored-procedure layer.
        if (auto* spMgr = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(out.mpoSpMgr))) spMgr->Release();
        SysFreeString(out.moUsername);
        for (BSTR text : {vault, name, secret, none, data.moDomainName, data.moComputerName, data.moViewPath})
            SysFreeString(text);
    }

    // Makes manager_: by class id, from the registered server. A test that
    // must reach the manager's back ends makes it in its own process.
    virtual void CreateManager() {
        ASSERT_EQ(CoCreateInstance(BellquistLib::CLSID_ItmManager, nullptr, CLSCTX_INPROC_SERVER,
                                   BellquistLib::IItmManager2::kIid, reinterpret_cast<void**>(&manager_)),
                  S_OK);
    }

    // The object the manager makes of `record` as the explorer makes one of
    // what it knows of a vault object: configuration -1, up to date, with
    // the name and vault path given.
    CComPtr<BellquistLib::IItmObject> ExplorerObject(BellquistLib::ItmObjectData record, const std::u16string& name,
                                                     const std::u16string& path) {
        record.mlConfigID = -1;
        record.mbIsUpToDate = 1;
        record.moFilename = SysAllocString(name.c_str());
        record.moPath = SysAllocString(path.c_str());
        CComPtr<IUnknown> created;
        EXPECT_EQ(manager_->CoCreateItem(&record, &created), S_OK);
        SysFreeString(record.moFilename);
        SysFreeString(record.moPath);
        return CComQIPtr<BellquistLib::IItmObject>(created);
    }
    // The root item folder as the explorer makes it from the login's id.
    CComPtr<BellquistLib::IItmObject> RootFolder() {
        BellquistLib::ItmObjectData record{};
        record.meObjectType = BellquistLib::ItmObjectType_ItemFolder;
        record.mlObjectID = rootFolderId_;
        return ExplorerObject(record, u"<items>", u"\\<items>\\");
    }
    // The object the explorer holds for a document of the vault: an item
    // (or item folder) under its folder.
    CComPtr<BellquistLib::IItmObject> VaultItemObject(
        LONG id, BellquistLib::ItmObjectType type = BellquistLib::ItmObjectType_Item) {
        BellquistLib::ItmObjectData record{};
        record.meObjectType = type;
        record.mlObjectID = id;
        record.mlParentProjectID = type == BellquistLib::ItmObjectType_Item ? FolderOf(id) : 0;
        record.meParentDocType = BellquistLib::ItmObjectType_ItemFolder;
        record.mlParentObjectID = record.mlParentProjectID;
        return ExplorerObject(record, u"", u"");
    }

    CComPtr<BellquistLib::IItmManager2> manager_;
    LONG rootFolderId_ = 0;  // the root item folder's id, from the login
    LONG viewServerId_ = 0;  // the program's view-server id that LogIn hands to Init
};

// A session on the demo content (vaultadmin::SeedDemoVault) of a user of the
// test's own, Alice, who may check in; the UI is ready for the prompter that
// answers every question. The test logs in.
class DemoSessionTest : public ManagerSessionTest {
protected:
    static constexpr char16_t kUser[] = u"Alice";
    static constexpr char16_t kPassword[] = u"wonderland";

    void SetUp() override {
        ManagerSessionTest::SetUp();
        if (HasFatalFailure()) return;
        ui_testing::EnsureApplication();
        auto database = vaultadmin::OpenRegisteredVault(kVault);
        vaultadmin::SeedDemoVault(*database);
        userId_ = vaultadmin::AddUser(*database, kUser, kPassword, {vaultadmin::kCheckInRight});
    }
    void TearDown() override {
        vault_ = nullptr;  // the manager keeps its own reference
        ManagerSessionTest::TearDown();
    }

    // Logs the user in with the vault object of a login of hers on the view
    // folder, which the manager's vault-interface back end works through.
    void LogInWithVaultObject() {
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"OxnVault.dll"), S_OK);
        oxnvault::VaultObjectLogin login;
        login.databaseFile = created_.databaseFile;
        login.userName = kUser;
        login.password = kPassword;
        login.viewGuid = created_.viewId;
        login.viewPath = winapi::FromPosixPath(view_.string());
        login.computer = kComputer;
        ASSERT_EQ(oxnvault::OpenVaultObject(login, &vault_), S_OK);
        LogIn(kUser, kPassword, vault_.GetInterfacePtr());
    }

    CComPtr<OxnVaultLib::IOxnVault11> vault_;
    LONG userId_ = 0;
};
