// A prepared statement of the vault database. SQL text uses "?" parameters,
// numbered from 1; columns are numbered from 0.
//
//   std::unique_ptr<Statement> st;
//   HRESULT hr = db.Prepare("SELECT id FROM folders WHERE path_key = ?", st);
//   st->BindText(1, vaultdb::FoldKey(path));
//   while ((hr = st->Step()) == S_OK) { id = st->ColumnInt32(0); }
//   if (FAILED(hr)) ...;   // S_FALSE: no more rows
//
// New ids come back with "INSERT ... RETURNING id" (portable), read as a row.
// Reset or destroy a statement whose rows you stop reading early: until then
// it holds its read snapshot open (ResetAtScopeEnd does it for a statement
// kept for reuse). Destroy statements before their Database.
//
// A failed bind is never lost: the statement keeps the first bind failure and
// Step and Execute return it without running, until Reset. A caller may check
// each bind or only the step.
#pragma once

#include "winapi/types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vaultdb {

class Statement {
public:
    virtual ~Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    virtual HRESULT BindInt32(int index, int32_t value) = 0;
    virtual HRESULT BindInt64(int index, int64_t value) = 0;
    virtual HRESULT BindDouble(int index, double value) = 0;
    virtual HRESULT BindText(int index, std::u16string_view text) = 0;
    // A null pointer binds SQL NULL.
    virtual HRESULT BindText(int index, const char16_t* text) = 0;
    virtual HRESULT BindBlob(int index, const void* data, size_t size) = 0;
    virtual HRESULT BindNull(int index) = 0;

    // S_OK: a row is ready to read; S_FALSE: the statement has finished;
    // failure: VDB_E_CONSTRAINT, VDB_E_BUSY, VDB_E_FAIL ... (see errors.h).
    virtual HRESULT Step() = 0;
    // Runs a statement that returns no rows to its end (S_OK).
    virtual HRESULT Execute() = 0;
    // Makes the statement ready to run again and clears every binding.
    virtual HRESULT Reset() = 0;

    // Column reads of the current row (after Step returned S_OK). NULL reads
    // as 0, 0.0, an empty text or an empty blob; ColumnIsNull tells them apart.
    virtual int ColumnCount() const = 0;
    virtual bool ColumnIsNull(int column) const = 0;
    virtual int32_t ColumnInt32(int column) const = 0;
    virtual int64_t ColumnInt64(int column) const = 0;
    virtual double ColumnDouble(int column) const = 0;
    virtual std::u16string ColumnText(int column) const = 0;
    virtual std::vector<uint8_t> ColumnBlob(int column) const = 0;

protected:
    Statement() = default;
};

// Resets a statement kept for reuse when the scope that runs it ends, however
// it ends (early return, thrown COM error), so that it never holds its read
// snapshot or its bindings longer than its user.
class ResetAtScopeEnd {
public:
    explicit ResetAtScopeEnd(Statement& statement) : statement_(statement) {}
    ~ResetAtScopeEnd() { statement_.Reset(); }
    ResetAtScopeEnd(const ResetAtScopeEnd&) = delete;
    ResetAtScopeEnd& operator=(const ResetAtScopeEnd&) = delete;

private:
    Statement& statement_;  // Not owned.
};

}  // namespace vaultdb
