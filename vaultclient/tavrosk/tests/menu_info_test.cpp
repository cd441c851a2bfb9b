// The client library's menu information (service slot 7) over the seeded
// item tree (browse_fixture.h), with check-outs, rights, versions and a
// workflow of its own.
#include "browse_fixture.h"

#include "bellquist/ids.h"
#include "bellquist/menu_info.h"
#include "bellquist/type_library.h"
#include "com_testing/bstr_text.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"

#include <string>
#include <vector>

namespace {

using namespace tavrosk_test;
using namespace BellquistLib;
using vennacle_test::Sql;

constexpr LONG kFolder = 0, kFile = 1, kBom = 3, kItem = 4;

// A document of the selection as the item server converts item objects.
struct Doc {
    LONG kind;
    LONG id;  // a folder's id goes to mlParentProjectID
};

struct Entry {
    LONG type;
    LONG version;
    std::u16string text;
    bool operator==(const Entry&) const = default;
};

struct State {
    LONG id;
    LONG kind;
    LONG lockedBy;
    std::u16string name;
    bool operator==(const State&) const = default;
};

// Everything one call answered, copied out of the arrays (which are gone).
struct Menu {
    ULONG flags = 0;
    ULONG rights = 0;
    std::vector<UINT> systemRights;
    std::vector<Entry> versions;
    std::vector<std::u16string> transitions;
    std::vector<State> states;
};

constexpr ULONG kCheckedOutHere =
    MenuEnable_CheckIn | MenuEnable_CheckedOut | MenuEnable_VersionsAvailable | MenuEnable_IncrementRevision;
constexpr ULONG kCheckedIn = MenuEnable_CheckedIn | MenuEnable_VersionsAvailable | MenuEnable_IncrementRevision;

class MenuInfoTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        if (HasFatalFailure()) return;
        // UniqueDocument arrays come from the item server's library.
        RegisterRecords();
        vaultdb::Database& db = *vault_.db;
        // D: Alice's, but in another view; E: Bob's; F: no version yet.
        itemD_ = AddItem(u"D.<item>", vault_.partsFolder);
        itemE_ = AddItem(u"E.<item>", vault_.partsFolder);
        itemF_ = static_cast<LONG>(Sql(db,
                                       "INSERT INTO documents (folder_id, name, name_key, doc_type) VALUES "
                                       "(?, 'F.<item>', 'f.<item>', 4) RETURNING id",
                                       {vault_.partsFolder}));
        Lock(itemD_, vault_.alice, u"{11111111-2222-3333-4444-555555555555}");
        Lock(itemE_, vault_.bob, u"{5D1C0B2A-3E4F-4A5B-8C6D-7E8F90A1B2C3}");
        // R lies in a folder where Alice may only delete documents.
        restricted_ = vennacle_test::AddFolder(db, vault_.itemsFolder, u"Restricted", u"\\<items>\\Restricted\\");
        Sql(db, "INSERT INTO object_rights (user_id, object_type, object_id, rights) VALUES (?, 3, ?, ?)",
            {vault_.alice, restricted_, static_cast<int32_t>(UserRight_DeleteDocuments)});
        itemR_ = AddItem(u"R.<item>", restricted_);
    }
    void TearDown() override {
        com::UnregisterRecordDescriptions(LIBID_BellquistLib);
        BrowseTest::TearDown();
    }

    void Lock(LONG document, LONG user, const std::u16string& view) {
        Sql(*vault_.db,
            "INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path) VALUES (?, ?, ?, 'PC', "
            "'C:\\x')",
            {document, user, view});
    }

    // An [in] SAFEARRAY(UniqueDocument) of the documents, for the caller to destroy.
    static SAFEARRAY* Documents(const std::vector<Doc>& docs) {
        IRecordInfo* info = nullptr;
        EXPECT_EQ(GetRecordInfoFromGuids(LIBID_BellquistLib, 1, 0, 9, UniqueDocument::kRecordGuid, &info), S_OK);
        SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, static_cast<ULONG>(docs.size()), info);
        if (info) info->Release();
        UniqueDocument* data = nullptr;
        EXPECT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)), S_OK);
        for (const Doc& doc : docs) {
            data->mlObjectTypeID = doc.kind;
            (doc.kind == kFolder ? data->mlParentProjectID : data->mlDocumentID) = doc.id;
            data->mlVersion = 1;
            ++data;
        }
        SafeArrayUnaccessData(array);
        return array;
    }

    // Asks for every list; fails the test unless the call succeeds.
    Menu Ask(const std::vector<Doc>& docs, ULONG what = 0) {
        SAFEARRAY* input = Documents(docs);
        Menu menu;
        SAFEARRAY *rights = nullptr, *versions = nullptr, *transitions = nullptr, *states = nullptr;
        EXPECT_EQ(
            services_->GetMenuInfo(input, what, &menu.flags, &menu.rights, &rights, &versions, &transitions, &states),
            S_OK);
        SafeArrayDestroy(input);
        if (rights) {
            VARTYPE type = VT_EMPTY;
            EXPECT_EQ(SafeArrayGetVartype(rights, &type), S_OK);
            EXPECT_EQ(type, VT_UINT);
            LONG upper = -1;
            SafeArrayGetUBound(rights, 1, &upper);
            for (LONG i = 0; i <= upper; ++i) {
                UINT value = 0;
                EXPECT_EQ(SafeArrayGetElement(rights, &i, &value), S_OK);
                menu.systemRights.push_back(value);
            }
            SafeArrayDestroy(rights);
        }
        EXPECT_NE(versions, nullptr);
        EXPECT_NE(transitions, nullptr);
        EXPECT_NE(states, nullptr);
        for (const MenuVersionInfo& entry : Received<MenuVersionInfo>(versions))
            menu.versions.push_back({entry.meType, entry.mlVersion, com_testing::Text(entry.moText)});
        for (const MenuTransitionInfo& transition : Received<MenuTransitionInfo>(transitions)) {
            menu.transitions.push_back(com_testing::Text(transition.moName));
            EXPECT_EQ(transition.mbIsRevoke, VARIANT_FALSE);
            EXPECT_EQ(transition.mlCommitsNum, 0);
            EXPECT_EQ(transition.mlRequiredNum, -1);
        }
        for (const MenuStatusNotificationInfo& state : Received<MenuStatusNotificationInfo>(states))
            menu.states.push_back({state.mlDocumentID, state.mlObjectTypeID, state.mlLockedByUserID,
                                   com_testing::Text(state.moStateName)});
        return menu;
    }

    LONG itemD_ = 0, itemE_ = 0, itemF_ = 0, itemR_ = 0, restricted_ = 0;
};

