#include "info_supplement.h"

#include "bellquist/records.h"
#include "common/record_array.h"
#include "record_strings.h"
#include "tavrosk/ids.h"
#include "vault_objects.h"
#include "vaultdb/database.h"
#include "vaultdb/statement.h"

#include <memory>
#include <string>
#include <vector>

namespace tavrosk {

namespace {

struct Variable {
    LONG id = 0;
    std::u16string name;
    LONG valueType = 0;
    bool isUnique = false;
    bool isMandatory = false;
};

VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

void ReadInfoSupplement(vaultdb::Database& database, SAFEARRAY** supplement) {
    *supplement = nullptr;
    // One statement: it reads one state of the vault without a transaction.
    std::unique_ptr<vaultdb::Statement> rows;
    CheckDatabase(database, database.Prepare("SELECT v.id, v.name, v.value_type, v.is_unique, v.is_mandatory "
                                             "FROM variables v WHERE EXISTS (SELECT 1 FROM variable_values x "
                                             "JOIN documents d ON d.id = x.document_id WHERE x.variable_id = v.id "
                                             "AND d.doc_type = 4 AND d.deleted = 0) ORDER BY v.name_key",
                                             rows));
    std::vector<Variable> variables;
    HRESULT hr;
    while ((hr = rows->Step()) == S_OK)
        variables.push_back({rows->ColumnInt32(0), rows->ColumnText(1), rows->ColumnInt32(2), rows->ColumnInt32(3) != 0,
                             rows->ColumnInt32(4) != 0});
    CheckDatabase(database, hr);
    rows.reset();

    RecordArray<BellquistLib::ItmInfoSupplement> array;
    array.mvCreate(static_cast<ULONG>(variables.size()), TavroskClientLib::LIBID_TavroskClientLib,
                   TavroskClientLib::kLibraryMajorVersion, TavroskClientLib::kLibraryMinorVersion);
    BellquistLib::ItmInfoSupplement* record = array.mpoBegin();
    for (const Variable& variable : variables) {
        record->mlVariableID = variable.id;
        record->moName = NewString(variable.name);
        record->mlValueType = variable.valueType;
        record->mbIsUnique = ToVariantBool(variable.isUnique);
        record->mbIsMandatory = ToVariantBool(variable.isMandatory);
        ++record;
    }
    array.mvHandOut(supplement);
}

}  // namespace tavrosk
