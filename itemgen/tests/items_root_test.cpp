// Finding or making the items root "\<items>\": a folder made meanwhile by
// someone else is found again, and a vault that keeps answering "exists"
// without giving the folder ends the search instead of hanging.
#include "dest_folder.h"

#include "common/error_codes.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace {

// A vault's answers, in order: lookups give {result, id}, creations
// {result, new id}; a call beyond the script fails the test.
struct Answer {
    HRESULT result;
    LONG id;
};

TEST(ItemsRootTest, FindsMakesOrGivesUpAfterBoundedRetries) {
    struct Case {
        const char* what;
        std::deque<Answer> lookups;
        std::deque<Answer> additions;
        LONG expectedId;
        HRESULT expectedFailure;
    } const cases[] = {
        {"there", {{S_OK, 7}}, {}, 7, S_OK},
        {"made", {{S_OK, 0}}, {{S_OK, 9}}, 9, S_OK},
        {"made meanwhile by someone else", {{S_OK, 0}, {S_OK, 8}}, {{E_OXN_NAME_ALREADY_EXISTS, 0}}, 8, S_OK},
        {"the lookup fails", {{E_OXN_DATABASE_ACCESS, 0}}, {}, 0, E_OXN_DATABASE_ACCESS},
        {"the creation fails", {{S_OK, 0}}, {{E_ACCESSDENIED, 0}}, 0, E_ACCESSDENIED},
        {"exists for the creation, never for the lookup",
         {{S_OK, 0}, {S_OK, 0}, {S_OK, 0}, {S_OK, 0}},
         {{E_OXN_NAME_ALREADY_EXISTS, 0}, {E_OXN_NAME_ALREADY_EXISTS, 0}, {E_OXN_NAME_ALREADY_EXISTS, 0}},
         0,
         E_OXN_FOLDER_NOT_FOUND},
        {"made without an id",
         {{S_OK, 0}, {S_OK, 0}, {S_OK, 0}, {S_OK, 0}},
         {{S_OK, 0}, {S_OK, 0}, {S_OK, 0}},
         0,
         E_OXN_FOLDER_NOT_FOUND},
        {"found on the last lookup",
         {{S_OK, 0}, {S_OK, 0}, {S_OK, 0}, {S_OK, 5}},
         {{E_OXN_NAME_ALREADY_EXISTS, 0}, {S_OK, 0}, {E_OXN_NAME_ALREADY_EXISTS, 0}},
         5,
         S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::deque<Answer> lookups = c.lookups;
        std::deque<Answer> additions = c.additions;
        HRESULT failure = E_UNEXPECTED;
        const LONG id = glFindOrAddItemsRoot(
            [&](LONG* found) {
                if (lookups.empty()) {
                    ADD_FAILURE() << "one lookup too many";
                    return E_FAIL;
                }
                const Answer answer = lookups.front();
                lookups.pop_front();
                *found = answer.id;
                return answer.result;
            },
            [&](SpProjectData& folder) {
                EXPECT_EQ(folder.moName.View(), u"<items>");
                if (additions.empty()) {
                    ADD_FAILURE() << "one creation too many";
                    return E_FAIL;
                }
                const Answer answer = additions.front();
                additions.pop_front();
                if (SUCCEEDED(answer.result)) folder.mlProjectID = answer.id;
                return answer.result;
            },
            failure);
        EXPECT_EQ(id, c.expectedId);
        EXPECT_EQ(failure, c.expectedFailure);
        EXPECT_TRUE(lookups.empty());
        EXPECT_TRUE(additions.empty());
    }
}

}  // namespace
