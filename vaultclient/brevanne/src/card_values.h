// The card values of a document that a check-in carries from its latest
// version to the new one, and the questions they raise first: a unique
// variable whose value another live document holds at its latest version
// (kQuestionDuplicatedUnique), a mandatory variable without a value
// (kQuestionMandatoryMissing) - for each configuration of the document, or
// the document as a whole when it has none; a value given for the whole
// document serves every configuration.
#pragma once

#include "winapi/types.h"

#include <string>
#include <vector>

namespace vaultdb {
class Database;
}

namespace brevanne {

struct CardQuestion {
    LONG kind = 0;
    LONG configurationId = -1;     // -1: the document as a whole
    std::u16string configuration;  // "" for the document as a whole
    LONG variableId = 0;
    std::u16string variable;
};

// The questions the values of `version` of document `documentId` raise, in
// variable name order. Failures of the database raise.
std::vector<CardQuestion> ReadCardQuestions(vaultdb::Database& database, LONG documentId, LONG version);

// One value left out when the values are carried on.
struct ClearedValue {
    LONG configurationId = -1;
    LONG variableId = 0;
};

// Copies the values of `fromVersion` of document `documentId` to
// `toVersion`, leaving out `cleared`. Runs in the caller's transaction;
// failures raise.
void CarryCardValues(vaultdb::Database& database, LONG documentId, LONG fromVersion, LONG toVersion,
                     const std::vector<ClearedValue>& cleared);

}  // namespace brevanne
