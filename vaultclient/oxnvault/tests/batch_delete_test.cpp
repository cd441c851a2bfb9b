// The delete utility over a real vault database: delete to the deleted list,
// destroy for good (rows and archive files), folders with everything below
// them, refused files, the question and the error display.
#include "batch_delete.h"
#include "small_vault.h"
#include "utilities.h"

#include "common/error_codes.h"
#include "com/ccom_ptr.h"
#include "com/variant.h"
#include "com_testing/pending_error_info.h"
#include "oxnvault/interfaces.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "vaultdb/archive.h"
#include "vaultdb/schema.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using namespace OxnVaultLib;
using oxnvault_testing::SmallVaultTest;

class BatchDeleteTest : public SmallVaultTest {
protected:
    void SetUp() override {
        SmallVaultTest::SetUp();
        CComPtr<IDispatch> utility;
        ASSERT_EQ(oxnvault::CreateBatchDelete(session_, &utility), S_OK);
        delete_ = CComQIPtr<IOxnBatchDelete>(utility.GetInterfacePtr());
        ASSERT_TRUE(delete_);
    }
    void TearDown() override {
        delete_ = nullptr;
        SmallVaultTest::TearDown();
    }

    HRESULT AddFolder(LONG id) {
        VARIANT folder;
        VariantInit(&folder);
        V_VT(&folder) = VT_I4;
        V_I4(&folder) = id;
        return delete_->AddFolder(folder);
    }
    VARIANT_BOOL Run() {
        VARIANT_BOOL succeeded = VARIANT_TRUE;
        EXPECT_EQ(delete_->Run(0, 0, &succeeded), S_OK);
        return succeeded;
    }
    bool ArchiveHolds(LONG document) {
        return std::filesystem::exists(Db().ArchiveFolder() / vaultdb::ArchiveFileName(document, 1));
    }
    int64_t Logged(LONG type, LONG id, int destroyed) {
        return Scalar("SELECT COUNT(*) FROM deleted_objects WHERE object_type = ? AND object_id = ? AND destroyed = ?",
                      {type, id, destroyed});
    }

    CComPtr<IOxnBatchDelete> delete_;
};

TEST_F(BatchDeleteTest, DeleteMovesAFileToTheDeletedListWhereRefreshesFindIt) {
    Lock(partA_, me_);
    CComQIPtr<IOxnBatchDeleteSource> source(delete_.GetInterfacePtr());
    ASSERT_TRUE(source);
    ASSERT_EQ(source->SetSource(0, 7), S_OK);
    ASSERT_EQ(delete_->AddFile(partA_, parts_), S_OK);
    ASSERT_EQ(delete_->SetDestroy(VARIANT_FALSE, 0), S_OK);
    EXPECT_EQ(Run(), VARIANT_TRUE);

    EXPECT_EQ(Scalar("SELECT deleted FROM documents WHERE id = ?", {partA_}), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM locks WHERE document_id = ?", {partA_}), 0);
    EXPECT_EQ(Logged(6, partA_, 0), 1);
    EXPECT_EQ(Text("SELECT comment FROM history WHERE action = ? AND object_id = ?", {vaultdb::kHistoryDelete, partA_}),
              u"Through view server 7");
    EXPECT_TRUE(ArchiveHolds(partA_));  // deleted, not destroyed: it can come back
    EXPECT_EQ(Scalar("SELECT deleted FROM documents WHERE id = ?", {boltB_}), 0);
}

TEST_F(BatchDeleteTest, AFolderGoesWithEverythingBelowIt) {
    ASSERT_EQ(AddFolder(parts_), S_OK);
    EXPECT_EQ(Run(), VARIANT_TRUE);

    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM folders WHERE id IN (?, ?)", {parts_, bolts_}), 0);
    EXPECT_EQ(Logged(3, parts_, 0), 1);
    EXPECT_EQ(Logged(3, bolts_, 0), 1);
    EXPECT_EQ(Logged(6, boltB_, 0), 1);
    // The deleted files keep their rows, now outside the tree; the log keeps
    // where they lay.
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM documents WHERE id IN (?, ?) AND deleted = 1 AND folder_id = ?",
                     {partA_, boltB_, vaultdb::kRootFolderId}),
              2);
    EXPECT_EQ(Scalar("SELECT folder_id FROM deleted_objects WHERE object_type = 6 AND object_id = ?", {boltB_}),
              bolts_);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM folders WHERE id = ?", {otherFolder_}), 1);
}

TEST_F(BatchDeleteTest, DestroyRemovesRowsAndArchiveFilesForGood) {
    Exec("UPDATE documents SET deleted = 1 WHERE id = ?", {boltB_});  // deleted before: destroy takes it too
    ASSERT_TRUE(ArchiveHolds(boltB_));
    ASSERT_EQ(AddFolder(parts_), S_OK);
    ASSERT_EQ(delete_->AddFile(otherC_, otherFolder_), S_OK);
    ASSERT_EQ(delete_->SetDestroy(VARIANT_TRUE, 0), S_OK);
    EXPECT_EQ(Run(), VARIANT_TRUE);

    for (const LONG document : {partA_, boltB_, otherC_}) {
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM documents WHERE id = ?", {document}), 0);
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM document_versions WHERE document_id = ?", {document}), 0);
        EXPECT_FALSE(ArchiveHolds(document));
        EXPECT_EQ(Logged(6, document, 1), 1);
    }
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM folders WHERE id IN (?, ?)", {parts_, bolts_}), 0);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM folders WHERE id = ?", {otherFolder_}), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM history WHERE action = ?", {vaultdb::kHistoryDestroy}), 5);
}

