// The change-state utility over a real vault database: files and folders
// added, forward and revoked transitions, refused files, the question, and
// the result lists the item server walks.
#include "small_vault.h"
#include "batch_change_state.h"
#include "utilities.h"

#include "common/error_codes.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/server/com_object.h"
#include "com_testing/pending_error_info.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "vaultdb/schema.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace OxnVaultLib;
using oxnvault_testing::SmallVaultTest;

using Entry = std::tuple<std::u16string, LONG, LONG>;

// Walks a result list the way the item server does: first position, then
// next entries until the position is at the end.
std::vector<Entry> Walk(IOxnResultList* list) {
    std::vector<Entry> entries;
    CComPtr<IOxnListPosition> position;
    EXPECT_EQ(list->GetFirstPosition(&position), S_OK);
    VARIANT_BOOL atEnd = VARIANT_FALSE;
    while (position->IsAtEnd(&atEnd) == S_OK && atEnd == VARIANT_FALSE) {
        BSTR path = nullptr;
        LONG file = 0, folder = 0;
        EXPECT_EQ(list->GetNext(position.GetInterfacePtr(), &path, &file, &folder), S_OK);
        entries.emplace_back(com::BstrText(path), file, folder);
        SysFreeString(path);
    }
    return entries;
}

class BatchChangeStateTest : public SmallVaultTest {
protected:
    void SetUp() override {
        SmallVaultTest::SetUp();
        CComPtr<IDispatch> utility;
        ASSERT_EQ(oxnvault::CreateBatchChangeState(session_, &utility), S_OK);
        change_ = CComQIPtr<IOxnBatchChangeState2>(utility.GetInterfacePtr());
        ASSERT_TRUE(change_);
    }
    void TearDown() override {
        change_ = nullptr;
        SmallVaultTest::TearDown();
    }

    VARIANT_BOOL Choose(const char16_t* name, bool revoke = false) {
        BSTR text = SysAllocString(name);
        VARIANT_BOOL found = VARIANT_TRUE;
        EXPECT_EQ(revoke ? change_->SetRevokeTransition(text, &found) : change_->SetTransition(text, &found), S_OK);
        SysFreeString(text);
        return found;
    }
    std::vector<Entry> List(LONG kind) {
        CComPtr<IOxnResultList> list;
        EXPECT_EQ(change_->GetResultList(kind, &list), S_OK);
        return list ? Walk(list.GetInterfacePtr()) : std::vector<Entry>{};
    }

    CComPtr<IOxnBatchChangeState2> change_;
};

TEST_F(BatchChangeStateTest, AFolderMovesEveryFileBelowItAndListsThemInTheViewFolder) {
    ASSERT_EQ(change_->SetOption(oxnvault::kChangeStateSkipRefused, 1), S_OK);
    ASSERT_EQ(change_->AddFile(0, parts_), S_OK);
    ASSERT_EQ(Choose(u"submit"), VARIANT_TRUE);  // names compare case-insensitively
    ASSERT_EQ(change_->Run(0, 0), S_OK);

    EXPECT_EQ(StateOf(partA_), review_);
    EXPECT_EQ(StateOf(boltB_), review_);
    EXPECT_EQ(StateOf(otherC_), working_);  // in another folder
    EXPECT_EQ(Scalar("SELECT state_id FROM document_versions WHERE document_id = ? AND version = 1", {boltB_}),
              review_);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM history WHERE action = 5 AND object_type = 6 AND user_id = ?", {me_}), 2);
    EXPECT_EQ(List(kListDone), (std::vector<Entry>{{u"C:\\View\\Parts\\a.prt", partA_, parts_},
                                                   {u"C:\\View\\Parts\\Bolts\\b.prt", boltB_, bolts_}}));
    EXPECT_TRUE(List(kListProblems).empty());

    // Further along: the transition that gives a revision.
    CComPtr<IDispatch> utility;
    ASSERT_EQ(oxnvault::CreateBatchChangeState(session_, &utility), S_OK);
    change_ = CComQIPtr<IOxnBatchChangeState2>(utility.GetInterfacePtr());
    ASSERT_EQ(change_->AddFile(partA_, parts_), S_OK);
    ASSERT_EQ(Choose(u"Approve"), VARIANT_TRUE);
    ASSERT_EQ(change_->Run(0, 0), S_OK);
    EXPECT_EQ(StateOf(partA_), approved_);
    EXPECT_EQ(Text("SELECT revision FROM document_versions WHERE document_id = ?", {partA_}), u"A");
}