TEST_F(MenuInfoTest, EnableFlagsAndRightsOfOneObjectFollowItsLockVersionsAndTheUsersRights) {
    const struct {
        const char* what;
        Doc doc;
        ULONG flags;
        ULONG rights;
    } cases[] = {
        {"checked out here", {kItem, itemA_}, kCheckedOutHere, kAllUserRights},
        {"checked in", {kItem, itemB_}, kCheckedIn, kAllUserRights},
        {"Alice's in another view",
         {kItem, itemD_},
         MenuEnable_CheckedOut | MenuEnable_VersionsAvailable | MenuEnable_IncrementRevision,
         kAllUserRights},
        {"Bob's",
         {kItem, itemE_},
         MenuEnable_CheckedOutByOther | MenuEnable_CheckedOut | MenuEnable_VersionsAvailable |
             MenuEnable_IncrementRevision,
         kAllUserRights},
        {"no version", {kItem, itemF_}, MenuEnable_CheckedIn | MenuEnable_IncrementRevision, kAllUserRights},
        {"a file", {kFile, vault_.plate}, kCheckedIn, kAllUserRights},
        {"no right to write",
         {kItem, itemR_},
         MenuEnable_CheckedIn | MenuEnable_VersionsAvailable,
         UserRight_DeleteDocuments},
        {"a folder", {kFolder, vault_.partsFolder}, 0, kAllUserRights},
        {"a folder with rights", {kFolder, restricted_}, 0, UserRight_DeleteDocuments},
        {"a BOM", {kBom, bom_}, 0, kAllUserRights},
    };
    for (const auto& c : cases) {
        const Menu menu = Ask({c.doc});
        EXPECT_EQ(menu.flags, c.flags) << c.what;
        EXPECT_EQ(menu.rights, c.rights) << c.what;
    }
}

