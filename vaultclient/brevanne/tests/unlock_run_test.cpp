// The unlock command's run over the seeded vault and the view folder: what a
// check-in and an undo check-out change in the vault database, its archive
// and the local copies, the questions asked and their replies, and a stop
// midway.
#include "unlock_fixture.h"

#include "com_testing/pending_error_info.h"
#include "vaultdb/schema.h"

#include <filesystem>

namespace brevanne_test {
namespace {

using namespace BrevanneLib;

constexpr char16_t kOtherView[] = u"{0F0F0F0F-1111-2222-3333-444455556666}";

class UnlockRunTest : public UnlockTest {
protected:
    // An item "<name>.<item>" in \<items>\Parts\ that links the file
    // "\Cad\<name>.prt" (one version holding "<name> 1") dynamically.
    struct ItemAndFile {
        LONG item = 0;
        LONG file = 0;
        std::u16string filePath;  // in the vault
    };
    ItemAndFile AddItemWithFile(const std::u16string& name) {
        ItemAndFile made;
        made.filePath = u"\\Cad\\" + name + u".prt";
        made.file = AddFileWithContents(vault_.cadFolder, name + u".prt", {winapi::ToUtf8(name) + " 1"});
        made.item = AddItem(vault_.partsFolder, name);
        Link(made.item, vaultdb::kObjectFile, made.file, vaultdb::kLinkDynamic);
        return made;
    }
    static std::u16string ItemPath(const std::u16string& name) {
        return ViewPath(u"\\<items>\\Parts\\" + name + u".<item>");
    }
};

// The item's check-out covers its file: the changed local copy becomes the
// file's new version - the comment, the revision and card values carried
// on, the dynamic link moved to it - and the item's check-out ends after it.
TEST_F(UnlockRunTest, CheckInStoresTheChangedCopyAsANewVersionAndEndsTheCheckOut) {
    const ItemAndFile made = AddItemWithFile(u"bolt");
    Lock(made.item, vault_.alice);
    Scalar("UPDATE document_versions SET revision = 'A' WHERE document_id = ?", {made.file});
    Scalar("INSERT INTO variable_values (document_id, version, variable_id, text_value) VALUES (?, 1, ?, 'Bolt M6')",
           {made.file, vault_.description});
    Write(LocalFile(made.filePath), "bolt 2, holes moved");

    ScriptedCallback callback;
    EXPECT_EQ(RunCommand(kCommandCheckIn, {{made.item, vault_.partsFolder}}, &callback), S_OK);

    EXPECT_EQ(LatestVersion(made.file), 2);
    EXPECT_EQ(Stored(made.file, 2), "bolt 2, holes moved");
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM document_versions WHERE document_id = ? AND version = 2 AND comment = ? "
                     "AND user_id = ? AND revision = 'A'",
                     {made.file, std::u16string(kComment), vault_.alice}),
              1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM variable_values WHERE document_id = ? AND version = 2 AND "
                     "text_value = 'Bolt M6'",
                     {made.file}),
              1);
    EXPECT_EQ(Scalar("SELECT attached_version FROM links WHERE parent_id = ?", {made.item}), 2);
    EXPECT_EQ(LockHolder(made.item), 0);
    EXPECT_EQ(History(vaultdb::kHistoryCheckIn, made.file), 1);
    EXPECT_EQ(History(vaultdb::kHistoryCheckIn, made.item), 1);
    EXPECT_EQ(Contents(LocalFile(made.filePath)), "bolt 2, holes moved");

    EXPECT_EQ(callback.starts, std::vector<LONG>{2});
    EXPECT_EQ(callback.files, (std::vector<std::u16string>{ItemPath(u"bolt"), ViewPath(made.filePath)}));
    EXPECT_EQ(callback.resets, (std::vector<std::vector<LONG>>{{2, 0, 2}}));
    EXPECT_TRUE(callback.questions.empty());
}

