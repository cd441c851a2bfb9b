// A fresh machine as the set-up leaves it for a session of the item manager:
// the vault client's components and the servers registered from the build,
// and one empty vault, "Demo", registered on it.
#pragma once

#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "testsupport/fresh_machine.h"
#include "vaultadmin/vault_creation.h"

#include <gtest/gtest.h>

class ServerSessionTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    static constexpr char16_t kVault[] = u"Demo";

    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        for (const char16_t* server : {u"VaultServer.dll", u"Dunmorrow.dll", u"TavroskClient.dll", u"Bellquist.dll"})
            ASSERT_EQ(com_testing::RegisterServerLibrary(server), S_OK);
        vaultadmin::VaultCreation request;
        request.name = kVault;
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / "view";
        created_ = vaultadmin::CreateVault(request);
    }
    void TearDown() override {
        CoFreeUnusedLibraries();
        CoUninitialize();
        LeakChecked::TearDown();
    }

    vaultadmin::CreatedVault created_;
};