// Enable flags are OR-ed over the selection, rights AND-ed.
TEST_F(MenuInfoTest, ASelectionCombinesFlagsByOrAndRightsByAnd) {
    Menu menu = Ask({{kItem, itemA_}, {kItem, itemB_}});
    EXPECT_EQ(menu.flags, kCheckedOutHere | kCheckedIn);
    EXPECT_EQ(menu.rights, kAllUserRights);
    menu = Ask({{kItem, itemR_}, {kItem, itemE_}, {kFolder, vault_.partsFolder}});
    EXPECT_EQ(menu.flags, MenuEnable_CheckedIn | MenuEnable_CheckedOutByOther | MenuEnable_CheckedOut |
                              MenuEnable_VersionsAvailable | MenuEnable_IncrementRevision);
    EXPECT_EQ(menu.rights, ULONG{UserRight_DeleteDocuments});
}

// The flags follow the vault, not a state the library keeps.
TEST_F(MenuInfoTest, FlagsFollowACheckOutAndARightsEntryMadeAfterLogin) {
    EXPECT_EQ(Ask({{kItem, itemB_}}).flags, kCheckedIn);
    Lock(itemB_, vault_.alice, u"{5D1C0B2A-3E4F-4A5B-8C6D-7E8F90A1B2C3}");
    EXPECT_EQ(Ask({{kItem, itemB_}}).flags, kCheckedOutHere);
    Sql(*vault_.db, "INSERT INTO object_rights (user_id, object_type, object_id, rights) VALUES (?, 4, ?, ?)",
        {vault_.alice, itemB_, static_cast<int32_t>(UserRight_Create | UserRight_CreateFolders)});
    const Menu menu = Ask({{kItem, itemB_}});
    EXPECT_EQ(menu.flags, kCheckedOutHere & ~ULONG{MenuEnable_IncrementRevision});
    EXPECT_EQ(menu.rights, ULONG{UserRight_Create | UserRight_CreateFolders});
}

TEST_F(MenuInfoTest, SystemRightsAreTheUsersAsTheVaultHoldsThem) {
    EXPECT_EQ(Ask({{kItem, itemA_}}).systemRights, (std::vector<UINT>{kSystemRightCheckInForOthers, 0x4000001u}));
    Sql(*vault_.db, "DELETE FROM user_system_rights WHERE user_id = ? AND right_value = 1028", {vault_.alice});
    EXPECT_EQ(Ask({{kItem, itemA_}}).systemRights, (std::vector<UINT>{0x4000001u}));
}

TEST_F(MenuInfoTest, OneDocumentListsItsVersionsRevisionsAndLabelsNewestFirst) {
    vaultdb::Database& db = *vault_.db;
    Sql(db, "UPDATE document_versions SET comment = 'first', revision = 'A' WHERE document_id = ?", {itemB_});
    Sql(db,
        "INSERT INTO document_versions (document_id, version, modified_utc, user_id, comment, revision) VALUES "
        "(?, 2, 46030, ?, 'second', 'A'), (?, 3, 46031, ?, 'third', 'B')",
        {itemB_, vault_.alice, itemB_, vault_.alice});
    Sql(db, "UPDATE documents SET latest_version = 3 WHERE id = ?", {itemB_});
    for (const auto& [version, label] : {std::pair{1, u"Beta"}, std::pair{2, u"Released"}})
        Sql(db,
            "INSERT INTO history (action, object_type, object_id, version, user_id, time_utc, comment) "
            "VALUES (?, 4, ?, ?, ?, 46032, ?)",
            {int32_t{vaultdb::kHistoryLabel}, itemB_, version, vault_.alice, std::u16string(label)});
    // A label of another object is not B's.
    Sql(db,
        "INSERT INTO history (action, object_type, object_id, version, user_id, time_utc, comment) "
        "VALUES (?, 6, ?, 1, ?, 46033, 'Other')",
        {int32_t{vaultdb::kHistoryLabel}, itemB_, vault_.alice});

    const std::vector<Entry> expected = {
        {MenuVersionType_Version, 3, u"third"}, {MenuVersionType_Version, 2, u"second"},
        {MenuVersionType_Version, 1, u"first"}, {MenuVersionType_Revision, 3, u"B"},
        {MenuVersionType_Revision, 1, u"A"},    {MenuVersionType_Label, 2, u"Released"},
        {MenuVersionType_Label, 1, u"Beta"},
    };
    EXPECT_EQ(Ask({{kItem, itemB_}}).versions, expected);
    // A file's versions; none for a folder or for more than one document.
    EXPECT_EQ(Ask({{kFile, vault_.bracket}}).versions,
              (std::vector<Entry>{{MenuVersionType_Version, 2, u""}, {MenuVersionType_Version, 1, u""}}));
    EXPECT_TRUE(Ask({{kFolder, vault_.partsFolder}}).versions.empty());
    EXPECT_TRUE(Ask({{kItem, itemB_}, {kItem, itemA_}}).versions.empty());
}