// A local copy that is missing or the same as the latest version gives no
// new version: only the check-out ends.
TEST_F(UnlockRunTest, AnUnchangedOrMissingCopyOnlyEndsTheCheckOut) {
    for (const bool copyThere : {true, false}) {
        SCOPED_TRACE(copyThere ? "the same copy" : "no copy");
        const std::u16string name = copyThere ? u"same.prt" : u"gone.prt";
        const LONG file = AddFileWithContents(vault_.cadFolder, name, {"contents"});
        Lock(file, vault_.alice);
        if (copyThere) Write(LocalFile(u"\\Cad\\" + name), "contents");

        ScriptedCallback callback;
        EXPECT_EQ(RunCommand(kCommandCheckIn, {{file, vault_.cadFolder}}, &callback), S_OK);
        EXPECT_EQ(LatestVersion(file), 1);
        EXPECT_EQ(LockHolder(file), 0);
        EXPECT_EQ(Scalar("SELECT version FROM history WHERE action = ? AND object_id = ?",
                         {int32_t{vaultdb::kHistoryCheckIn}, file}),
                  1);
    }
}

// Undo restores the local copies of the item's files and of a file checked
// out of its own from their latest versions and ends the check-outs.
TEST_F(UnlockRunTest, UndoRestoresTheLocalCopiesAndEndsTheCheckOut) {
    const ItemAndFile made = AddItemWithFile(u"nut");
    Lock(made.item, vault_.alice);
    const LONG washer = AddFileWithContents(vault_.cadFolder, u"washer.prt", {"washer 1", "washer 2"});
    Lock(washer, vault_.alice);
    Write(LocalFile(made.filePath), "my nut");
    Write(LocalFile(u"\\Cad\\washer.prt"), "my washer");

    ScriptedCallback callback;
    EXPECT_EQ(RunCommand(kCommandUndoCheckOut, {{made.item, 0}, {washer, 0}}, &callback), S_OK);
    EXPECT_EQ(Contents(LocalFile(made.filePath)), "nut 1");
    EXPECT_EQ(Contents(LocalFile(u"\\Cad\\washer.prt")), "washer 2");
    EXPECT_EQ(LockHolder(made.item), 0);
    EXPECT_EQ(LockHolder(washer), 0);
    EXPECT_EQ(History(vaultdb::kHistoryUndoCheckOut, made.item), 1);
    EXPECT_EQ(History(vaultdb::kHistoryUndoCheckOut, washer), 1);
    EXPECT_EQ(LatestVersion(washer), 2);
    EXPECT_EQ(callback.resets, (std::vector<std::vector<LONG>>{{3, 0, 3}}));
}

