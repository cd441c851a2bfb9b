// Check-in and undo check-out end to end, as the explorer runs them: the
// servers and the unlock component registered on a fresh machine, the demo
// vault, ItmManager created by class id with the vault object of a
// logged-in user, and the unlock component's command working on the vault
// database, its archive and the view folder. The file-reference dialog that
// asks for the comment and every question are answered through the
// prompter; the progress window is the
// manager's own.

#include "server_session_fixture.h"

#include "item_objects_support.h"

#include "itemstore/cache_location.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/item_object.h"

#include "bellquist/enums.h"
#include "bellquist/item_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/safearray.h"
#include "com_testing/pending_error_info.h"
#include "com_testing/register_server.h"
#include "common/error_codes.h"
#include "ui/dialog.h"
#include "ui/message_box.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "castavy/dialog_script.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"
#include "vaultdb/archive.h"
#include "vaultdb/schema.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <fstream>
#include <string>
#include <vector>

using namespace BellquistLib;
using castavy::IDC_CASTAVY_COMMENT;
using conversion_test::ObjectList;
namespace fs = std::filesystem;

namespace {

// Demo items that nobody has checked out, each with its part file and no
// drawing, and not assemblies.
constexpr int kBracket = 7;
constexpr int kHousing = 8;
constexpr int kFirst = 1, kSecond = 2, kThird = 4;

// Clicks the Cancel button of the open progress window once the window
// handles its messages again (at its next bar move), as a user's click
// waiting in the queue is.
void QueueProgressCancel() {
    HWND progress = FindWindowW(u"#32770", u"Check In");
    ASSERT_NE(progress, nullptr) << "the progress window is open";
    HWND button = nullptr;
    EnumChildWindows(
        progress,
        [](HWND child, LPARAM found) -> BOOL {
            WCHAR text[32] = {};
            GetWindowTextW(child, text, 32);
            if (std::u16string(text) != u"Cancel") return TRUE;
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&button));
    ASSERT_NE(button, nullptr);
    PostMessageW(progress, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

class UnlockSessionTest : public DemoSessionTest {
protected:
    void SetUp() override {
        DemoSessionTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"Brevanne.dll"), S_OK);
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"Castavy.dll"), S_OK);
        LogInWithVaultObject();
    }

    // What the vault knows of a seeded item and its part file.
    struct Seeded {
        LONG item;
        LONG part;
        LONG partVersion;  // before the test changed anything
    };
    Seeded Seed(int number) {
        const LONG part = DocumentId(demo::SeededPart(number));
        return {DocumentId(demo::SeededItem(number)), part, LatestVersion(part)};
    }

    fs::path PartInView(int number) const {
        return view_ / "Projects" / "Conveyor" / "Parts" / winapi::ToUtf8(demo::SeededPart(number));
    }
    static void WriteLocal(const fs::path& file, const std::string& text) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
    }
    // The user holding the check-out of a document (0: none).
    LONG LockHolder(LONG document) {
        return VaultNumber("SELECT user_id FROM locks WHERE document_id = " + std::to_string(document));
    }
    LONG History(vaultdb::HistoryAction action, LONG document) {
        return VaultNumber("SELECT COUNT(*) FROM history WHERE action = " + std::to_string(action) +
                           " AND object_id = " + std::to_string(document) +
                           " AND user_id = " + std::to_string(userId_));
    }
    std::string Stored(LONG document, LONG version) {
        std::vector<uint8_t> data;
        EXPECT_EQ(vaultdb::ReadDocumentVersion(*OpenVaultDatabase(), document, version, data), S_OK);
        return std::string(data.begin(), data.end());
    }

    // The item cache of the session, as another reader of it sees it.
    RefPtr<CItemCacheFile> ItemCache() {
        std::u16string path;
        EXPECT_EQ(ghItemCacheFilePath(created_.vaultId, path), S_OK);
        return RefPtr<CItemCacheFile>(new CItemCacheFile(path));
    }
    // The attached versions of the cached children of an item that are
    // files, by object id; empty when the item has no cached list.
    std::map<LONG, LONG> CachedFileVersions(const std::u16string& item) {
        RefPtr<CItemCacheFile> cache = ItemCache();
        CItemCacheLock lock(cache, kCacheLockDirect);
        ChildList children;
        std::map<LONG, LONG> versions;
        if (cache->mhReadChildren(lock, item, children) != S_OK) return versions;
        for (const RefPtr<ChildWithLink>& child : children)
            if (child->meObjectType == kObjectTypeFile) versions[child->mlObjectID] = child->mlAttachedVersion;
        return versions;
    }
    bool Cached(const std::u16string& item) {
        RefPtr<CItemCacheFile> cache = ItemCache();
        CItemCacheLock lock(cache, kCacheLockDirect);
        return cache->mhItemExists(lock, item) == S_OK;
    }
    // The item as the explorer holds it once it browsed the item's folder.
    CComPtr<IItmObject> BrowsedItem(LONG item) {
        CComPtr<IItmObject> folder = VaultItemObject(FolderOf(item), ItmObjectType_ItemFolder);
        ObjectList input({folder});
        SAFEARRAY* objects = nullptr;
        SAFEARRAY* deleted = nullptr;
        EXPECT_EQ(manager_->BatchGetTrees(input.get(), Bgtf_Recursive, 1, &objects, &deleted), S_OK);
        CComPtr<IItmObject> found;
        VARIANT* values = nullptr;
        if (objects && SUCCEEDED(SafeArrayAccessData(objects, reinterpret_cast<void**>(&values)))) {
            for (ULONG i = 0; i < objects->rgsabound[0].cElements && !found; ++i) {
                CComQIPtr<IItmObject> candidate(values[i].pdispVal);
                LONG id = 0;
                ItmObjectType type = ItmObjectType_Undefined;
                if (candidate && SUCCEEDED(candidate->get_ID(&id)) && SUCCEEDED(candidate->get_Type(&type)) &&
                    id == item && type == ItmObjectType_Item)
                    found = candidate;
            }
            SafeArrayUnaccessData(objects);
        }
        SafeArrayDestroy(objects);
        SafeArrayDestroy(deleted);
        EXPECT_TRUE(found != nullptr);
        return found;
    }
    // The trees of the items into the cache, as the explorer's browsing
    // stores them.
    void Browse(SAFEARRAY* items) {
        SAFEARRAY* fetched = nullptr;
        SAFEARRAY* deleted = nullptr;
        ASSERT_EQ(manager_->BatchGetTrees(items, Bgtf_Recursive | Bgtf_UpdateFileCache, 0, &fetched, &deleted), S_OK);
        SafeArrayDestroy(fetched);
        SafeArrayDestroy(deleted);
    }

    // The unlock dialog, confirmed with `comment` (none: the edit is left as
    // it is).
    static void Confirm(ui_testing::ScriptedPrompter& prompter, const char16_t* comment = nullptr) {
        prompter.DriveDialog(castavy::kDialogName, [comment](ui::PromptedDialog& dialog) {
            if (comment) {
                EXPECT_TRUE(dialog.SetControlText(IDC_CASTAVY_COMMENT, comment));
            }
            EXPECT_TRUE(dialog.PressButton(IDOK));
        });
    }
};

