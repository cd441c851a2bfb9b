// A fresh machine with one created vault, opened for the test.
#pragma once

#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vault_sql_probe.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <memory>

class CreatedVaultTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        vaultadmin::VaultCreation request;
        request.name = u"Demo";
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / "view";
        created_ = vaultadmin::CreateVault(request);
        database_ = vaultadmin::OpenRegisteredVault(u"Demo");
    }

    // The first column of the first row of `sql` as a number.
    int64_t Count(const char* sql) { return vault_sql_probe::Scalar(*database_, sql); }

    vaultadmin::CreatedVault created_;
    std::unique_ptr<vaultdb::Database> database_;
};
