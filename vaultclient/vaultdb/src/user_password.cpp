#include "vaultdb/user_password.h"

#include "vaultdb/password_hash.h"
#include "vaultdb/schema.h"
#include "winapi/text.h"

#include <memory>

namespace vaultdb {

HRESULT CheckUserPassword(Database& database, std::u16string_view userName, std::u16string_view password,
                          bool& accepted) {
    accepted = false;
    std::unique_ptr<Statement> query;
    if (HRESULT hr = database.Prepare("SELECT password_hash FROM users WHERE name_key = ? AND deleted = 0", query);
        FAILED(hr))
        return hr;
    if (HRESULT hr = query->BindText(1, FoldKey(userName)); FAILED(hr)) return hr;
    const HRESULT step = query->Step();
    if (FAILED(step)) return step;
    // S_FALSE: no such user. A wrong password and an unknown name answer alike.
    if (step == S_OK) accepted = VerifyPassword(password, winapi::ToUtf8(query->ColumnText(0)));
    return S_OK;
}

}  // namespace vaultdb