// Each question, with each reply: go on does the file, skip leaves it as it
// is, and anything else stops the run with nothing more changed. (The
// mandatory cases come last: their variable stays mandatory.)
TEST_F(UnlockRunTest, EachQuestionAndItsReplies) {
    enum class Setup { kCheckedOutByBob, kCheckedOutInOtherView, kEmptyCopy, kDuplicatedUnique, kMandatoryMissing };
    struct Case {
        const char* name;
        Setup setup;
        LONG command;
        LONG reply;
        LONG kind;
        const char16_t* first;  // of the detail, null: no detail
        const char16_t* second;
        bool done;  // checked in (or restored): the check-out ended
    };
    const Case cases[] = {
        {"other user, yes", Setup::kCheckedOutByBob, kCommandCheckIn, kReplyGoOn, 8, u"Bob", u"PC", true},
        {"other user, no", Setup::kCheckedOutByBob, kCommandCheckIn, kReplySkipFile, 8, u"Bob", u"PC", false},
        {"other user, cancel", Setup::kCheckedOutByBob, kCommandCheckIn, kReplyCancel, 8, u"Bob", u"PC", false},
        {"other view, yes", Setup::kCheckedOutInOtherView, kCommandUndoCheckOut, kReplyGoOn, 5, u"Alice", u"PC", true},
        {"other view, no", Setup::kCheckedOutInOtherView, kCommandUndoCheckOut, kReplySkipFile, 5, u"Alice", u"PC",
         false},
        {"empty copy, yes", Setup::kEmptyCopy, kCommandCheckIn, kReplyGoOn, 3, nullptr, nullptr, true},
        {"empty copy, no", Setup::kEmptyCopy, kCommandCheckIn, kReplySkipFile, 3, nullptr, nullptr, false},
        {"empty copy, unknown reply", Setup::kEmptyCopy, kCommandCheckIn, kReplyUnknownKind, 3, nullptr, nullptr,
         false},
        {"unique, clear", Setup::kDuplicatedUnique, kCommandCheckIn, kReplyClearValue, 1, u"", u"Number", true},
        {"unique, keep", Setup::kDuplicatedUnique, kCommandCheckIn, kReplyGoOn, 1, u"", u"Number", true},
        {"unique, cancel", Setup::kDuplicatedUnique, kCommandCheckIn, kReplyCancel, 1, u"", u"Number", false},
        {"mandatory, ok", Setup::kMandatoryMissing, kCommandCheckIn, kReplyGoOn, 2, u"Default", u"Material", true},
        {"mandatory, cancel", Setup::kMandatoryMissing, kCommandCheckIn, kReplyCancel, 2, u"Default", u"Material",
         false},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::u16string name = u"q" + winapi::ToUtf16(std::to_string(++number)) + u".prt";
        const std::u16string path = u"\\Cad\\" + name;
        const LONG file = AddFileWithContents(vault_.cadFolder, name, {"stored"});
        std::string local = "changed";
        LONG holder = vault_.alice;
        switch (c.setup) {
        case Setup::kCheckedOutByBob:
            holder = vault_.bob;
            Lock(file, vault_.bob);
            break;
        case Setup::kCheckedOutInOtherView:
            Lock(file, vault_.alice, kOtherView);
            break;
        case Setup::kEmptyCopy:
            Lock(file, vault_.alice);
            local.clear();
            break;
        case Setup::kDuplicatedUnique: {
            Lock(file, vault_.alice);
            const LONG number =
                LONG(Scalar("INSERT INTO variables (name, name_key, is_unique) VALUES ('Number', "
                            "'number', 1) ON CONFLICT (name_key) DO UPDATE SET is_unique = 1 "
                            "RETURNING id"));
            Scalar("INSERT INTO variable_values (document_id, version, variable_id, text_value) VALUES (?, 1, ?, ?)",
                   {file, number, u"N-" + name});
            const LONG other = AddFileWithContents(vault_.cadFolder, u"other-" + name, {"other"});
            Scalar("INSERT INTO variable_values (document_id, version, variable_id, text_value) VALUES (?, 1, ?, ?)",
                   {other, number, u"N-" + name});
            break;
        }
        case Setup::kMandatoryMissing:
            Lock(file, vault_.alice);
            Scalar(
                "INSERT INTO variables (name, name_key, is_mandatory) VALUES ('Material', 'material', 1) "
                "ON CONFLICT (name_key) DO NOTHING");
            Scalar("INSERT INTO configurations (document_id, name) VALUES (?, 'Default')", {file});
            break;
        }
        Write(LocalFile(path), local);

        ScriptedCallback callback;
        callback.replies = {c.reply};
        const bool stops = c.reply != kReplyGoOn && c.reply != kReplySkipFile && c.reply != kReplyClearValue;
        EXPECT_EQ(RunCommand(c.command, {{file, 0}}, &callback), stops ? E_OXN_CANCELLED_BY_USER : S_OK);
        if (stops) {
            EXPECT_NE(runError_.find(u"cancelled"), std::u16string::npos) << winapi::ToUtf8(runError_);
        }

        ASSERT_EQ(callback.questions.size(), 1u);
        const ScriptedCallback::Asked& asked = callback.questions[0];
        EXPECT_EQ(asked.kind, c.kind);
        EXPECT_EQ(asked.path, ViewPath(path));
        EXPECT_EQ(asked.hasDetail, c.first != nullptr);
        if (c.first) {
            EXPECT_EQ(asked.detailKind, c.kind);
            EXPECT_EQ(asked.first, c.first);
            EXPECT_EQ(asked.second, c.second);
        }
        EXPECT_EQ(LockHolder(file), c.done ? 0 : holder);
        const bool newVersion = c.done && c.command == kCommandCheckIn && !local.empty();
        EXPECT_EQ(LatestVersion(file), newVersion ? 2 : 1);
        if (c.command == kCommandUndoCheckOut) {
            EXPECT_EQ(Contents(LocalFile(path)), c.done ? "stored" : local);
        }
        if (c.setup == Setup::kDuplicatedUnique && c.done) {
            EXPECT_EQ(Scalar("SELECT COUNT(*) FROM variable_values WHERE document_id = ? AND version = 2", {file}),
                      c.reply == kReplyClearValue ? 0 : 1);
        }
        EXPECT_EQ(callback.resets.size(), stops ? 0u : 1u);
    }
}

