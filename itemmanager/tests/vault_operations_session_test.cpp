// The vault-interface operations end to end, as the explorer runs them: the
// servers registered on a fresh machine, the demo vault, ItmManager created
// by class id with the vault object of a logged-in user, and get latest, a
// specific version, check-out, change of state, delete and the refresh of
// the local cache working on the vault database, its archive and the view
// folder. Every question of the vault is answered through the prompter.

#include "server_session_fixture.h"

#include "item_objects_support.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "com/error_info.h"
#include "com/safearray.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "oxnvault/interfaces.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"
#include "vaultadmin/demo_seeding.h"
#include "vaultadmin/vault_opening.h"
#include "vaultdb/archive.h"
#include "vaultdb/database.h"
#include "vaultdb/transaction.h"
#include "vennacle/sp_mgr.h"
#include "winapi/guid_text.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace BellquistLib;
using com_testing::TakePendingDescription;
using conversion_test::ObjectList;
namespace fs = std::filesystem;

namespace {

class VaultOperationsSessionTest : public DemoSessionTest {
protected:
    void SetUp() override {
        DemoSessionTest::SetUp();
        if (HasFatalFailure()) return;
        designerId_ = VaultNumber("SELECT id FROM users WHERE name = 'Designer'");
        LogInWithVaultObject();
    }

    LONG LockHolder(LONG document) {
        return VaultNumber("SELECT user_id FROM locks WHERE document_id = " + std::to_string(document));
    }
    std::string StateOf(LONG document) {
        return winapi::ToUtf8(
            VaultText("SELECT s.name FROM documents d JOIN workflow_states s ON s.id = d.state_id "
                      "WHERE d.id = " +
                      std::to_string(document)));
    }

    CComPtr<IItmObject> SeededItemObject(int number) { return VaultItemObject(DocumentId(demo::SeededItem(number))); }

    fs::path InView(const std::string& relative) const { return view_ / relative; }
    LONG LatestVersion(const std::u16string& name) { return DemoSessionTest::LatestVersion(DocumentId(name)); }
    // Every file below the view folder (relative paths, sorted).
    std::vector<std::string> ViewFiles() const {
        std::vector<std::string> files;
        if (!fs::exists(view_)) return files;
        for (const auto& entry : fs::recursive_directory_iterator(view_))
            if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), view_).string());
        std::sort(files.begin(), files.end());
        return files;
    }

    LONG designerId_ = 0;
};

// Get latest brings an item's files into the view folder at their latest
// versions; check-out also locks the item for this user; an item checked out
// by another user is refused.
TEST_F(VaultOperationsSessionTest, GetLatestAndCheckOutBringTheFilesAndLockTheItem) {
    CComPtr<IItmObject> three = SeededItemObject(3), six = SeededItemObject(6);
    CComPtr<IItmObject> lockedByDesigner = SeededItemObject(vaultadmin::kDemoCheckedOutEvery);
    {
        ObjectList items({three});
        EXPECT_EQ(manager_->GetLatestVersion(items.get(), nullptr, VARIANT_TRUE, VARIANT_FALSE), S_OK);
    }
    EXPECT_EQ(FileText(InView("Projects/Conveyor/Parts/P-00003.zvkprt")),
              demo::PartContents(3, LatestVersion(u"P-00003.zvkprt")));
    EXPECT_TRUE(fs::exists(InView("Projects/Conveyor/Drawings/D-00003.dwg")));
    EXPECT_EQ(LockHolder(DocumentId(demo::SeededItem(3))), 0);

    {
        ObjectList items({six});
        EXPECT_EQ(manager_->CheckOut(items.get(), VARIANT_TRUE), S_OK);
    }
    const LONG sixId = DocumentId(demo::SeededItem(6));
    EXPECT_EQ(LockHolder(sixId), userId_);
    EXPECT_EQ(VaultNumber("SELECT COUNT(*) FROM locks WHERE document_id = " + std::to_string(sixId) +
                          " AND computer = 'PC-7' AND view_guid = '" +
                          winapi::ToUtf8(winapi::GuidToString(created_.viewId)) + "'"),
              1);
    EXPECT_TRUE(fs::exists(InView("Projects/Conveyor/Parts/P-00006.zvkprt")));

    {
        ObjectList items({lockedByDesigner});
        EXPECT_EQ(manager_->CheckOut(items.get(), VARIANT_TRUE), E_OXN_LOCK_ERRORS);
    }
    EXPECT_EQ(LockHolder(DocumentId(demo::SeededItem(vaultadmin::kDemoCheckedOutEvery))), designerId_);
}

