// A fresh machine for the vault list's tests: the item server registered
// (the list makes each vault's root folder from it), vaults made and
// registered by the administration tool for the machine or the user, their
// registry keys and view folders changed as a case needs, and the session's
// login table made as the server program makes it.
#pragma once

#include "explorer/data/vault_manager.h"

#include "common/login_sync_objects.h"
#include "common/login_table_codec.h"
#include "com/runtime.h"
#include "com_testing/registered_server_test.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/registry_values.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vaultadmin/vault_registration.h"
#include "vaultdb/database.h"
#include "winapi/file_mapping.h"
#include "winapi/guid_text.h"
#include "winapi/handles.h"
#include "winapi/path_mapping.h"
#include "winapi/profile.h"
#include "winapi/registry.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

class VaultListTest : public com_testing::RegisteredServerTest {
protected:
    // The item server and, after it, the `servers` a derived fixture needs.
    explicit VaultListTest(std::vector<const char16_t*> servers = {}) : RegisteredServerTest(WithItemServer(servers)) {}
    void TearDown() override {
        DropLoginTable();
        RegisteredServerTest::TearDown();
    }

    // A vault of its own database and view folder ("view <name>"),
    // registered under `scope`; its administrator is "Admin", "admin".
    vaultadmin::CreatedVault Create(const std::u16string& name,
                                    vaultadmin::RegistryScope scope = vaultadmin::RegistryScope::Machine) {
        vaultadmin::VaultCreation request;
        request.name = name;
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / ("view " + winapi::ToUtf8(name));
        request.scope = scope;
        return vaultadmin::CreateVault(request);
    }

    static HKEY RootOf(vaultadmin::RegistryScope scope) {
        return scope == vaultadmin::RegistryScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    }
    static std::u16string KeyOf(const std::u16string& name, vaultadmin::RegistryScope scope) {
        return vaultadmin::VaultListPath(scope) + u"\\" + name;
    }
    static void SetVaultType(const std::u16string& name, DWORD type,
                             vaultadmin::RegistryScope scope = vaultadmin::RegistryScope::Machine) {
        testsupport::WriteValue(RootOf(scope), KeyOf(name, scope), u"VaultType", REG_DWORD,
                                testsupport::DwordBytes(type));
    }
    static void RemoveValue(const std::u16string& name, const char16_t* value,
                            vaultadmin::RegistryScope scope = vaultadmin::RegistryScope::Machine) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(RootOf(scope), KeyOf(name, scope).c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        EXPECT_EQ(RegDeleteValueW(key, value), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    // The vault type its database reports.
    static void SetDatabaseType(const std::u16string& name, LONG type) {
        const std::string sql = "UPDATE vault SET vault_type = " + std::to_string(type);
        ASSERT_EQ(vaultadmin::OpenRegisteredVault(name)->Execute(sql), S_OK);
    }

    // The view folder's desktop.ini with the ids given (none: that key left
    // out; no ids at all: no file).
    static void WriteDesktopIni(const std::filesystem::path& folder, const GUID* viewId, const GUID* vaultId) {
        const std::filesystem::path file = folder / "desktop.ini";
        std::filesystem::remove(file);
        const std::u16string name = winapi::FromPosixPath(file.string());
        if (viewId) {
            ASSERT_TRUE(
                WritePrivateProfileStringW(u"Tavrosk", u"ViewID", winapi::GuidToString(*viewId).c_str(), name.c_str()));
        }
        if (vaultId) {
            ASSERT_TRUE(WritePrivateProfileStringW(u"Tavrosk", u"VaultID", winapi::GuidToString(*vaultId).c_str(),
                                                   name.c_str()));
        }
    }
    static std::filesystem::path ViewFolderOf(const vaultadmin::CreatedVault& vault) {
        return winapi::ToPosixPath(vault.registration.shellRoot);
    }

    // The session's login table, as the server program makes it.
    void MakeLoginTable() {
        if (table_) return;
        table_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    static_cast<DWORD>(kLoginTableBytes), kLoginTableMappingName);
        ASSERT_NE(table_, nullptr);
    }
    void DropLoginTable() {
        if (table_) CloseHandle(table_);
        table_ = nullptr;
    }
    // A login of `vault` in the table, as the login server stores a dialog
    // login.
    void StoreLogin(const vaultadmin::CreatedVault& vault, const std::u16string& user, const std::u16string& password) {
        MakeLoginTable();
        LoginTableEntry entry;
        entry.moDbServer = vault.registration.dbServer;
        entry.moVaultName = vault.registration.name;
        entry.moUserName = user;
        entry.moPassword = password;
        entry.moShellRoot = vault.registration.shellRoot;
        entry.mlLoginValue = 1;
        entry.mlProgramType = kLoginProgramType;
        LoginTableView view;
        ASSERT_TRUE(MapLoginTableView(table_, FILE_MAP_ALL_ACCESS, view));
        EXPECT_TRUE(LoginTable::mbAppend(view, entry));
        UnmapLoginTableView(view);
    }

    // A new manager with the vaults of the machine.
    static RefPtr<CVaultManager> Load() {
        RefPtr<CVaultManager> manager(new CVaultManager);
        manager->LoadVaults();
        return manager;
    }
    // The listed vaults' names in the manager's order.
    static std::vector<std::u16string> Names(const CVaultManager& manager) {
        std::vector<std::u16string> names;
        for (const auto& [viewId, node] : manager.Vaults()) names.push_back(node->moName);
        return names;
    }

    HANDLE table_ = nullptr;

private:
    static std::vector<const char16_t*> WithItemServer(std::vector<const char16_t*> servers) {
        servers.insert(servers.begin(), u"Bellquist.dll");
        return servers;
    }
};