// A file that only the item's check-out covers and that stays behind keeps
// the item checked out, so that its changes stay covered.
TEST_F(UnlockRunTest, AFileLeftBehindKeepsItsItemCheckedOut) {
    const ItemAndFile made = AddItemWithFile(u"pin");
    Lock(made.item, vault_.alice);
    Write(LocalFile(made.filePath), "");

    ScriptedCallback callback;
    callback.replies = {kReplySkipFile};
    EXPECT_EQ(RunCommand(kCommandCheckIn, {{made.item, 0}}, &callback), S_OK);
    EXPECT_EQ(LockHolder(made.item), vault_.alice);
    EXPECT_EQ(History(vaultdb::kHistoryCheckIn, made.item), 0);
    EXPECT_EQ(callback.resets, (std::vector<std::vector<LONG>>{{0, 2, 2}}));
}

// A stop from the progress leaves each document done or untouched: the
// documents before it are checked in, the one it came at and those after it
// are as they were - an item keeps its check-out until all its files are in.
TEST_F(UnlockRunTest, AStopMidwayLeavesEachDocumentDoneOrUntouched) {
    struct Case {
        const char* name;
        size_t cancelAtFile;  // item 1, file 1, item 2, file 2
        bool firstDone;
    } const cases[] = {
        {"at the second item", 3, true},
        {"at the first item's file", 2, false},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::u16string suffix = winapi::ToUtf16(std::to_string(++round));
        const ItemAndFile first = AddItemWithFile(u"first" + suffix), second = AddItemWithFile(u"second" + suffix);
        for (const ItemAndFile& made : {first, second}) {
            Lock(made.item, vault_.alice);
            Write(LocalFile(made.filePath), "changed");
        }
        ScriptedCallback callback;
        callback.cancelAtFile = c.cancelAtFile;
        EXPECT_EQ(RunCommand(kCommandCheckIn, {{first.item, 0}, {second.item, 0}}, &callback), E_OXN_CANCELLED_BY_USER);
        EXPECT_EQ(callback.files.size(), c.cancelAtFile);
        EXPECT_EQ(LatestVersion(first.file), c.firstDone ? 2 : 1);
        EXPECT_EQ(LockHolder(first.item), c.firstDone ? 0 : vault_.alice);
        EXPECT_EQ(LatestVersion(second.file), 1);
        EXPECT_EQ(LockHolder(second.item), vault_.alice);
        EXPECT_TRUE(callback.resets.empty());
    }
}