// A specific version of an item brings that version of it; get latest then
// brings the latest again.
TEST_F(VaultOperationsSessionTest, ASpecificVersionBringsThatVersion) {
    // An item whose versions have contents of their own, in a seeded folder.
    const LONG folder = FolderOf(DocumentId(demo::SeededItem(1)));
    const std::string folderPath = [&] {
        std::unique_ptr<vaultdb::Database> database = vaultadmin::OpenRegisteredVault(kVault);
        std::unique_ptr<vaultdb::Statement> path;
        EXPECT_EQ(database->Prepare("SELECT vault_path FROM folders WHERE id = " + std::to_string(folder), path), S_OK);
        EXPECT_EQ(path->Step(), S_OK);
        std::string text = winapi::ToUtf8(path->ColumnText(0));
        std::replace(text.begin(), text.end(), '\\', '/');
        return text.substr(1);
    }();
    LONG item = 0;
    {
        std::unique_ptr<vaultdb::Database> database = vaultadmin::OpenRegisteredVault(kVault);
        vaultdb::Transaction transaction(*database);
        ASSERT_EQ(transaction.Begin(), S_OK);
        std::unique_ptr<vaultdb::Statement> insert;
        ASSERT_EQ(
            database->Prepare("INSERT INTO documents (folder_id, name, name_key, doc_type, latest_version) "
                              "VALUES (" +
                                  std::to_string(folder) + ", 'PLATE-7.<item>', 'plate-7.<item>', 4, 2) RETURNING id",
                              insert),
            S_OK);
        ASSERT_EQ(insert->Step(), S_OK);
        item = insert->ColumnInt32(0);
        insert.reset();
        for (int32_t version : {1, 2}) {
            vaultdb::NewDocumentVersion stored;
            stored.documentId = item;
            stored.version = version;
            stored.modifiedUtc = 46000.0 + version;
            stored.userId = userId_;
            const std::string contents = "plate version " + std::to_string(version);
            ASSERT_EQ(vaultdb::StoreDocumentVersion(*database, stored, contents.data(), contents.size()), S_OK);
        }
        ASSERT_EQ(transaction.Commit(), S_OK);
    }
    CComPtr<IItmObject> object = VaultItemObject(item);
    const fs::path local = InView(folderPath + "PLATE-7.<item>");

    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_NE(question.text.find(u"PLATE-7.<item>"), std::u16string::npos);
    });
    SAFEARRAY* returned = nullptr;
    EXPECT_EQ(manager_->GetSpecificVersion(object, 1, &returned), S_OK);
    EXPECT_EQ(returned, nullptr);
    EXPECT_EQ(FileText(local), "plate version 1");

    ObjectList items({object});
    EXPECT_EQ(manager_->GetLatestVersion(items.get(), nullptr, VARIANT_TRUE, VARIANT_FALSE), S_OK);
    EXPECT_EQ(FileText(local), "plate version 2");
}