TEST_F(MenuInfoTest, TransitionsLeavingTheDocumentsStatesOncePerNameAndEachDocumentsState) {
    vaultdb::Database& db = *vault_.db;
    const int32_t workflow = static_cast<int32_t>(
        Sql(db, "INSERT INTO workflows (name, name_key) VALUES ('Release', 'release') RETURNING id"));
    auto state = [&](const char16_t* name) {
        return static_cast<int32_t>(Sql(db,
                                        "INSERT INTO workflow_states (workflow_id, name, name_key) VALUES (?, ?, ?) "
                                        "RETURNING id",
                                        {workflow, std::u16string(name), vaultdb::FoldKey(name)}));
    };
    const int32_t draft = state(u"Draft"), review = state(u"Review"), released = state(u"Released");
    auto transition = [&](const char16_t* name, int32_t from, int32_t to) {
        Sql(db,
            "INSERT INTO workflow_transitions (workflow_id, name, name_key, from_state_id, to_state_id) "
            "VALUES (?, ?, ?, ?, ?)",
            {workflow, std::u16string(name), vaultdb::FoldKey(name), from, to});
    };
    transition(u"Submit", draft, review);
    transition(u"Fast release", draft, released);
    transition(u"Reject", review, draft);
    transition(u"Approve", review, released);
    transition(u"SUBMIT", review, released);  // the same name as Draft's: offered once
    Sql(db, "UPDATE documents SET state_id = ? WHERE id = ?", {draft, itemB_});
    Sql(db, "UPDATE documents SET state_id = ? WHERE id IN (?, ?)", {review, itemA_, vault_.plate});

    EXPECT_EQ(Ask({{kItem, itemB_}}).transitions, (std::vector<std::u16string>{u"Fast release", u"Submit"}));
    const Menu menu = Ask({{kItem, itemB_}, {kFolder, vault_.partsFolder}, {kItem, itemA_}, {kFile, vault_.plate}});
    EXPECT_EQ(menu.transitions, (std::vector<std::u16string>{u"Fast release", u"Submit", u"Approve", u"Reject"}));
    const std::vector<State> states = {
        {itemB_, kItem, 0, u"Draft"},
        {vault_.partsFolder, kFolder, 0, u""},
        {itemA_, kItem, vault_.alice, u"Review"},
        {vault_.plate, kFile, 0, u"Review"},
    };
    EXPECT_EQ(menu.states, states);
    // Objects without a state offer none.
    EXPECT_TRUE(Ask({{kItem, itemC_}, {kFolder, vault_.itemsFolder}, {kBom, bom_}}).transitions.empty());
}