// Check-in: the changed file gets a new version in the archive with the
// dialog's comment, the item and its file are no longer checked out, the
// history has the check-in, and the item's cached record is fetched again
// (its list with the file's old version gone with the check-out).
TEST_F(UnlockSessionTest, CheckInAddsTheNewVersionReleasesTheLockAndRefreshesTheCache) {
    const Seeded bracket = Seed(kBracket);
    CComPtr<IItmObject> object = BrowsedItem(bracket.item);
    ObjectList items({object});
    ASSERT_EQ(manager_->CheckOut(items.get(), VARIANT_TRUE), S_OK);
    ASSERT_EQ(LockHolder(bracket.item), userId_) << "the item's check-out covers its file";
    Browse(items.get());
    ASSERT_EQ(CachedFileVersions(demo::SeededItem(kBracket))[bracket.part], bracket.partVersion);
    WriteLocal(PartInView(kBracket), "bracket widened by 2 mm\n");

    ui_testing::ScriptedPrompter prompter;
    Confirm(prompter, u"Bracket widened");
    EXPECT_EQ(manager_->CheckIn(items.get(), 0), S_OK);

    const LONG version = bracket.partVersion + 1;
    EXPECT_EQ(LatestVersion(bracket.part), version);
    EXPECT_EQ(Stored(bracket.part, version), "bracket widened by 2 mm\n");
    EXPECT_EQ(VaultText("SELECT comment FROM document_versions WHERE document_id = " + std::to_string(bracket.part) +
                        " AND version = " + std::to_string(version)),
              u"Bracket widened");
    EXPECT_EQ(LockHolder(bracket.item), 0);
    EXPECT_EQ(History(vaultdb::kHistoryCheckIn, bracket.part), 1);
    EXPECT_EQ(History(vaultdb::kHistoryCheckIn, bracket.item), 1);
    EXPECT_EQ(FileText(PartInView(kBracket)), "bracket widened by 2 mm\n") << "the local copy stays";

    // The cached item was fetched again as the vault has it now: no longer
    // checked out, so without the children list that held the file's old
    // version (the cache keeps lists for items checked out here only).
    EXPECT_TRUE(Cached(demo::SeededItem(kBracket))) << "fetched again, not only removed";
    EXPECT_EQ(CachedFileVersions(demo::SeededItem(kBracket)), (std::map<LONG, LONG>{}));
}

