// The vault list: which registered vaults the explorer lists (the login
// table, the vault's database and its registry key deciding), in which
// order, and how the views find them again.
#include "vault_list_fixture.h"

#include "explorer/data/cache.h"

#include "bellquist/ids.h"
#include "bellquist/manager_interfaces.h"
#include "com/ccom_ptr.h"
#include "vaultadmin/vault_registration.h"
#include "winapi/environment.h"

#include <cstring>

#include <optional>

namespace {

using vaultadmin::RegistryScope;

constexpr char16_t kVault[] = u"Demo";

// What the session's login table holds for the vault.
enum class Login { NoTable, NoEntry, Accepted, Refused };

struct ListingCase {
    const char* name;
    Login login;
    LONG databaseType;
    std::optional<DWORD> registryType;  // nullopt: no "VaultType" value
    const char16_t* missingValue;       // a value taken from the vault's key
    bool listed;
};

std::ostream& operator<<(std::ostream& out, const ListingCase& c) { return out << c.name; }

class VaultListingTest : public VaultListTest, public ::testing::WithParamInterface<ListingCase> {};

TEST_P(VaultListingTest, TheVaultIsListedAsTheDatabaseAndTheRegistryDecide) {
    const ListingCase& c = GetParam();
    const vaultadmin::CreatedVault vault = Create(kVault);
    SetDatabaseType(kVault, c.databaseType);
    if (c.registryType)
        SetVaultType(kVault, *c.registryType);
    else
        RemoveValue(kVault, u"VaultType");
    if (c.missingValue) RemoveValue(kVault, c.missingValue);
    switch (c.login) {
    case Login::NoTable:
        break;
    case Login::NoEntry:
        MakeLoginTable();
        break;
    case Login::Accepted:
        StoreLogin(vault, vaultadmin::kAdminUserName, vaultadmin::kDefaultAdminPassword);
        break;
    case Login::Refused:
        StoreLogin(vault, vaultadmin::kAdminUserName, u"guess");
        break;
    }

    RefPtr<CVaultManager> manager = Load();
    EXPECT_EQ(manager->mlLoaded, 1);
    EXPECT_EQ(manager->Vaults().size(), c.listed ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VaultListingTest,
    ::testing::Values(
        // Nobody logged in: the registry decides alone.
        ListingCase{"registry_type_0", Login::NoTable, 0, 0, nullptr, true},
        ListingCase{"registry_without_type", Login::NoTable, 0, std::nullopt, nullptr, true},
        ListingCase{"registry_type_1", Login::NoTable, 0, 1, nullptr, false},
        ListingCase{"registry_type_1_without_ServerLoc", Login::NoTable, 0, 1, u"ServerLoc", true},
        ListingCase{"registry_type_1_without_ServerPort", Login::NoTable, 0, 1, u"ServerPort", true},
        ListingCase{"registry_type_1_without_DbName", Login::NoTable, 0, 1, u"DbName", true},
        ListingCase{"no_ShellRoot", Login::NoTable, 0, 0, u"ShellRoot", false},
        ListingCase{"table_without_the_vault", Login::NoEntry, 0, 1, nullptr, false},
        // A login of the session opens the database, which decides.
        ListingCase{"database_type_0", Login::Accepted, 0, 1, nullptr, true},
        ListingCase{"database_type_2_registry_0", Login::Accepted, 2, 0, nullptr, true},
        ListingCase{"database_type_2_registry_1", Login::Accepted, 2, 1, nullptr, false},
        ListingCase{"database_type_2_without_ServerLoc", Login::Accepted, 2, 0, u"ServerLoc", false},
        ListingCase{"database_type_5", Login::Accepted, 5, 0, nullptr, false},
        // A login the database refuses leaves the registry to decide.
        ListingCase{"refused_login_registry_1", Login::Refused, 5, 1, nullptr, false},
        ListingCase{"refused_login_without_ServerLoc", Login::Refused, 5, 1, u"ServerLoc", true}),
    [](const ::testing::TestParamInfo<ListingCase>& info) { return std::string(info.param.name); });

TEST_F(VaultListTest, AVaultWhoseViewFolderLacksAnIdIsNotListed) {
    const vaultadmin::CreatedVault vault = Create(kVault);
    const std::filesystem::path folder = ViewFolderOf(vault);
    for (int ids = 0; ids < 3; ++ids) {
        WriteDesktopIni(folder, ids == 1 ? &vault.viewId : nullptr, ids == 2 ? &vault.vaultId : nullptr);
        EXPECT_TRUE(Load()->Vaults().empty()) << ids;
    }
    WriteDesktopIni(folder, &vault.viewId, &vault.vaultId);
    EXPECT_EQ(Load()->Vaults().size(), 1u);
}

TEST_F(VaultListTest, WithoutVaultsTheListIsEmptyAndLoadedOnce) {
    RefPtr<CVaultManager> manager(new CVaultManager);
    EXPECT_EQ(manager->mlLoaded, 0);
    manager->LoadVaults();
    EXPECT_TRUE(manager->Vaults().empty());
    EXPECT_EQ(manager->mlLoaded, 1);

    // Read once per process: a vault registered later is not seen.
    Create(kVault);
    manager->LoadVaults();
    EXPECT_TRUE(manager->Vaults().empty());
    EXPECT_EQ(Load()->Vaults().size(), 1u);
}

TEST_F(VaultListTest, AListedVaultHasItsNodeCacheAndRootFolder) {
    const vaultadmin::CreatedVault vault = Create(kVault);
    // The registered root without its backslash and in environment form.
    const std::u16string root = vault.registration.shellRoot;
    SetEnvironmentVariableW(u"VIEWS_PARENT", root.substr(0, root.size() - 1).c_str());
    testsupport::WriteText(HKEY_LOCAL_MACHINE, KeyOf(kVault, RegistryScope::Machine), u"ShellRoot", u"%VIEWS_PARENT%",
                           REG_EXPAND_SZ);

    RefPtr<CVaultManager> manager = Load();
    ASSERT_EQ(manager->Vaults().size(), 1u);
    RefPtr<CVaultNode> node = manager->FindVaultNode(vault.viewId);
    ASSERT_TRUE(node);
    EXPECT_EQ(node->moName, kVault);
    EXPECT_EQ(node->moRootPath, root);
    EXPECT_EQ(node->moViewID, vault.viewId);
    EXPECT_EQ(node->moVaultID, vault.vaultId);
    EXPECT_EQ(node->mlRootID, 1);
    EXPECT_EQ(node->mbLoggedIn, 0);
    EXPECT_FALSE(node->mpoItmManager);
    EXPECT_FALSE(node->mpoSpMgr);

    ASSERT_NE(node->mpoCache, nullptr);
    EXPECT_EQ(node->mpoCache->Owner(), node);
    EXPECT_EQ(node->mpoCache->moViewID, vault.viewId);
    EXPECT_EQ(node->mpoCache->moVaultID, vault.vaultId);
    RefPtr<CCacheObj> rootObject;
    ASSERT_TRUE(node->mpoCache->mbFindObject({BellquistLib::ItmObjectType_Vault, 1, -1}, rootObject));
    BSTR name = nullptr;
    BSTR path = nullptr;
    ASSERT_EQ(rootObject->moInner->mpoItem->get_Name(&name), S_OK);
    ASSERT_EQ(rootObject->moInner->mpoItem->get_Path(&path), S_OK);
    EXPECT_EQ(com::BstrText(name), u"<items>");
    EXPECT_EQ(com::BstrText(path), root.substr(0, root.size() - 1) + u"\\<items>\\");
    SysFreeString(name);
    SysFreeString(path);
    SetEnvironmentVariableW(u"VIEWS_PARENT", nullptr);
}

TEST_F(VaultListTest, VaultsAreOrderedByTheTextOfTheirViewIds) {
    // In bytes {0A000000-...} comes first; as text {000000A0-...} does.
    GUID low{}, high{};
    ASSERT_TRUE(winapi::ParseGuid(u"{000000A0-0000-0000-0000-000000000001}", &low));
    ASSERT_TRUE(winapi::ParseGuid(u"{0A000000-0000-0000-0000-000000000001}", &high));
    ASSERT_GT(std::memcmp(&low, &high, sizeof(GUID)), 0);
    EXPECT_TRUE(GuidTextLess{}(low, high));
    EXPECT_FALSE(GuidTextLess{}(high, low));
    EXPECT_FALSE(GuidTextLess{}(low, low));

    const vaultadmin::CreatedVault first = Create(u"First");
    const vaultadmin::CreatedVault second = Create(u"Second", RegistryScope::User);
    WriteDesktopIni(ViewFolderOf(first), &high, &first.vaultId);
    WriteDesktopIni(ViewFolderOf(second), &low, &second.vaultId);
    RefPtr<CVaultManager> manager = Load();
    EXPECT_EQ(Names(*manager), (std::vector<std::u16string>{u"Second", u"First"}));
    EXPECT_EQ(manager->FindVaultNode(low)->moName, u"Second");
}

TEST_F(VaultListTest, OneViewGivesOneNode) {
    // The same vault registered for the machine and for the user.
    const vaultadmin::CreatedVault vault = Create(kVault);
    vaultadmin::VaultRegistration own = vault.registration;
    vaultadmin::RegisterVault(RegistryScope::User, own);
    RefPtr<CVaultManager> manager = Load();
    ASSERT_EQ(manager->Vaults().size(), 1u);

    // Two names for one view folder: the later in the lists (the user's)
    // takes the view.
    vaultadmin::UnregisterVault(RegistryScope::User, kVault);
    own.name = u"Alias";
    vaultadmin::RegisterVault(RegistryScope::User, own);
    manager = Load();
    EXPECT_EQ(Names(*manager), std::vector<std::u16string>{u"Alias"});
}

TEST_F(VaultListTest, TheViewsFindAVaultByViewNameAndPath) {
    const vaultadmin::CreatedVault vault = Create(kVault);
    const vaultadmin::CreatedVault other = Create(u"Other");
    RefPtr<CVaultManager> manager = Load();
    ASSERT_EQ(manager->Vaults().size(), 2u);

    EXPECT_FALSE(manager->FindVaultNode(GUID{}));
    EXPECT_EQ(manager->FindVaultNodeByName(kVault)->moViewID, vault.viewId);
    EXPECT_FALSE(manager->FindVaultNodeByName(u"demo"));  // the names' case counts
    EXPECT_FALSE(manager->FindVaultNodeByName(u""));

    // The root path is a prefix of the path, whatever the case of either.
    const std::u16string root = vault.registration.shellRoot;
    std::u16string upper = root;
    for (WCHAR& c : upper) c = winapi::ToUpper(c);
    EXPECT_EQ(manager->FindVaultByPath(upper + u"Folder\\x.txt")->moName, kVault);
    EXPECT_EQ(manager->FindVaultByPath(root)->moName, kVault);
    EXPECT_EQ(manager->FindVaultByPath(other.registration.shellRoot + u"a")->moName, u"Other");
    EXPECT_FALSE(manager->FindVaultByPath(root.substr(0, root.size() - 1)));
    EXPECT_FALSE(manager->FindVaultByPath(u""));
}

TEST_F(VaultListTest, AVaultIsLoggedInWithItsFlagAndItemManager) {
    const vaultadmin::CreatedVault vault = Create(kVault);
    RefPtr<CVaultManager> manager = Load();
    RefPtr<CVaultNode> node = manager->FindVaultNode(vault.viewId);
    ASSERT_TRUE(node);
    EXPECT_FALSE(manager->IsVaultLoggedIn(vault.viewId));
    node->mbLoggedIn = 1;
    EXPECT_FALSE(manager->IsVaultLoggedIn(vault.viewId));
    ASSERT_EQ(CoCreateInstance(BellquistLib::CLSID_ItmManager, nullptr, CLSCTX_INPROC_SERVER,
                               BellquistLib::IItmManager::kIid, reinterpret_cast<void**>(&node->mpoItmManager)),
              S_OK);
    EXPECT_TRUE(manager->IsVaultLoggedIn(vault.viewId));
    EXPECT_FALSE(manager->IsVaultLoggedIn(GUID{}));
    node->mbLoggedIn = 0;
    EXPECT_FALSE(manager->IsVaultLoggedIn(vault.viewId));
}

TEST_F(VaultListTest, WithoutTheItemServerNoVaultIsListed) {
    Create(kVault);
    ASSERT_EQ(
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (u"CLSID\\" + winapi::GuidToString(BellquistLib::CLSID_ItmFolder)).c_str()),
        ERROR_SUCCESS);
    RefPtr<CVaultManager> manager = Load();
    EXPECT_TRUE(manager->Vaults().empty());
    EXPECT_EQ(manager->mlLoaded, 1);
}

}  // namespace
