#include "vennacle/database_failure.h"

#include "common/com_errors.h"
#include "vaultdb/database.h"
#include "vaultdb/statement.h"
#include "winapi/errors.h"
#include "winapi/text.h"

#include <string>

namespace vennacle {

void CheckDatabase(vaultdb::Database& database, HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    const std::u16string text = u"The vault database failed: " + winapi::ToUtf16(database.LastErrorText());
    gvRaiseComError(hr, text.c_str());
}

std::unique_ptr<vaultdb::Statement> PrepareStatement(vaultdb::Database& database, std::string_view sql) {
    std::unique_ptr<vaultdb::Statement> statement;
    CheckDatabase(database, database.Prepare(sql, statement));
    return statement;
}

bool NextRow(vaultdb::Database& database, vaultdb::Statement& statement) {
    const HRESULT hr = statement.Step();
    CheckDatabase(database, hr);
    return hr == S_OK;
}

}  // namespace vennacle