// The run is one transaction: a write that fails half-way leaves every row
// in place, and a destroy removes no archive file before its rows are gone.
TEST_F(BatchDeleteTest, AFailingWriteDeletesNothing) {
    // Triggers take no parameters: the id is written into the text.
    Exec(("CREATE TRIGGER refuse_bolts BEFORE DELETE ON folders WHEN OLD.id = " + std::to_string(bolts_) +
          " BEGIN SELECT RAISE(ABORT, 'refused'); END")
             .c_str());
    ASSERT_EQ(delete_->AddFile(otherC_, otherFolder_), S_OK);
    ASSERT_EQ(AddFolder(parts_), S_OK);
    ASSERT_EQ(delete_->SetDestroy(VARIANT_TRUE, 0), S_OK);
    VARIANT_BOOL succeeded = VARIANT_TRUE;
    EXPECT_TRUE(FAILED(delete_->Run(0, 0, &succeeded)));
    EXPECT_NE(com_testing::TakePendingDescription(), u"<none>");
    EXPECT_EQ(succeeded, VARIANT_FALSE);

    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM documents WHERE deleted = 0"), 3);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM folders WHERE id IN (?, ?)", {parts_, bolts_}), 2);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM deleted_objects"), 0);
    for (const LONG document : {partA_, boltB_, otherC_}) EXPECT_TRUE(ArchiveHolds(document));
}

// A file checked out by another user stays, and so does every folder
// holding it; the rest goes. The run answers FALSE and the errors name it.
TEST_F(BatchDeleteTest, AFileCheckedOutByAnotherUserIsRefusedAndShownInTheErrors) {
    ui_testing::EnsureApplication();
    Lock(boltB_, other_);
    ASSERT_EQ(AddFolder(parts_), S_OK);
    ASSERT_EQ(AddFolder(vaultdb::kRootFolderId), S_OK);  // never removed
    ASSERT_EQ(delete_->AddFile(9999, parts_), S_OK);     // no such file
    ASSERT_EQ(delete_->AddFile(otherC_, parts_), S_OK);  // not in that folder
    EXPECT_EQ(Run(), VARIANT_FALSE);

    EXPECT_EQ(Scalar("SELECT deleted FROM documents WHERE id = ?", {boltB_}), 0);
    EXPECT_EQ(Scalar("SELECT deleted FROM documents WHERE id = ?", {partA_}), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM folders WHERE id IN (?, ?)", {parts_, bolts_}), 2);
    EXPECT_EQ(Scalar("SELECT deleted FROM documents WHERE id = ?", {otherC_}), 0);

    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.caption, u"Delete");
        EXPECT_NE(question.text.find(u"5 objects were not deleted"), std::u16string::npos);
        EXPECT_NE(question.text.find(u"\\Parts\\Bolts\\b.prt: "), std::u16string::npos);
        EXPECT_NE(question.text.find(u"\\Parts\\: "), std::u16string::npos);
        EXPECT_NE(question.text.find(u"(file 9999): "), std::u16string::npos);
        EXPECT_NE(question.text.find(u"\\: "), std::u16string::npos);
    });
    EXPECT_EQ(delete_->ShowErrors(0), S_OK);
}

TEST_F(BatchDeleteTest, TheQuestionSaysWhatGoesAndItsAnswerDecides) {
    ui_testing::EnsureApplication();
    ASSERT_EQ(AddFolder(parts_), S_OK);
    ASSERT_EQ(delete_->AddFile(otherC_, otherFolder_), S_OK);
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDCANCEL, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.caption, u"Delete");
        EXPECT_EQ(question.text, u"Delete 1 folder with everything in it and 1 file?");
    });
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.caption, u"Destroy");
        EXPECT_NE(question.text.find(u"cannot be restored"), std::u16string::npos);
    });
    VARIANT_BOOL ok = VARIANT_TRUE;
    ASSERT_EQ(delete_->ShowDialog(0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    ASSERT_EQ(delete_->SetDestroy(VARIANT_TRUE, 0), S_OK);
    ASSERT_EQ(delete_->ShowDialog(0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    // Nothing ran: nothing to show.
    EXPECT_EQ(delete_->ShowErrors(0), S_OK);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM deleted_objects"), 0);
}

// A BOM comes as a file: its id and the folder it is listed in. Ids of BOMs
// and documents overlap, so the folder tells them apart.
TEST_F(BatchDeleteTest, ABomListedInTheFolderGoesAndItsDocumentStays) {
    const LONG bom = LONG(Scalar("INSERT INTO boms (document_id, folder_id, name) VALUES (?, ?, 'c BOM') RETURNING id",
                                 {otherC_, otherFolder_}));
    ASSERT_EQ(bom, partA_);  // the same number as a document in another folder
    ASSERT_EQ(delete_->AddFile(bom, otherFolder_), S_OK);
    EXPECT_EQ(Run(), VARIANT_TRUE);

    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM boms"), 0);
    EXPECT_EQ(Logged(vaultdb::kObjectBom, bom, 0), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM documents WHERE deleted = 1"), 0);
}

TEST_F(BatchDeleteTest, ArgumentsTheUtilityCannotTake) {
    VARIANT text;
    VariantInit(&text);
    EXPECT_EQ(delete_->AddFolder(text), E_INVALIDARG);
    com_testing::ClearPendingErrorInfo();
    EXPECT_EQ(delete_->AddFile(0, parts_), E_OXN_INVALID_ID);
    com_testing::ClearPendingErrorInfo();
    EXPECT_EQ(delete_->Run(0, 0, nullptr), E_POINTER);
    EXPECT_EQ(delete_->ShowDialog(0, nullptr), E_POINTER);
}

}  // namespace
