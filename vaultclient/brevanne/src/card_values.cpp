#include "card_values.h"

#include "brevanne/ids.h"
#include "vennacle/sp_query.h"

#include <utility>

namespace brevanne {

using vennacle::SpQuery;

std::vector<CardQuestion> ReadCardQuestions(vaultdb::Database& database, LONG documentId, LONG version) {
    std::vector<CardQuestion> questions;
    SpQuery duplicated(database,
                       "SELECT x.configuration_id, COALESCE(c.name, ''), v.id, v.name FROM variable_values x "
                       "JOIN variables v ON v.id = x.variable_id AND v.is_unique = 1 "
                       "LEFT JOIN configurations c ON c.id = x.configuration_id "
                       "WHERE x.document_id = ?1 AND x.version = ?2 AND x.text_value IS NOT NULL AND "
                       "x.text_value <> '' AND EXISTS (SELECT 1 FROM variable_values y JOIN documents o ON "
                       "o.id = y.document_id AND o.latest_version = y.version WHERE y.variable_id = x.variable_id "
                       "AND y.text_value = x.text_value AND o.id <> ?1 AND o.deleted = 0) "
                       "ORDER BY v.name_key, x.configuration_id");
    duplicated.Bind(int32_t{documentId}).Bind(int32_t{version});
    while (duplicated.Next())
        questions.push_back({BrevanneLib::kQuestionDuplicatedUnique, duplicated.Int(0), duplicated.Text(1),
                             duplicated.Int(2), duplicated.Text(3)});

    std::vector<std::pair<LONG, std::u16string>> scopes;
    SpQuery configurations(database, "SELECT id, name FROM configurations WHERE document_id = ? ORDER BY name");
    configurations.Bind(int32_t{documentId});
    while (configurations.Next()) scopes.emplace_back(configurations.Int(0), configurations.Text(1));
    if (scopes.empty()) scopes.emplace_back(-1, u"");

    SpQuery mandatory(database, "SELECT id, name FROM variables WHERE is_mandatory = 1 ORDER BY name_key");
    SpQuery value(database,
                  "SELECT 1 FROM variable_values WHERE document_id = ? AND version = ? AND variable_id = ? AND "
                  "configuration_id IN (?, -1) AND ((text_value IS NOT NULL AND text_value <> '') OR "
                  "date_value IS NOT NULL)");
    std::vector<std::pair<LONG, std::u16string>> variables;
    while (mandatory.Next()) variables.emplace_back(mandatory.Int(0), mandatory.Text(1));
    for (const auto& [variableId, variable] : variables) {
        for (const auto& [configurationId, configuration] : scopes) {
            value.Reset();
            value.Bind(int32_t{documentId}).Bind(int32_t{version}).Bind(int32_t{variableId});
            value.Bind(int32_t{configurationId});
            if (!value.Next())
                questions.push_back(
                    {BrevanneLib::kQuestionMandatoryMissing, configurationId, configuration, variableId, variable});
        }
    }
    return questions;
}

void CarryCardValues(vaultdb::Database& database, LONG documentId, LONG fromVersion, LONG toVersion,
                     const std::vector<ClearedValue>& cleared) {
    SpQuery copy(database,
                 "INSERT INTO variable_values (document_id, version, configuration_id, variable_id, text_value, "
                 "date_value) SELECT document_id, ?, configuration_id, variable_id, text_value, date_value FROM "
                 "variable_values WHERE document_id = ? AND version = ?");
    copy.Bind(int32_t{toVersion}).Bind(int32_t{documentId}).Bind(int32_t{fromVersion});
    copy.Run();
    SpQuery remove(database,
                   "DELETE FROM variable_values WHERE document_id = ? AND version = ? AND configuration_id = ? AND "
                   "variable_id = ?");
    for (const ClearedValue& value : cleared) {
        remove.Reset();
        remove.Bind(int32_t{documentId}).Bind(int32_t{toVersion}).Bind(int32_t{value.configurationId});
        remove.Bind(int32_t{value.variableId});
        remove.Run();
    }
}

}  // namespace brevanne
