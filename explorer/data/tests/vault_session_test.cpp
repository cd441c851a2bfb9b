// The vault list on a machine with two vaults, one registered for the
// machine and one for the user, while another process of the session logs in
// to one of them: the server program keeps the session's login table, the
// other process logs in through the login server's dialog, and this one
// reads the login and lists both vaults.
#include "vault_list_fixture.h"

#include "explorer/data/cache.h"
#include "explorer/data/login_list.h"

#include "com/bstr.h"
#include "testsupport/child_process.h"
#include "vaultadmin/user_admin.h"
#include "winapi/sync.h"

#include <chrono>
#include <thread>

namespace {

using vaultadmin::RegistryScope;

class VaultSessionTest : public VaultListTest {
protected:
    VaultSessionTest() : VaultListTest({u"VaultServer.dll", u"Dunmorrow.dll"}) {}

    // Waits (bounded) until the server program has made the table.
    static bool LoginTableAppears() {
        for (int attempt = 0; attempt < 600; ++attempt) {
            if (HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kLoginTableMappingName)) {
                CloseHandle(mapping);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // The root folder the node's cache holds: its vault path.
    static std::u16string RootFolderPath(const CVaultNode& node) {
        RefPtr<CCacheObj> root;
        if (!node.mpoCache || !node.mpoCache->mbFindObject({BellquistLib::ItmObjectType_Vault, 1, -1}, root))
            return u"<none>";
        BSTR path = nullptr;
        if (root->moInner->mpoItem->get_Path(&path) != S_OK) return u"<failed>";
        std::u16string text = com::BstrText(path);
        SysFreeString(path);
        return text;
    }
};

TEST_F(VaultSessionTest, BothVaultsAreListedOnceAndAnotherProcesssLoginIsRead) {
    const vaultadmin::CreatedVault plant = Create(u"Plant");
    const vaultadmin::CreatedVault mine = Create(u"Mine", RegistryScope::User);
    vaultadmin::AddUser(*vaultadmin::OpenRegisteredVault(u"Plant"), u"Alice", u"wonderland", {});

    testsupport::ChildProcess server(testsupport::SiblingProgram("Gallowick"), {});
    ASSERT_TRUE(LoginTableAppears());
    testsupport::ChildProcess other(testsupport::SiblingProgram("explorer_session_child"),
                                    {"login", "Plant", "Alice", "wonderland"});
    ASSERT_TRUE(other.WaitForLine("logged in"));

    LoginSyncObjects objects = OpenLoginSyncObjects();
    ASSERT_TRUE(OpenLoginTableMapping(objects));
    std::u16string user;
    std::u16string password;
    LONG loginValue = 0;
    EXPECT_TRUE(readLoginList(objects, u"PLANT", user, password, loginValue));
    EXPECT_EQ(user, u"Alice");
    EXPECT_EQ(password, u"wonderland");
    EXPECT_FALSE(readLoginList(objects, u"Mine", user, password, loginValue));
    CloseLoginSyncObjects(objects);

    // The logged-in vault is listed on its database's word (its key alone
    // would leave it out), the other on its registry key's.
    SetVaultType(u"Plant", 1);
    RefPtr<CVaultManager> manager = Load();
    ASSERT_EQ(manager->Vaults().size(), 2u);
    for (const vaultadmin::CreatedVault* vault : {&plant, &mine}) {
        RefPtr<CVaultNode> node = manager->FindVaultNode(vault->viewId);
        ASSERT_TRUE(node);
        EXPECT_EQ(node->moName, vault->registration.name);
        EXPECT_EQ(node->moRootPath, vault->registration.shellRoot);
        EXPECT_EQ(node->moVaultID, vault->vaultId);
        const std::u16string& root = vault->registration.shellRoot;
        EXPECT_EQ(RootFolderPath(*node), root.substr(0, root.size() - 1) + u"\\<items>\\");
    }
    other.Kill();
    server.Kill();
}

}  // namespace