// Undo check-out: a cancelled dialog changes nothing; confirmed, the local
// copy is the latest version again, nothing is checked in, and the item and
// its file are no longer checked out.
TEST_F(UnlockSessionTest, UndoCheckOutRestoresTheFileAndReleasesTheLock) {
    const Seeded housing = Seed(kHousing);
    CComPtr<IItmObject> object = VaultItemObject(housing.item);
    ObjectList items({object});
    ASSERT_EQ(manager_->CheckOut(items.get(), VARIANT_TRUE), S_OK);
    WriteLocal(PartInView(kHousing), "scribbles\n");

    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(castavy::kDialogName,
                         [](ui::PromptedDialog& dialog) { EXPECT_TRUE(dialog.PressButton(IDCANCEL)); });
    EXPECT_EQ(manager_->UndoCheckOut(items.get(), 0), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(LockHolder(housing.item), userId_);
    EXPECT_EQ(FileText(PartInView(kHousing)), "scribbles\n");

    Confirm(prompter);
    EXPECT_EQ(manager_->UndoCheckOut(items.get(), 0), S_OK);
    EXPECT_EQ(FileText(PartInView(kHousing)), demo::PartContents(kHousing, housing.partVersion));
    EXPECT_EQ(LatestVersion(housing.part), housing.partVersion);
    EXPECT_EQ(LockHolder(housing.item), 0);
    EXPECT_EQ(History(vaultdb::kHistoryUndoCheckOut, housing.item), 1);
    EXPECT_EQ(History(vaultdb::kHistoryCheckIn, housing.part), 0);
}

// A cancel in the progress window midway through a check-in of three items
// stops it there: what was checked in stays checked in, what comes after is
// still checked out with its local copy and versions as they were, and no
// document is left half done.
TEST_F(UnlockSessionTest, ACancelMidwayLeavesEveryDocumentCheckedInOrUntouched) {
    const Seeded first = Seed(kFirst), second = Seed(kSecond), third = Seed(kThird);
    CComPtr<IItmObject> a = VaultItemObject(first.item), b = VaultItemObject(second.item),
                        c = VaultItemObject(third.item);
    ObjectList items({a, b, c});
    ASSERT_EQ(manager_->CheckOut(items.get(), VARIANT_TRUE), S_OK);
    WriteLocal(PartInView(kFirst), "first changed\n");
    WriteLocal(PartInView(kSecond), "");  // a copy the vault cannot read: it asks
    WriteLocal(PartInView(kThird), "third changed\n");

    ui_testing::ScriptedPrompter prompter;
    Confirm(prompter, u"Three at once");
    // The user goes on with the unreadable copy, then cancels in the
    // progress window.
    prompter.AnswerMessageBox(IDYES, [](const ui::MessageBoxQuestion& question) {
        EXPECT_NE(question.text.find(demo::SeededPart(kSecond)), std::u16string::npos) << winapi::ToUtf8(question.text);
        QueueProgressCancel();
    });
    EXPECT_EQ(manager_->CheckIn(items.get(), 0), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(com_testing::TakePendingDescription(),
              u"The check-in was cancelled; the files done so far stay checked in.");

    EXPECT_EQ(LatestVersion(first.part), first.partVersion + 1);
    EXPECT_EQ(Stored(first.part, first.partVersion + 1), "first changed\n");
    EXPECT_EQ(LockHolder(first.item), 0);
    EXPECT_EQ(LatestVersion(second.part), second.partVersion) << "its unreadable copy is not stored";
    EXPECT_EQ(LockHolder(third.item), userId_);
    EXPECT_EQ(LatestVersion(third.part), third.partVersion);
    EXPECT_EQ(FileText(PartInView(kThird)), "third changed\n");
    // Every document is either done, with its history entry, or as it was:
    // an item still checked out, a file without a new version.
    for (const Seeded& s : {first, second, third}) {
        SCOPED_TRACE(s.item);
        EXPECT_EQ(History(vaultdb::kHistoryCheckIn, s.item), LockHolder(s.item) == 0 ? 1 : 0);
        EXPECT_EQ(History(vaultdb::kHistoryCheckIn, s.part), LatestVersion(s.part) != s.partVersion ? 1 : 0);
    }
}

}  // namespace