// A transition moves the item along the workflow and its revoke moves it
// back; a name that is no transition from the item's state changes nothing.
TEST_F(VaultOperationsSessionTest, ChangeStateMovesAlongATransitionAndRevokeMovesBack) {
    const LONG item = VaultNumber(
        "SELECT d.id FROM documents d JOIN workflow_states s ON s.id = d.state_id WHERE d.doc_type = 4 AND "
        "s.name = 'Work in Progress' AND d.id NOT IN (SELECT document_id FROM locks) ORDER BY d.id");
    ASSERT_NE(item, 0);
    CComPtr<IItmObject> object = VaultItemObject(item);
    ObjectList items({object});
    _bstr_t submit(u"Submit for Review");

    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK);
    SAFEARRAY* changed = nullptr;
    ASSERT_EQ(manager_->ChangeState(items.get(), submit, &changed), S_OK);
    EXPECT_EQ(StateOf(item), "Under Review");
    ASSERT_NE(changed, nullptr);
    LONG index = 0;
    VARIANT element;
    VariantInit(&element);
    EXPECT_EQ(SafeArrayGetElement(changed, &index, &element), S_OK);
    EXPECT_EQ(element.vt, VT_DISPATCH);
    EXPECT_EQ(element.pdispVal, static_cast<IDispatch*>(object.GetInterfacePtr())) << "the given object comes back";
    VariantClear(&element);
    SafeArrayDestroy(changed);

    _bstr_t approve(u"Retire");
    EXPECT_EQ(manager_->ChangeState2(items.get(), approve, VARIANT_FALSE, nullptr), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(StateOf(item), "Under Review");

    prompter.AnswerMessageBox(IDOK);
    EXPECT_EQ(manager_->ChangeState2(items.get(), submit, VARIANT_TRUE, nullptr), S_OK);
    EXPECT_EQ(StateOf(item), "Work in Progress");
}

// A delete moves the item to the deleted list, and a later refresh of the
// explorer's items reports it deleted; an item checked out by another user
// is refused, its errors shown, and the operation still answers S_OK.
TEST_F(VaultOperationsSessionTest, DeleteRemovesTheItemAndARefreshReportsItDeleted) {
    const LONG two = DocumentId(demo::SeededItem(2));
    const LONG locked = DocumentId(demo::SeededItem(2 * vaultadmin::kDemoCheckedOutEvery));
    // The folder's items as the explorer browsed them.
    CComPtr<IItmObject> folder = VaultItemObject(FolderOf(two), ItmObjectType_ItemFolder);
    CComPtr<IItmObject> object;
    {
        ObjectList input({folder});
        SAFEARRAY* objects = nullptr;
        SAFEARRAY* deleted = nullptr;
        ASSERT_EQ(manager_->BatchGetTrees(input.get(), Bgtf_Recursive, 1, &objects, &deleted), S_OK);
        VARIANT* values = nullptr;
        ASSERT_EQ(SafeArrayAccessData(objects, reinterpret_cast<void**>(&values)), S_OK);
        for (ULONG i = 0; i < objects->rgsabound[0].cElements && !object; ++i) {
            CComQIPtr<IItmObject> candidate(values[i].pdispVal);
            LONG id = 0;
            ItmObjectType type = ItmObjectType_Undefined;
            if (candidate && SUCCEEDED(candidate->get_ID(&id)) && SUCCEEDED(candidate->get_Type(&type)) && id == two &&
                type == ItmObjectType_Item)
                object = candidate;
        }
        SafeArrayUnaccessData(objects);
        SafeArrayDestroy(objects);
        SafeArrayDestroy(deleted);
    }
    ASSERT_TRUE(object != nullptr);
    CComPtr<IItmObject> lockedObject = VaultItemObject(locked);

    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDOK);
    {
        ObjectList items({object});
        EXPECT_EQ(manager_->Delete(VARIANT_FALSE, items.get()), S_OK);
    }
    EXPECT_EQ(
        VaultNumber("SELECT COUNT(*) FROM deleted_objects WHERE destroyed = 0 AND object_id = " + std::to_string(two)),
        1);

    ObjectList shown({folder, object});
    SAFEARRAY* objects = nullptr;
    SAFEARRAY* deleted = nullptr;
    ASSERT_EQ(manager_->BatchRefreshTrees(shown.get(), 0, &objects, &deleted), S_OK);
    ASSERT_NE(deleted, nullptr);
    {
        RecordArray<DelOrDestroyed> entries(deleted);
        ASSERT_EQ(entries.mlGetCount(), 1);
        EXPECT_EQ(entries.mpoBegin()->mlId, two);
        EXPECT_EQ(entries.mpoBegin()->meType, ItmObjectType_Item);
        EXPECT_EQ(entries.mpoBegin()->mbDestroyed, VARIANT_FALSE);
    }
    SafeArrayDestroy(objects);
    SafeArrayDestroy(deleted);

    prompter.AnswerMessageBox(IDOK);
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.style & MB_ICONWARNING, static_cast<UINT>(MB_ICONWARNING)) << "the errors of the run";
    });
    {
        ObjectList items({lockedObject});
        EXPECT_EQ(manager_->Delete(VARIANT_FALSE, items.get()), S_OK);
    }
    EXPECT_EQ(VaultNumber("SELECT COUNT(*) FROM deleted_objects WHERE object_id = " + std::to_string(locked)), 0);
    EXPECT_EQ(LockHolder(locked), designerId_);
}