// A folder stands for the documents below it checked out here; those
// checked out elsewhere are not asked about.
TEST_F(UnlockRunTest, AFolderStandsForWhatIsCheckedOutHereBelowIt) {
    const LONG mine = AddFileWithContents(vault_.cadFolder, u"mine.prt", {"mine"});
    const LONG bobs = AddFileWithContents(vault_.cadFolder, u"bobs.prt", {"bobs"});
    const LONG elsewhere = AddFileWithContents(vault_.cadFolder, u"elsewhere.prt", {"elsewhere"});
    Lock(mine, vault_.alice);
    Lock(bobs, vault_.bob);
    Lock(elsewhere, vault_.alice, kOtherView);

    ScriptedCallback callback;
    EXPECT_EQ(RunCommand(kCommandCheckIn, {{0, vault_.cadFolder}}, &callback), S_OK);
    EXPECT_EQ(LockHolder(mine), 0);
    EXPECT_EQ(LockHolder(bobs), vault_.bob);
    EXPECT_EQ(LockHolder(elsewhere), vault_.alice);
    EXPECT_EQ(callback.files, std::vector<std::u16string>{ViewPath(u"\\Cad\\mine.prt")});
}

// Without a callback nothing is asked: a file checked out elsewhere is left
// as it is, the user's own files are checked in.
TEST_F(UnlockRunTest, ASilentRunLeavesWhatWouldNeedAQuestion) {
    const LONG bobs = AddFileWithContents(vault_.cadFolder, u"bobs.prt", {"bobs"});
    const LONG mine = AddFileWithContents(vault_.cadFolder, u"mine.prt", {"mine"});
    Lock(bobs, vault_.bob);
    Lock(mine, vault_.alice);
    Write(LocalFile(u"\\Cad\\bobs.prt"), "changed");
    Write(LocalFile(u"\\Cad\\mine.prt"), "changed");

    EXPECT_EQ(RunCommand(kCommandCheckIn, {{bobs, 0}, {mine, 0}}, nullptr), S_OK);
    EXPECT_EQ(LockHolder(bobs), vault_.bob);
    EXPECT_EQ(LatestVersion(bobs), 1);
    EXPECT_EQ(LockHolder(mine), 0);
    EXPECT_EQ(LatestVersion(mine), 2);
}

// A local copy that cannot be restored (the vault holds no contents for the
// version) keeps its file checked out, and the run says which; the others
// are done.
TEST_F(UnlockRunTest, AFileThatCannotBeRestoredStaysCheckedOutAndIsNamed) {
    const LONG washer = AddFileWithContents(vault_.cadFolder, u"washer.prt", {"washer"});
    Lock(vault_.bracket, vault_.alice);  // versions without contents
    Lock(washer, vault_.alice);
    Write(LocalFile(u"\\Cad\\bracket.zvkprt"), "my bracket");
    Write(LocalFile(u"\\Cad\\washer.prt"), "my washer");

    ScriptedCallback callback;
    EXPECT_EQ(RunCommand(kCommandUndoCheckOut, {{vault_.bracket, 0}, {washer, 0}}, &callback), E_OXN_LOCK_ERRORS);
    EXPECT_NE(runError_.find(ViewPath(u"\\Cad\\bracket.zvkprt")), std::u16string::npos);
    EXPECT_EQ(LockHolder(vault_.bracket), vault_.alice);
    EXPECT_EQ(Contents(LocalFile(u"\\Cad\\bracket.zvkprt")), "my bracket");
    EXPECT_EQ(LockHolder(washer), 0);
    EXPECT_EQ(Contents(LocalFile(u"\\Cad\\washer.prt")), "washer");
}

// An object the vault does not have stops the run before anything changes.
TEST_F(UnlockRunTest, AnUnknownObjectChangesNothing) {
    const LONG mine = AddFileWithContents(vault_.cadFolder, u"mine.prt", {"mine"});
    Lock(mine, vault_.alice);
    ScriptedCallback callback;
    EXPECT_EQ(RunCommand(kCommandCheckIn, {{mine, 0}, {99999, 0}}, &callback), E_OXN_FILE_NOT_FOUND);
    EXPECT_EQ(RunCommand(kCommandCheckIn, {{mine, 0}, {0, 99999}}, &callback), E_OXN_FOLDER_NOT_FOUND);
    EXPECT_EQ(LockHolder(mine), vault_.alice);
    EXPECT_TRUE(callback.starts.empty());
}

}  // namespace
}  // namespace brevanne_test
