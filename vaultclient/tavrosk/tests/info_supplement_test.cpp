// The client library's information supplement (service slot 12): the card
// variables that items carry, over the seeded item tree (browse_fixture.h).
#include "browse_fixture.h"

#include "com_testing/bstr_text.h"
#include "common/error_codes.h"

#include <string>
#include <vector>

namespace {

using namespace tavrosk_test;
using BellquistLib::ItmInfoSupplement;
using vennacle_test::Sql;

struct Variable {
    std::u16string name;
    LONG valueType;
    VARIANT_BOOL isUnique;
    VARIANT_BOOL isMandatory;
    bool operator==(const Variable&) const = default;
};

class InfoSupplementTest : public BrowseTest {
protected:
    LONG AddVariable(const std::u16string& name, LONG valueType, LONG isUnique, LONG isMandatory) {
        return static_cast<LONG>(Sql(*vault_.db,
                                     "INSERT INTO variables (name, name_key, value_type, is_unique, is_mandatory) "
                                     "VALUES (?, ?, ?, ?, ?) RETURNING id",
                                     {name, vaultdb::FoldKey(name), valueType, isUnique, isMandatory}));
    }
    void SetValue(LONG document, LONG variable) {
        Sql(*vault_.db,
            "INSERT INTO variable_values (document_id, version, variable_id, text_value) VALUES (?, 1, ?, 'x')",
            {document, variable});
    }

    // The supplement, copied out of its array; fails the test unless it succeeds.
    std::vector<Variable> Supplement(std::vector<LONG>* ids = nullptr) {
        SAFEARRAY* array = nullptr;
        EXPECT_EQ(services_->GetItmInfoSupplement(&array), S_OK);
        EXPECT_NE(array, nullptr);
        std::vector<Variable> variables;
        for (const ItmInfoSupplement& record : Received<ItmInfoSupplement>(array)) {
            variables.push_back(
                {com_testing::Text(record.moName), record.mlValueType, record.mbIsUnique, record.mbIsMandatory});
            if (ids) ids->push_back(record.mlVariableID);
        }
        return variables;
    }
};

TEST_F(InfoSupplementTest, VariablesWithAValueOnALiveItemByName) {
    EXPECT_TRUE(Supplement().empty()) << "no item carries a value yet";

    const LONG weight = AddVariable(u"weight", vaultdb::kVariableNumber, 1, 0);
    const LONG material = AddVariable(u"Material", vaultdb::kVariableText, 0, 1);
    const LONG drawing = AddVariable(u"Drawing", vaultdb::kVariableText, 0, 0);
    const LONG obsolete = AddVariable(u"Obsolete", vaultdb::kVariableYesNo, 0, 0);
    SetValue(itemA_, weight);
    SetValue(itemB_, weight);  // once, however many items carry it
    SetValue(itemC_, material);
    SetValue(itemA_, vault_.description);
    SetValue(vault_.bracket, drawing);  // a file's, not an item's
    const LONG gone = AddItem(u"Gone.<item>", vault_.partsFolder);
    SetValue(gone, obsolete);
    Sql(*vault_.db, "UPDATE documents SET deleted = 1 WHERE id = ?", {gone});

    std::vector<LONG> ids;
    const std::vector<Variable> expected = {
        {u"Description", vaultdb::kVariableText, VARIANT_FALSE, VARIANT_FALSE},
        {u"Material", vaultdb::kVariableText, VARIANT_FALSE, VARIANT_TRUE},
        {u"weight", vaultdb::kVariableNumber, VARIANT_TRUE, VARIANT_FALSE},
    };
    EXPECT_EQ(Supplement(&ids), expected);
    EXPECT_EQ(ids, (std::vector<LONG>{vault_.description, material, weight}));
}

TEST_F(InfoSupplementTest, NullOutArgumentAndCallsWithoutLogin) {
    EXPECT_EQ(services_->GetItmInfoSupplement(nullptr), E_POINTER);
    ASSERT_EQ(client_->Logout(), S_OK);
    SAFEARRAY* array = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(services_->GetItmInfoSupplement(&array), E_OXN_NOT_LOGGED_IN);
    EXPECT_EQ(array, nullptr);
}

}  // namespace
