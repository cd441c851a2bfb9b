// A small vault for the tests of the change-state and delete utilities, made
// straight in a new vault database: two users, a three-state workflow, the
// folders \Parts\, \Parts\Bolts\ and \Other\ with one file each (version 1
// in the archive), and the session of the first user ("Me") in a view.
#pragma once

#include "vault_session.h"

#include "com_testing/leak_checked_test.h"
#include "testsupport/fresh_machine.h"
#include "vaultdb/database.h"
#include "vaultdb/statement.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace oxnvault_testing {

class SmallVaultTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override;
    void TearDown() override;

    vaultdb::Database& Db() { return *session_->database; }
    // Runs `sql` with the integers bound in order.
    void Exec(const char* sql, std::initializer_list<int64_t> values = {});
    // The first column of the first row of `sql` (0 without a row).
    int64_t Scalar(const char* sql, std::initializer_list<int64_t> values = {});
    std::u16string Text(const char* sql, std::initializer_list<int64_t> values = {});
    LONG StateOf(LONG document) { return LONG(Scalar("SELECT state_id FROM documents WHERE id = ?", {document})); }
    // Checks `document` out to `user`.
    void Lock(LONG document, LONG user);

    std::shared_ptr<oxnvault::VaultSession> session_;
    LONG me_ = 0, other_ = 0;
    LONG working_ = 0, review_ = 0, approved_ = 0;  // the workflow's states
    LONG parts_ = 0, bolts_ = 0, otherFolder_ = 0;  // \Parts\, \Parts\Bolts\, \Other\

    LONG partA_ = 0, boltB_ = 0, otherC_ = 0;       // a.prt, b.prt, c.prt in those folders
};

}  // namespace oxnvault_testing
