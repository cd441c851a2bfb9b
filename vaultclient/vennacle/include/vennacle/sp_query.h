// One SQL statement of the vault database, with the failures of every step
// raised as _com_error: the procedures (and the client library's changes of
// the vault) run a few statements in a row and catch at their boundary
// (SpBoundary, or the COM method's), where the code becomes their result.
#pragma once

#include "vaultdb/statement.h"
#include "winapi/types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vaultdb {
class Database;
}

namespace vennacle {

class SpQuery {
public:
    SpQuery(vaultdb::Database& database, std::string_view sql);

    // Binds the next parameter, from the first on.
    SpQuery& Bind(int32_t value);
    SpQuery& Bind(double value);
    SpQuery& Bind(std::u16string_view text);
    SpQuery& BindNull();

    // Steps to the next row: true with a row to read, false at the end.
    bool Next();
    // Runs a statement without rows.
    void Run();
    // Makes the statement ready to run again with new bindings.
    void Reset();

    int32_t Int(int column) const { return mpoStatement->ColumnInt32(column); }
    int64_t Int64(int column) const { return mpoStatement->ColumnInt64(column); }
    double Double(int column) const { return mpoStatement->ColumnDouble(column); }
    std::u16string Text(int column) const { return mpoStatement->ColumnText(column); }
    bool IsNull(int column) const { return mpoStatement->ColumnIsNull(column); }

private:
    void Check(HRESULT hr) const;

    std::unique_ptr<vaultdb::Statement> mpoStatement;
    int mlNextParameter = 1;
};

// Raises the failure `hr` as a _com_error.
[[noreturn]] void SpRaise(HRESULT hr);

// Runs `body`, returning S_OK, or the code of the _com_error it raised, or
// E_OUTOFMEMORY, or E_FAIL for any other exception: none leaves the layer.
template <class Body>
HRESULT SpBoundary(Body&& body) noexcept;

}  // namespace vennacle

#include "com/com_error.h"

#include <exception>
#include <new>

template <class Body>
HRESULT vennacle::SpBoundary(Body&& body) noexcept {
    try {
        body();
        return S_OK;
    } catch (const _com_error& error) {
        return error.Error();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception&) {
        return E_FAIL;
    }
}
