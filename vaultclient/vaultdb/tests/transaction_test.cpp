// Transaction by scope: only Commit keeps changes.
#include "vault_test_fixture.h"

#include "vaultdb/transaction.h"

#include <stdexcept>

namespace {

using VaultTransaction = VaultTest;

HRESULT AddCounter(vaultdb::Database& db, const char16_t* name) {
    std::unique_ptr<vaultdb::Statement> st;
    HRESULT hr = db.Prepare("INSERT INTO counters (name) VALUES (?)", st);
    if (FAILED(hr)) return hr;
    st->BindText(1, name);
    return st->Execute();
}

TEST_F(VaultTransaction, OnlyCommitKeepsChanges) {
    auto db = Open();
    ASSERT_TRUE(db);
    {
        vaultdb::Transaction tx(*db);
        ASSERT_EQ(tx.Begin(), S_OK);
        EXPECT_TRUE(db->InTransaction());
        ASSERT_EQ(AddCounter(*db, u"kept"), S_OK);
        EXPECT_EQ(tx.Commit(), S_OK);
        EXPECT_FALSE(tx.Active());
    }
    {
        vaultdb::Transaction tx(*db);
        ASSERT_EQ(tx.Begin(), S_OK);
        ASSERT_EQ(AddCounter(*db, u"left by an early return"), S_OK);
    }
    EXPECT_FALSE(db->InTransaction());
    EXPECT_THROW(
        {
            vaultdb::Transaction tx(*db);
            ASSERT_EQ(tx.Begin(), S_OK);
            ASSERT_EQ(AddCounter(*db, u"left by an exception"), S_OK);
            throw std::runtime_error("a step failed");
        },
        std::runtime_error);
    {
        vaultdb::Transaction tx(*db);
        ASSERT_EQ(tx.Begin(), S_OK);
        ASSERT_EQ(AddCounter(*db, u"rolled back"), S_OK);
        EXPECT_EQ(tx.Rollback(), S_OK);
        EXPECT_EQ(tx.Commit(), vaultdb::VDB_E_FAIL);  // nothing left to commit
    }
    EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM counters"), 1);
    EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM counters WHERE name = 'kept'"), 1);
}

TEST_F(VaultTransaction, DoesNotNestAndSurvivesAFailedStep) {
    auto db = Open();
    ASSERT_TRUE(db);
    vaultdb::Transaction outer(*db);
    ASSERT_EQ(outer.Begin(), S_OK);
    vaultdb::Transaction inner(*db);
    EXPECT_EQ(inner.Begin(), vaultdb::VDB_E_FAIL);
    EXPECT_FALSE(inner.Active());
    EXPECT_TRUE(db->InTransaction());  // the failed inner begin left the outer one alone

    // A refused statement fails alone; the transaction goes on.
    ASSERT_EQ(AddCounter(*db, u"one"), S_OK);
    EXPECT_EQ(AddCounter(*db, u"one"), vaultdb::VDB_E_CONSTRAINT);
    ASSERT_EQ(AddCounter(*db, u"two"), S_OK);
    EXPECT_EQ(outer.Commit(), S_OK);
    EXPECT_EQ(Scalar(*db, "SELECT COUNT(*) FROM counters"), 2);
}

TEST_F(VaultTransaction, ASecondConnectionSeesOnlyCommittedChanges) {
    auto writer = Open();
    auto reader = Open();
    ASSERT_TRUE(writer && reader);
    vaultdb::Transaction tx(*writer);
    ASSERT_EQ(tx.Begin(), S_OK);
    ASSERT_EQ(AddCounter(*writer, u"pending"), S_OK);
    EXPECT_EQ(Scalar(*reader, "SELECT COUNT(*) FROM counters"), 0);  // WAL: the reader is not blocked
    ASSERT_EQ(tx.Commit(), S_OK);
    EXPECT_EQ(Scalar(*reader, "SELECT COUNT(*) FROM counters"), 1);
}

}  // namespace
