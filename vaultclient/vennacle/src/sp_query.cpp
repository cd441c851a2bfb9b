#include "vennacle/sp_query.h"

#include "vaultdb/database.h"

namespace vennacle {

void SpRaise(HRESULT hr) { throw _com_error(hr); }

SpQuery::SpQuery(vaultdb::Database& database, std::string_view sql) { Check(database.Prepare(sql, mpoStatement)); }

SpQuery& SpQuery::Bind(int32_t value) {
    Check(mpoStatement->BindInt32(mlNextParameter++, value));
    return *this;
}

SpQuery& SpQuery::Bind(double value) {
    Check(mpoStatement->BindDouble(mlNextParameter++, value));
    return *this;
}

SpQuery& SpQuery::Bind(std::u16string_view text) {
    Check(mpoStatement->BindText(mlNextParameter++, text));
    return *this;
}

SpQuery& SpQuery::BindNull() {
    Check(mpoStatement->BindNull(mlNextParameter++));
    return *this;
}

bool SpQuery::Next() {
    const HRESULT hr = mpoStatement->Step();
    Check(hr);
    return hr == S_OK;
}

void SpQuery::Run() { Check(mpoStatement->Execute()); }

void SpQuery::Reset() {
    Check(mpoStatement->Reset());
    mlNextParameter = 1;
}

void SpQuery::Check(HRESULT hr) const {
    if (FAILED(hr)) SpRaise(hr);
}

}  // namespace vennacle
