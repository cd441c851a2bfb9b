// The batch get against a real vault database and archive: files land in the
// view folder at the asked version with the stored time, a check-out locks
// for this user, view and computer, files locked elsewhere are refused, and a
// cancel leaves every file either got or untouched.
#include "com/ccom_bstr.h"
#include "com/ccom_ptr.h"
#include "com/record_info.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "common/error_codes.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "oxnvault/selection.h"
#include "oxnvault/type_library.h"
#include "oxnvault/vault_object.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "vaultadmin/user_admin.h"
#include "vaultdb/archive.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vaultdb/transaction.h"
#include "winapi/guid_text.h"
#include "winapi/save_file.h"
#include "winapi/text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace OxnVaultLib;
namespace fs = std::filesystem;

constexpr GUID kViewGuid = com::MakeGuid("6A1B7C00-1111-4222-8333-944455556666");
constexpr double kTime1 = 46000.25;  // automation DATEs, UTC, whole seconds
constexpr double kTime2 = 46001.5;

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Seconds since the Unix epoch of an automation DATE.
long long UnixSeconds(double date) { return static_cast<long long>(std::floor((date - 25569.0) * 86400.0 + 1e-4)); }

long long FileSeconds(const fs::path& file) {
    struct stat status {};
    EXPECT_EQ(::stat(file.c_str(), &status), 0) << file;
    return status.st_mtim.tv_sec;
}