// A cancel in the vault's dialog stops before anything is got; an abort
// answered for a failed file stops the refresh of the local cache, leaving
// every local copy whole and nothing half-written.
TEST_F(VaultOperationsSessionTest, ACancelStopsTheBatchWithTheVaultAndViewFolderConsistent) {
    CComPtr<IItmObject> three = SeededItemObject(3), six = SeededItemObject(6);
    ObjectList items({three, six});
    const std::vector<std::string> before = ViewFiles();  // what the view's creation put there
    ui_testing::ScriptedPrompter prompter;
    prompter.AnswerMessageBox(IDCANCEL);
    EXPECT_EQ(manager_->CheckOut(items.get(), VARIANT_FALSE), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(ViewFiles(), before);
    EXPECT_EQ(VaultNumber("SELECT COUNT(*) FROM locks WHERE user_id = " + std::to_string(userId_)), 0);

    EXPECT_EQ(manager_->GetLatestVersion(items.get(), nullptr, VARIANT_TRUE, VARIANT_FALSE), S_OK);
    const std::vector<std::string> got = ViewFiles();
    ASSERT_EQ(got.size(), before.size() + 4);  // two parts and two drawings
    std::vector<std::string> contents;
    for (const std::string& file : got) contents.push_back(FileText(view_ / file));

    // The archive lost the latest version of the first part: the refresh
    // asks about it in the progress window's box, and Abort ends it there.
    const LONG part = DocumentId(u"P-00003.zvkprt");
    {
        std::unique_ptr<vaultdb::Database> database = vaultadmin::OpenRegisteredVault(kVault);
        fs::remove(database->ArchiveFolder() / vaultdb::ArchiveFileName(part, LatestVersion(u"P-00003.zvkprt")));
    }
    prompter.AnswerMessageBox(IDABORT, [](const ui::MessageBoxQuestion& question) {
        EXPECT_NE(question.text.find(u"\n\nFile: "), std::u16string::npos);
        EXPECT_NE(question.text.find(u"P-00003.zvkprt"), std::u16string::npos);
    });
    EXPECT_EQ(manager_->RefreshLocalCache(), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(TakePendingDescription(), u"The get was cancelled.");
    EXPECT_EQ(ViewFiles(), got) << "no file lost, none half-written";
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(FileText(view_ / got[i]), contents[i]) << got[i];
    EXPECT_EQ(VaultNumber("SELECT COUNT(*) FROM locks WHERE user_id = " + std::to_string(userId_)), 0);
}

}  // namespace
