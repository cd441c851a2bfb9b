// A transaction by scope: begun by Begin() (BEGIN IMMEDIATE), kept
// only by Commit(); leaving the scope any other way - a return after a failed
// step, an exception - rolls every change back.
//
//   vaultdb::Transaction tx(db);
//   if (FAILED(hr = tx.Begin())) return hr;
//   ... writes ...
//   return tx.Commit();
#pragma once

#include "winapi/types.h"

namespace vaultdb {

class Database;

class Transaction {
public:
    explicit Transaction(Database& database) : database_(database) {}
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    HRESULT Begin();
    // Keeps the changes. After a failed commit the transaction is rolled back.
    HRESULT Commit();
    // Drops the changes now (the destructor does it otherwise).
    HRESULT Rollback();
    bool Active() const { return active_; }

private:
    Database& database_;  // Not owned.
    bool active_ = false;
};

}  // namespace vaultdb