struct Entry {
    std::u16string path;
    LONG fileId;
    LONG folderId;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> ReadList(IOxnBatchGet& get, LONG kind) {
    CComPtr<IOxnResultList> list;
    EXPECT_EQ(get.GetResultList(kind, &list), S_OK);
    std::vector<Entry> entries;
    CComPtr<IOxnListPosition> position;
    EXPECT_EQ(list->GetFirstPosition(&position), S_OK);
    VARIANT_BOOL atEnd = VARIANT_FALSE;
    while (SUCCEEDED(position->IsAtEnd(&atEnd)) && atEnd == VARIANT_FALSE) {
        BSTR path = nullptr;
        Entry entry{};
        EXPECT_EQ(list->GetNext(position, &path, &entry.fileId, &entry.folderId), S_OK);
        entry.path = path ? std::u16string(path) : std::u16string();
        SysFreeString(path);
        entries.push_back(entry);
    }
    return entries;
}

// A get-operation callback that records the steps and answers "stop" at the
// step given.
class StoppingCallback : public IOxnGetOpCallback {
public:
    explicit StoppingCallback(LONG stopAtStep) : stopAtStep_(stopAtStep) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IOxnGetOpCallback::kIid) return E_NOINTERFACE;
        *out = static_cast<IOxnGetOpCallback*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }
    HRESULT STDMETHODCALLTYPE BeginPhase(LONG, LONG value) override {
        began_ = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Step(LONG, BSTR, LONG value, VARIANT_BOOL* goOn) override {
        steps_.push_back(value);
        *goOn = value == stopAtStep_ ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EndPhase(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE CheckReady() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetOption(LONG, LONG, SHORT* option) override {
        *option = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FileMessage(LONG fileId, BSTR, HRESULT result, BSTR, VARIANT_BOOL* goOn) override {
        messages_.emplace_back(fileId, result);
        *goOn = VARIANT_TRUE;
        return S_OK;
    }

    LONG began_ = -1;
    std::vector<LONG> steps_;
    std::vector<std::pair<LONG, HRESULT>> messages_;

private:
    LONG stopAtStep_;
    ULONG references_ = 1;
};

class BatchGetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_testing::EnsureApplication();
        char pattern[] = "/tmp/oxnvault-get-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        databaseFile_ = root_ / "demo.vault";
        view_ = root_ / "view";
        ASSERT_EQ(vaultdb::OpenVaultDatabase(databaseFile_, vaultdb::OpenMode::CreateNew, db_), S_OK);
        alice_ = vaultadmin::AddUser(*db_, u"alice", u"pw-alice", {});
        bob_ = vaultadmin::AddUser(*db_, u"bob", u"pw-bob", {});

        vaultdb::Transaction transaction(*db_);
        ASSERT_EQ(transaction.Begin(), S_OK);
        parts_ = Insert(
            "INSERT INTO folders (parent_id, name, vault_path, path_key) VALUES "
            "(1, 'Parts', '\\Parts\\', '\\parts\\') RETURNING id");
        bolts_ = Insert(
            "INSERT INTO folders (parent_id, name, vault_path, path_key) VALUES "
            "(" +
            std::to_string(parts_) + ", 'Bolts', '\\Parts\\Bolts\\', '\\parts\\bolts\\') RETURNING id");
        plate_ = AddFile(parts_, "plate.prt", {{kTime1, "plate v1"}, {kTime2, "plate v2"}});
        bolt_ = AddFile(bolts_, "bolt.prt", {{kTime1, "bolt v1"}});
        ASSERT_EQ(transaction.Commit(), S_OK);
    }

    void TearDown() override {
        db_.reset();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    LONG Insert(const std::string& sql) {
        std::unique_ptr<vaultdb::Statement> statement;
        EXPECT_EQ(db_->Prepare(sql, statement), S_OK) << sql;
        EXPECT_EQ(statement->Step(), S_OK) << db_->LastErrorText();
        return statement->ColumnInt32(0);
    }

    void Run(const std::string& sql) { ASSERT_EQ(db_->Execute(sql), S_OK) << db_->LastErrorText(); }

    LONG AddFile(LONG folder, const std::string& name, const std::vector<std::pair<double, std::string>>& versions) {
        const LONG id = Insert("INSERT INTO documents (folder_id, name, name_key, doc_type, latest_version) VALUES (" +
                               std::to_string(folder) + ", '" + name + "', '" + name + "', 6, " +
                               std::to_string(versions.size()) + ") RETURNING id");
        for (size_t i = 0; i < versions.size(); ++i) {
            vaultdb::NewDocumentVersion version;
            version.documentId = id;
            version.version = static_cast<int32_t>(i + 1);
            version.modifiedUtc = versions[i].first;
            version.userId = alice_;
            EXPECT_EQ(
                vaultdb::StoreDocumentVersion(*db_, version, versions[i].second.data(), versions[i].second.size()),
                S_OK);
        }
        return id;
    }

    CComPtr<IOxnVault11> OpenVault(const std::u16string& user = u"alice",
                                   const std::u16string& password = u"pw-alice") {
        oxnvault::VaultObjectLogin login;
        login.databaseFile = databaseFile_;
        login.userName = user;
        login.password = password;
        login.viewGuid = kViewGuid;
        login.viewPath = winapi::ToUtf16(view_.string());
        login.computer = u"WS-7";
        CComPtr<IOxnVault11> vault;
        EXPECT_EQ(oxnvault::OpenVaultObject(login, &vault), S_OK);
        return vault;
    }

    CComPtr<IOxnBatchGet> NewGet(IOxnVault11& vault) {
        CComPtr<IDispatch> utility;
        EXPECT_EQ(vault.CreateUtility(kUtilityBatchGet, &utility), S_OK);
        CComQIPtr<IOxnBatchGet> get(utility.GetInterfacePtr());
        EXPECT_TRUE(get);
        return CComPtr<IOxnBatchGet>(get.GetInterfacePtr());
    }

    static HRESULT Select(IOxnVault11& vault, IOxnBatchGet& get, std::vector<OxnSelection> records) {
        OxnVaultLib::RegisterRecords();
        IRecordInfo* info = nullptr;
        EXPECT_EQ(GetRecordInfoFromGuids(LIBID_OxnVaultLib, 5, 23, 9, OxnSelection::kRecordGuid, &info), S_OK);
        SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, static_cast<ULONG>(records.size()), info);
        info->Release();
        OxnSelection* data = nullptr;
        SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
        for (size_t i = 0; i < records.size(); ++i) data[i] = records[i];
        SafeArrayUnaccessData(array);
        const HRESULT hr = get.AddSelection(&vault, array);
        SafeArrayDestroy(array);
        return hr;
    }

    std::u16string ViewPath(const std::string& relative) const {
        return winapi::ToUtf16(view_.string()) + u"\\" + winapi::ToUtf16(relative);
    }

    // The lock rows as "document:user:view:computer".
    std::vector<std::string> Locks() {
        std::unique_ptr<vaultdb::Statement> rows;
        EXPECT_EQ(
            db_->Prepare("SELECT document_id, user_id, view_guid, computer FROM locks ORDER BY document_id", rows),
            S_OK);
        std::vector<std::string> locks;
        while (rows->Step() == S_OK)
            locks.push_back(std::to_string(rows->ColumnInt32(0)) + ":" + std::to_string(rows->ColumnInt32(1)) + ":" +
                            winapi::ToUtf8(rows->ColumnText(2)) + ":" + winapi::ToUtf8(rows->ColumnText(3)));
        return locks;
    }

    std::string Lock(LONG document, LONG user) const {
        return std::to_string(document) + ":" + std::to_string(user) + ":" +
               winapi::ToUtf8(winapi::GuidToString(kViewGuid)) + ":WS-7";
    }

    fs::path root_;
    fs::path databaseFile_;
    fs::path view_;
    std::unique_ptr<vaultdb::Database> db_;
    LONG alice_ = 0;
    LONG bob_ = 0;
    LONG parts_ = 0;
    LONG bolts_ = 0;
    LONG plate_ = 0;
    LONG bolt_ = 0;
};

TEST_F(BatchGetTest, AFolderBringsEveryFileBelowItAtItsLatestVersionWithItsStoredTime) {
    CComPtr<IOxnVault11> vault = OpenVault();
    CComPtr<IOxnBatchGet> get = NewGet(*vault);
    ASSERT_EQ(Select(*vault, *get, {{0, parts_}}), S_OK);
    ASSERT_EQ(get->BuildTree(0, kTreeGetLatest), S_OK);
    LONG count = 0;
    ASSERT_EQ(get->GetFileCount(&count), S_OK);
    EXPECT_EQ(count, 2);

    ui_testing::ScriptedPrompter prompter;
    ui::ScopedPrompter scope(prompter);
    prompter.AnswerMessageBox(IDOK, [](const ui::MessageBoxQuestion& question) {
        EXPECT_NE(question.text.find(u"Get 2 files"), std::u16string::npos);
        EXPECT_NE(question.text.find(u"\\Parts\\Bolts\\bolt.prt"), std::u16string::npos);
    });
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(get->ShowDialog(0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);

    StoppingCallback callback(-1);
    ASSERT_EQ(get->Run(0, &callback), S_OK);
    EXPECT_EQ(callback.began_, 2);
    EXPECT_EQ(callback.steps_, (std::vector<LONG>{0, 1}));
    EXPECT_EQ(ReadText(view_ / "Parts/plate.prt"), "plate v2");
    EXPECT_EQ(ReadText(view_ / "Parts/Bolts/bolt.prt"), "bolt v1");
    EXPECT_EQ(FileSeconds(view_ / "Parts/plate.prt"), UnixSeconds(kTime2));
    EXPECT_EQ(FileSeconds(view_ / "Parts/Bolts/bolt.prt"), UnixSeconds(kTime1));
    EXPECT_EQ(ReadList(*get, kListDone), (std::vector<Entry>{{ViewPath("Parts\\plate.prt"), plate_, parts_},
                                                             {ViewPath("Parts\\Bolts\\bolt.prt"), bolt_, bolts_}}));
    EXPECT_TRUE(ReadList(*get, kListProblems).empty());
    EXPECT_TRUE(Locks().empty());
    EXPECT_EQ(get->Run(0, nullptr), E_UNEXPECTED) << "a batch runs once";
}

TEST_F(BatchGetTest, AFileVersionReplacesTheLocalCopyWithThatVersionAndItsTime) {
    fs::create_directories(view_ / "Parts");
    std::ofstream(view_ / "Parts/plate.prt") << "local edits";
    CComPtr<IOxnVault11> vault = OpenVault();
    CComPtr<IOxnBatchGet> get = NewGet(*vault);
    VARIANT version;
    VariantInit(&version);
    version.vt = VT_I4;
    version.lVal = 1;
    ASSERT_EQ(get->AddFileVersion(vault, plate_, parts_, version), S_OK);
    ASSERT_EQ(get->BuildTree(0, kTreeGetLatest), S_OK);
    ASSERT_EQ(get->Run(0, nullptr), S_OK);
    EXPECT_EQ(ReadText(view_ / "Parts/plate.prt"), "plate v1");
    EXPECT_EQ(FileSeconds(view_ / "Parts/plate.prt"), UnixSeconds(kTime1));
    // Nothing but the file itself is left in its folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(view_ / "Parts"), fs::directory_iterator()), 1);
}

TEST_F(BatchGetTest, CheckOutLocksForThisUserViewAndComputerAndRefusesAFileLockedByAnotherUser) {
    Run("INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path) VALUES (" + std::to_string(bolt_) +
        ", " + std::to_string(bob_) + ", '{00000000-0000-0000-0000-000000000001}', 'WS-9', 'x')");
    CComPtr<IOxnVault11> vault = OpenVault();
    CComPtr<IOxnBatchGet> get = NewGet(*vault);
    ASSERT_EQ(Select(*vault, *get, {{plate_, parts_}, {bolt_, bolts_}}), S_OK);
    ASSERT_EQ(get->BuildTree(0, kTreeCheckOut), S_OK);
    StoppingCallback callback(-1);
    ASSERT_EQ(get->Run(0, &callback), S_OK);

    EXPECT_EQ(ReadText(view_ / "Parts/plate.prt"), "plate v2");
    EXPECT_FALSE(fs::exists(view_ / "Parts/Bolts/bolt.prt")) << "a refused file is not taken";
    const std::string bobsLock =
        std::to_string(bolt_) + ":" + std::to_string(bob_) + ":{00000000-0000-0000-0000-000000000001}:WS-9";
    EXPECT_EQ(Locks(), (std::vector<std::string>{Lock(plate_, alice_), bobsLock}));
    EXPECT_EQ(ReadList(*get, kListDone), (std::vector<Entry>{{ViewPath("Parts\\plate.prt"), plate_, parts_}}));
    EXPECT_EQ(ReadList(*get, kListProblems), (std::vector<Entry>{{ViewPath("Parts\\Bolts\\bolt.prt"), bolt_, bolts_}}));
    EXPECT_EQ(callback.messages_, (std::vector<std::pair<LONG, HRESULT>>{{bolt_, E_OXN_LOCKED_BY_ANOTHER_USER}}));

    // A later get latest keeps the checked-out copy: it is done, with a notice.
    std::ofstream(view_ / "Parts/plate.prt") << "work in progress";
    CComPtr<IOxnBatchGet> again = NewGet(*vault);
    ASSERT_EQ(Select(*vault, *again, {{plate_, parts_}}), S_OK);
    ASSERT_EQ(again->BuildTree(0, kTreeGetLatest), S_OK);
    ASSERT_EQ(again->Run(0, nullptr), S_OK);
    EXPECT_EQ(ReadText(view_ / "Parts/plate.prt"), "work in progress");
    EXPECT_EQ(ReadList(*again, kListDone).size(), 1u);
    EXPECT_EQ(ReadList(*again, kListProblems).size(), 1u);
}

TEST_F(BatchGetTest, ACancelledCheckOutStopsBetweenFilesLeavingEachGotAndLockedOrUntouched) {
    CComPtr<IOxnVault11> vault = OpenVault();
    CComPtr<IOxnBatchGet> get = NewGet(*vault);
    ASSERT_EQ(Select(*vault, *get, {{0, parts_}}), S_OK);
    ASSERT_EQ(get->BuildTree(0, kTreeCheckOut), S_OK);
    StoppingCallback callback(1);
    EXPECT_EQ(get->Run(0, &callback), E_OXN_CANCELLED_BY_USER);

    EXPECT_EQ(ReadText(view_ / "Parts/plate.prt"), "plate v2");
    EXPECT_FALSE(fs::exists(view_ / "Parts/Bolts/bolt.prt"));
    EXPECT_EQ(Locks(), (std::vector<std::string>{Lock(plate_, alice_)}));
    EXPECT_EQ(ReadList(*get, kListDone).size(), 1u);
    // No temporary file is left anywhere in the view.
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(view_)) files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(BatchGetTest, TheRefreshOfLocalFilesTakesEveryFileWithALocalCopyAndNoOther) {
    fs::create_directories(view_ / "Parts");
    std::ofstream(view_ / "Parts/plate.prt") << "stale";
    CComPtr<IOxnVault11> vault = OpenVault();
    CComPtr<IOxnBatchGet> get = NewGet(*vault);
    ASSERT_EQ(get->BuildTree(0, kTreeRefreshLocal), S_OK);
    LONG count = 0;
    ASSERT_EQ(get->GetFileCount(&count), S_OK);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(get->Run(0, nullptr), S_OK);
    EXPECT_EQ(ReadText(view_ / "Parts/plate.prt"), "plate v2");
    EXPECT_FALSE(fs::exists(view_ / "Parts/Bolts/bolt.prt"));
}

TEST_F(BatchGetTest, TheDialogsCancelAndTheVaultsRefusalsAreAnswered) {
    CComPtr<IOxnVault11> vault = OpenVault();
    CComPtr<IOxnBatchGet> get = NewGet(*vault);
    ASSERT_EQ(Select(*vault, *get, {{plate_, parts_}}), S_OK);
    ASSERT_EQ(get->BuildTree(0, kTreeCheckOut), S_OK);
    ui_testing::ScriptedPrompter prompter;
    ui::ScopedPrompter scope(prompter);
    prompter.AnswerMessageBox(IDCANCEL, [](const ui::MessageBoxQuestion& question) {
        EXPECT_EQ(question.caption, u"Check Out");
        EXPECT_NE(question.text.find(u"Check out 1 file"), std::u16string::npos);
    });
    VARIANT_BOOL ok = VARIANT_TRUE;
    ASSERT_EQ(get->ShowDialog(0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);

    EXPECT_EQ(get->BuildTree(0, 0x1234), E_INVALIDARG);
    CComPtr<IDispatch> utility;
    EXPECT_EQ(vault->CreateUtility(99, &utility), E_INVALIDARG);
    EXPECT_EQ(vault->Reserved20(), E_UNEXPECTED);

    oxnvault::VaultObjectLogin login;
    login.databaseFile = databaseFile_;
    login.userName = u"alice";
    login.password = u"wrong";
    CComPtr<IOxnVault11> refused;
    EXPECT_EQ(oxnvault::OpenVaultObject(login, &refused), E_OXN_LOGIN_FAILED);
    EXPECT_FALSE(refused);
}

TEST_F(BatchGetTest, AnItemBringsTheFilesItLinksToAndACheckOutLocksOnlyTheItem) {
    const LONG item = Insert("INSERT INTO documents (folder_id, name, name_key, doc_type, latest_version) VALUES (" +
                             std::to_string(parts_) + ", 'ITM-1.<item>', 'itm-1.<item>', 4, 1) RETURNING id");
    Run("INSERT INTO document_versions (document_id, version, modified_utc, user_id) VALUES (" + std::to_string(item) +
        ", 1, 46000, " + std::to_string(alice_) + ")");
    Run("INSERT INTO links (parent_id, child_type, child_id, link_type, attached_version) VALUES (" +
        std::to_string(item) + ", 6, " + std::to_string(bolt_) + ", 1, 1)");
    CComPtr<IOxnVault11> vault = OpenVault();
    CComPtr<IOxnBatchGet> get = NewGet(*vault);
    ASSERT_EQ(Select(*vault, *get, {{item, parts_}}), S_OK);
    ASSERT_EQ(get->BuildTree(0, kTreeCheckOut), S_OK);
    LONG count = 0;
    ASSERT_EQ(get->GetFileCount(&count), S_OK);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(get->Run(0, nullptr), S_OK);
    EXPECT_EQ(ReadText(view_ / "Parts/Bolts/bolt.prt"), "bolt v1");
    EXPECT_FALSE(fs::exists(view_ / "Parts/ITM-1.<item>")) << "the item's version has no file of its own";
    EXPECT_EQ(Locks(), (std::vector<std::string>{Lock(item, alice_)}));
    EXPECT_EQ(ReadList(*get, kListDone).size(), 2u);
}

TEST_F(BatchGetTest, ACopyThatCannotBePlacedTakesNoLockAndLeavesTheLocalFileAsItWas) {
    fs::create_directories(view_ / "Parts");
    std::ofstream(view_ / "Parts/plate.prt") << "old copy";
    CComPtr<IOxnVault11> vault = OpenVault();
    CComPtr<IOxnBatchGet> get = NewGet(*vault);
    ASSERT_EQ(Select(*vault, *get, {{plate_, parts_}}), S_OK);
    ASSERT_EQ(get->BuildTree(0, kTreeCheckOut), S_OK);
    StoppingCallback callback(-1);
    winapi::SetSaveFaultHook([](winapi::SaveStep step) { return step == winapi::SaveStep::kRename ? ENOSPC : 0; });
    const HRESULT hr = get->Run(0, &callback);
    winapi::SetSaveFaultHook(nullptr);
    ASSERT_EQ(hr, S_OK);

    EXPECT_EQ(ReadText(view_ / "Parts/plate.prt"), "old copy");
    EXPECT_TRUE(Locks().empty());
    EXPECT_TRUE(ReadList(*get, kListDone).empty());
    EXPECT_EQ(ReadList(*get, kListProblems).size(), 1u);
    EXPECT_EQ(callback.messages_,
              (std::vector<std::pair<LONG, HRESULT>>{{plate_, HRESULT_FROM_WIN32(ERROR_DISK_FULL)}}));
    EXPECT_EQ(std::distance(fs::directory_iterator(view_ / "Parts"), fs::directory_iterator()), 1);
}

TEST_F(BatchGetTest, APlainGetWhoseContentsCannotBeFlushedPlacesNoneOfThem) {
    fs::create_directories(view_ / "Parts");
    std::ofstream(view_ / "Parts/plate.prt") << "old copy";
    CComPtr<IOxnVault11> vault = OpenVault();
    CComPtr<IOxnBatchGet> get = NewGet(*vault);
    ASSERT_EQ(Select(*vault, *get, {{0, parts_}}), S_OK);
    ASSERT_EQ(get->BuildTree(0, kTreeGetLatest), S_OK);
    StoppingCallback callback(-1);
    // The copies of a plain get are flushed together, before any is placed.
    winapi::SetSaveFaultHook([](winapi::SaveStep step) { return step == winapi::SaveStep::kFlushData ? EIO : 0; });
    const HRESULT hr = get->Run(0, &callback);
    winapi::SetSaveFaultHook(nullptr);
    ASSERT_EQ(hr, S_OK);

    EXPECT_EQ(ReadText(view_ / "Parts/plate.prt"), "old copy");
    EXPECT_FALSE(fs::exists(view_ / "Parts/Bolts/bolt.prt"));
    EXPECT_TRUE(ReadList(*get, kListDone).empty());
    EXPECT_EQ(ReadList(*get, kListProblems).size(), 2u);
    EXPECT_EQ(callback.messages_.size(), 2u);
    // No temporary file is left beside the targets.
    EXPECT_EQ(std::distance(fs::directory_iterator(view_ / "Parts"), fs::directory_iterator()), 2);  // plate, Bolts
    EXPECT_EQ(std::distance(fs::directory_iterator(view_ / "Parts/Bolts"), fs::directory_iterator()), 0);
}

TEST_F(BatchGetTest, AFileVersionWithoutContentsIsAProblemAndTheOtherFilesAreStillGot) {
    const LONG empty = Insert("INSERT INTO documents (folder_id, name, name_key, doc_type, latest_version) VALUES (" +
                              std::to_string(parts_) + ", 'empty.prt', 'empty.prt', 6, 1) RETURNING id");
    Run("INSERT INTO document_versions (document_id, version, modified_utc, user_id) VALUES (" + std::to_string(empty) +
        ", 1, 46000, " + std::to_string(alice_) + ")");
    CComPtr<IOxnVault11> vault = OpenVault();
    CComPtr<IOxnBatchGet> get = NewGet(*vault);
    ASSERT_EQ(Select(*vault, *get, {{empty, parts_}, {plate_, parts_}}), S_OK);
    ASSERT_EQ(get->BuildTree(0, kTreeGetLatest), S_OK);
    StoppingCallback callback(-1);
    ASSERT_EQ(get->Run(0, &callback), S_OK);
    EXPECT_FALSE(fs::exists(view_ / "Parts/empty.prt"));
    EXPECT_EQ(ReadText(view_ / "Parts/plate.prt"), "plate v2");
    EXPECT_EQ(callback.messages_, (std::vector<std::pair<LONG, HRESULT>>{{empty, E_OXN_FILE_NOT_FOUND}}));
    EXPECT_EQ(ReadList(*get, kListProblems), (std::vector<Entry>{{ViewPath("Parts\\empty.prt"), empty, parts_}}));
}

}  // namespace
