// The destination folder's helpers: finding or making the items root
// "\<items>\" (a folder made meanwhile by someone else is found again, a
// vault that keeps answering "exists" without giving the folder ends the
// search instead of hanging), and the folder a choice starts at.
#include "dest_folder.h"

#include "common/error_codes.h"
#include "winapi/errors.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace {

using namespace coravent;

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

TEST(DestFolderTest, StartsAtTheFolderTheCurrentPathNames) {
    constexpr LONG kRoot = 2, kDest = 5, kFound = 9;
    struct Case {
        const char16_t* root;
        const char16_t* current;  // null: none
        LONG dest;
        std::u16string lookedUp;  // empty: no lookup
        LONG found;
        LONG expected;
    } const cases[] = {
        {u"C:\\Vault\\", nullptr, 0, u"", 0, kRoot},
        {u"C:\\Vault\\", nullptr, 1, u"", 0, kRoot},
        {u"C:\\Vault\\", nullptr, kDest, u"", 0, kDest},
        {u"C:\\Vault", u"C:\\Vault\\Sub\\X", 0, u"\\<items>\\Sub\\X\\", kFound, kFound},
        {u"C:\\Vault\\", u"C:\\Vault\\Sub\\X", kDest, u"\\<items>\\Sub\\X\\", kFound, kFound},
        {u"C:\\Vault\\\\", u"c:\\VAULT\\Parts\\", 0, u"\\<items>\\Parts\\", kFound, kFound},
        {u"\\\\server\\share\\", u"\\\\server\\share\\Parts", 0, u"\\<items>\\Parts\\", kFound, kFound},
        {u"C:\\Vault\\", u"C:\\Vault\\Gears", kDest, u"\\<items>\\Gears\\", 0, kDest},  // no such folder
        {u"C:\\Vault\\", u"C:\\Vault\\Gears", 0, u"\\<items>\\Gears\\", -1, kRoot},     // the lookup fails
        {u"C:\\Vault\\", u"C:\\Vault", kDest, u"", 0, kDest},                           // the root itself
        {u"C:\\Vault", u"C:\\Vault\\", kDest, u"", 0, kDest},
        {u"C:\\Vault\\", u"D:\\Other\\X", kDest, u"", 0, kDest},  // another drive
        {u"C:\\Vault\\", u"C:\\VaultX\\Y", kDest, u"", 0, kDest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(winapi::ToUtf8(c.root) + " " + (c.current ? winapi::ToUtf8(c.current) : "null"));
        std::u16string lookedUp;
        const LONG initial =
            glInitialDestFolder(c.root, c.current, c.dest, kRoot, [&](LONG* id, const WCHAR* vaultPath) -> HRESULT {
                lookedUp = vaultPath;
                if (c.found < 0) return E_OXN_DATABASE_ACCESS;
                *id = c.found;
                return S_OK;
            });
        EXPECT_EQ(lookedUp, c.lookedUp);
        EXPECT_EQ(initial, c.expected);
    }
}

TEST(DestFolderTest, BasePathOfTheItemsRoot) {
    EXPECT_EQ(goItemsBasePath(u"C:\\Vault"), u"C:\\Vault\\<items>");
    EXPECT_EQ(goItemsBasePath(u"C:\\Vault\\"), u"C:\\Vault\\<items>");
    EXPECT_EQ(goItemsBasePath(u""), u"\\<items>");
}

}  // namespace