// Which lists are asked for changes nothing in the others; ulInfoToReturn
// changes nothing at all.
TEST_F(MenuInfoTest, ListsNotAskedForAreLeftOutAndTheChoiceWordIsIgnored) {
    const Menu full = Ask({{kItem, itemA_}}, 0);
    const Menu all = Ask({{kItem, itemA_}}, 0xFFFFFFFF);
    EXPECT_EQ(all.flags, full.flags);
    EXPECT_EQ(all.versions, full.versions);
    EXPECT_EQ(all.states, full.states);

    SAFEARRAY* input = Documents({{kItem, itemA_}});
    ULONG flags = 0, rights = 0;
    SAFEARRAY *systemRights = nullptr, *transitions = nullptr;
    ASSERT_EQ(services_->GetMenuInfo(input, 0, &flags, &rights, &systemRights, nullptr, &transitions, nullptr), S_OK);
    EXPECT_EQ(flags, full.flags);
    EXPECT_EQ(rights, full.rights);
    EXPECT_EQ(SafeArrayDestroy(systemRights), S_OK);
    EXPECT_EQ(SafeArrayDestroy(transitions), S_OK);
    ASSERT_EQ(services_->GetMenuInfo(input, 0, &flags, &rights, nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(flags, full.flags);
    SafeArrayDestroy(input);
}

TEST_F(MenuInfoTest, RefusedSelectionsLeaveEveryAnswerEmpty) {
    vennacle_test::Sql(*vault_.db, "UPDATE documents SET deleted = 1 WHERE id = ?", {itemD_});
    const struct {
        const char* what;
        std::vector<Doc> docs;
        HRESULT expected;
    } cases[] = {
        {"no document", {}, E_INVALIDARG},
        {"an unknown item", {{kItem, itemA_}, {kItem, 9999}}, E_OXN_FILE_NOT_FOUND},
        {"a deleted item", {{kItem, itemD_}}, E_OXN_FILE_NOT_FOUND},
        {"an unknown file", {{kFile, 9999}}, E_OXN_FILE_NOT_FOUND},
        {"an item asked for as a file", {{kFile, itemA_}}, E_OXN_FILE_NOT_FOUND},
        {"an unknown folder", {{kFolder, 9999}}, E_OXN_FOLDER_NOT_FOUND},
        {"an unknown BOM", {{kBom, 9999}}, E_OXN_BOM_NOT_FOUND},
        {"another type", {{2, vault_.itemsFolder}}, E_OXN_INVALID_TYPE},
    };
    SAFEARRAY* const kGarbage = reinterpret_cast<SAFEARRAY*>(1);
    for (const auto& c : cases) {
        SAFEARRAY* input = Documents(c.docs);
        ULONG flags = 7, rights = 7;
        SAFEARRAY *systemRights = kGarbage, *versions = kGarbage, *transitions = kGarbage, *states = kGarbage;
        EXPECT_EQ(services_->GetMenuInfo(input, 0, &flags, &rights, &systemRights, &versions, &transitions, &states),
                  c.expected)
            << c.what;
        EXPECT_FALSE(com_testing::TakePendingDescription().empty()) << c.what;
        EXPECT_EQ(flags, 0u) << c.what;
        EXPECT_EQ(rights, 0u) << c.what;
        for (SAFEARRAY* out : {systemRights, versions, transitions, states}) EXPECT_EQ(out, nullptr) << c.what;
        SafeArrayDestroy(input);
    }
    ULONG flags = 0;
    EXPECT_EQ(services_->GetMenuInfo(nullptr, 0, &flags, &flags, nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_FALSE(com_testing::TakePendingDescription().empty());
}

TEST_F(MenuInfoTest, NullWordsAndCallsWithoutLogin) {
    SAFEARRAY* input = Documents({{kItem, itemA_}});
    ULONG word = 0;
    EXPECT_EQ(services_->GetMenuInfo(input, 0, nullptr, &word, nullptr, nullptr, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(services_->GetMenuInfo(input, 0, &word, nullptr, nullptr, nullptr, nullptr, nullptr), E_POINTER);
    ASSERT_EQ(client_->Logout(), S_OK);
    word = 7;
    EXPECT_EQ(services_->GetMenuInfo(input, 0, &word, &word, nullptr, nullptr, nullptr, nullptr), E_OXN_NOT_LOGGED_IN);
    EXPECT_EQ(word, 0u);
    SafeArrayDestroy(input);
}

}  // namespace