TEST_F(BatchChangeStateTest, RevokeGoesBackAlongTheTransitionThatLedToTheState) {
    Exec("UPDATE documents SET state_id = ? WHERE id = ?", {review_, partA_});
    ASSERT_EQ(change_->AddFile(partA_, parts_), S_OK);
    ASSERT_EQ(change_->AddFile(otherC_, otherFolder_), S_OK);  // still working: "Submit" did not lead there
    EXPECT_EQ(Choose(u"Approve", true), VARIANT_FALSE);        // no file came by "Approve"
    ASSERT_EQ(change_->SetOption(oxnvault::kChangeStateSkipRefused, 1), S_OK);
    ASSERT_EQ(Choose(u"Submit", true), VARIANT_TRUE);
    ASSERT_EQ(change_->Run(0, 0), S_OK);

    EXPECT_EQ(StateOf(partA_), working_);
    EXPECT_EQ(StateOf(otherC_), working_);
    EXPECT_EQ(Text("SELECT comment FROM history WHERE action = 5 AND object_id = ?", {partA_}), u"Revoked: Submit");
    EXPECT_EQ(List(kListDone), (std::vector<Entry>{{u"C:\\View\\Parts\\a.prt", partA_, parts_}}));
    EXPECT_EQ(List(kListProblems), (std::vector<Entry>{{u"C:\\View\\Other\\c.prt", otherC_, otherFolder_}}));
}

TEST_F(BatchChangeStateTest, AnUnknownTransitionIsNotFoundAndTheRunRefusesToGuess) {
    ASSERT_EQ(change_->AddFile(0, parts_), S_OK);
    EXPECT_EQ(Choose(u"Teleport"), VARIANT_FALSE);
    EXPECT_EQ(change_->Run(0, 0), E_OXN_NOT_INITIALIZED);
    EXPECT_NE(com_testing::TakePendingDescription(), u"<none>");
    EXPECT_EQ(StateOf(partA_), working_);

    // Nothing there to add: the caller hears of it.
    EXPECT_EQ(change_->AddFile(9999, parts_), E_OXN_FILE_NOT_FOUND);
    EXPECT_EQ(change_->AddFile(boltB_, otherFolder_), E_OXN_FILE_NOT_FOUND);  // not in that folder
    EXPECT_EQ(change_->AddFile(0, 9999), E_OXN_FOLDER_NOT_FOUND);
    // A BOM follows its document's state: it is taken and adds nothing.
    const LONG bom = LONG(Scalar("INSERT INTO boms (document_id, folder_id, name) VALUES (?, ?, 'c BOM') RETURNING id",
                                 {otherC_, otherFolder_}));
    EXPECT_EQ(change_->AddFile(bom, otherFolder_), S_OK);
    com_testing::ClearPendingErrorInfo();
    EXPECT_EQ(change_->SetOption(7, 1), E_INVALIDARG);
    com_testing::ClearPendingErrorInfo();
}

// A file checked out by another user keeps its state. Skipping refused files
// changes the rest; without it, one refused file leaves every file as it was.
TEST_F(BatchChangeStateTest, AFileCheckedOutByAnotherUserIsRefused) {
    Lock(boltB_, other_);
    Lock(partA_, me_);  // my own check-out does not stand in the way
    for (const bool skip : {false, true}) {
        SCOPED_TRACE(skip ? "skipping refused files" : "refusing the batch");
        CComPtr<IDispatch> utility;
        ASSERT_EQ(oxnvault::CreateBatchChangeState(session_, &utility), S_OK);
        change_ = CComQIPtr<IOxnBatchChangeState2>(utility.GetInterfacePtr());
        ASSERT_EQ(change_->SetOption(oxnvault::kChangeStateSkipRefused, skip), S_OK);
        ASSERT_EQ(change_->AddFile(0, parts_), S_OK);
        ASSERT_EQ(Choose(u"Submit"), VARIANT_TRUE);
        const HRESULT hr = change_->Run(0, 0);
        EXPECT_EQ(StateOf(boltB_), working_);
        EXPECT_EQ(List(kListProblems), (std::vector<Entry>{{u"C:\\View\\Parts\\Bolts\\b.prt", boltB_, bolts_}}));
        if (skip) {
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(StateOf(partA_), review_);
            EXPECT_EQ(List(kListDone).size(), 1u);
        } else {
            EXPECT_EQ(hr, E_OXN_STATE_NOT_FOUND);
            EXPECT_NE(com_testing::TakePendingDescription(), u"<none>");
            EXPECT_EQ(StateOf(partA_), working_);
            EXPECT_TRUE(List(kListDone).empty());
            EXPECT_EQ(Scalar("SELECT COUNT(*) FROM history WHERE action = 5"), 0);
        }
    }
}

// The plan is read again when the run starts: a file another user moved in
// between is refused rather than moved from a state it is no longer in.
TEST_F(BatchChangeStateTest, AFileMovedSinceThePlanIsRefused) {
    ASSERT_EQ(change_->SetOption(oxnvault::kChangeStateSkipRefused, 1), S_OK);
    ASSERT_EQ(change_->AddFile(0, parts_), S_OK);
    ASSERT_EQ(Choose(u"Submit"), VARIANT_TRUE);
    Exec("UPDATE documents SET state_id = ? WHERE id = ?", {approved_, boltB_});
    ASSERT_EQ(change_->Run(0, 0), S_OK);
    EXPECT_EQ(StateOf(boltB_), approved_);
    EXPECT_EQ(StateOf(partA_), review_);
    EXPECT_EQ(List(kListProblems).size(), 1u);
}

// The batch is one transaction: a write that fails half-way leaves every
// file, version and history row as it was.
TEST_F(BatchChangeStateTest, AFailingWriteChangesNothing) {
    // Triggers take no parameters: the id is written into the text.
    Exec(("CREATE TRIGGER refuse_b BEFORE UPDATE OF state_id ON documents WHEN NEW.id = " + std::to_string(boltB_) +
          " BEGIN SELECT RAISE(ABORT, 'refused'); END")
             .c_str());
    ASSERT_EQ(change_->AddFile(0, parts_), S_OK);
    ASSERT_EQ(Choose(u"Submit"), VARIANT_TRUE);
    const HRESULT hr = change_->Run(0, 0);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_NE(com_testing::TakePendingDescription(), u"<none>");
    EXPECT_EQ(StateOf(partA_), working_);
    EXPECT_EQ(Scalar("SELECT state_id FROM document_versions WHERE document_id = ?", {partA_}), working_);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM history"), 0);
    EXPECT_TRUE(List(kListDone).empty());
}

TEST_F(BatchChangeStateTest, TheQuestionNamesTheFilesAndItsAnswerDecides) {
    ui_testing::EnsureApplication();
    Exec("UPDATE documents SET state_id = ? WHERE id = ?", {review_, otherC_});
    ASSERT_EQ(change_->AddFile(0, vaultdb::kRootFolderId), S_OK);
    ASSERT_EQ(Choose(u"Submit"), VARIANT_TRUE);
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.caption, u"Change State");
        EXPECT_NE(question.text.find(u"2 files"), std::u16string::npos);
        EXPECT_NE(question.text.find(u"\\Parts\\Bolts\\b.prt"), std::u16string::npos);
        EXPECT_NE(question.text.find(u"1 file cannot take the transition"), std::u16string::npos);
    });
    prompter.AnswerMessageBox(IDCANCEL);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(change_->ShowDialog(0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    ASSERT_EQ(change_->ShowDialog(0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
}

TEST_F(BatchChangeStateTest, APositionWalksOnlyItsOwnListAndKeepsItAlive) {
    std::vector<oxnvault::ResultEntry> entries{{u"C:\\View\\x", 5, 6}};
    CComPtr<IOxnResultList> list, otherList;
    ASSERT_EQ(oxnvault::CreateResultList(entries, &list), S_OK);
    ASSERT_EQ(oxnvault::CreateResultList(entries, &otherList), S_OK);
    VARIANT_BOOL empty = VARIANT_TRUE;
    ASSERT_EQ(list->IsEmpty(&empty), S_OK);
    EXPECT_EQ(empty, VARIANT_FALSE);

    CComPtr<IOxnListPosition> position;
    ASSERT_EQ(list->GetFirstPosition(&position), S_OK);
    BSTR path = nullptr;
    LONG file = 0, folder = 0;
    EXPECT_EQ(otherList->GetNext(position.GetInterfacePtr(), &path, &file, &folder), E_OXN_NULL_VALUE);
    EXPECT_NE(com_testing::TakePendingDescription(), u"<none>");

    const LONG alive = com::testing::LiveServerObjects();
    list = nullptr;  // the position holds the list
    EXPECT_EQ(com::testing::LiveServerObjects(), alive);
    VARIANT_BOOL atEnd = VARIANT_TRUE;
    ASSERT_EQ(position->IsAtEnd(&atEnd), S_OK);
    EXPECT_EQ(atEnd, VARIANT_FALSE);
    position = nullptr;
    EXPECT_EQ(com::testing::LiveServerObjects(), alive - 2);
    EXPECT_EQ(otherList->IsEmpty(nullptr), E_POINTER);

    // Past the last entry there is nothing to read.
    CComPtr<IOxnListPosition> walker;
    ASSERT_EQ(otherList->GetFirstPosition(&walker), S_OK);
    ASSERT_EQ(otherList->GetNext(walker.GetInterfacePtr(), &path, &file, &folder), S_OK);
    EXPECT_EQ(com::BstrText(path), u"C:\\View\\x");
    EXPECT_EQ(file, 5);
    EXPECT_EQ(folder, 6);
    SysFreeString(path);
    path = nullptr;
    ASSERT_EQ(walker->IsAtEnd(&atEnd), S_OK);
    EXPECT_EQ(atEnd, VARIANT_TRUE);
    EXPECT_EQ(otherList->GetNext(walker.GetInterfacePtr(), &path, &file, &folder), E_OXN_NULL_VALUE);
    EXPECT_EQ(path, nullptr);
    com_testing::ClearPendingErrorInfo();

    CComPtr<IOxnResultList> emptyList;
    ASSERT_EQ(oxnvault::CreateResultList({}, &emptyList), S_OK);
    EXPECT_TRUE(Walk(emptyList.GetInterfacePtr()).empty());
}

}  // namespace
