// The unlock component as its callers meet it: the component, the client
// library and its item operations registered on a fresh machine, the client
// library logged in to the stored-procedure layer's seeded vault as Alice
// (the view "C:\Views\Demo\"), and the caller's side of a run - a callback
// that records the progress it is told and answers the questions from a
// script.
#pragma once

#include "item_operations_fixture.h"

#include "brevanne/ids.h"
#include "brevanne/interfaces.h"
#include "brevanne/records.h"
#include "com/ccom_bstr.h"
#include "com/com_ptr.h"
#include "com/runnable.h"
#include "com_testing/fake_parts.h"
#include "com_testing/pending_error_info.h"
#include "com_testing/register_server.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "vaultdb/archive.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace brevanne_test {

using com_testing::FakeReferenceCount;

// Records what a run tells it and answers each question with the next
// reply of `replies` (a question without one fails the test and is
// answered kReplyCancel). `cancelAtFile` (1 for the first) makes that
// NextFile answer E_OXN_CANCELLED_BY_USER, as a progress window's Cancel
// does.
class ScriptedCallback : public BrevanneLib::IUnlockOpCallback {
public:
    struct Asked {
        LONG kind = 0;
        std::u16string path;
        bool hasDetail = false;
        LONG detailKind = 0;
        std::u16string first;
        std::u16string second;
    };
    std::vector<LONG> starts;  // the totals
    std::vector<std::u16string> files;
    int steps = 0;
    std::vector<std::vector<LONG>> resets;
    std::vector<Asked> questions;
    std::deque<LONG> replies;
    size_t cancelAtFile = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return com_testing::AnswerQuery(
            object, iid == IID_IUnknown || iid == BrevanneLib::IUnlockOpCallback::kIid ? this : nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(); }

    HRESULT STDMETHODCALLTYPE Start(LONG lReserved, LONG lTotal) override {
        EXPECT_EQ(lReserved, 0);
        starts.push_back(lTotal);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NextFile(BSTR bsPath) override {
        files.emplace_back(com::BstrView(bsPath));
        return files.size() == cancelAtFile ? E_OXN_CANCELLED_BY_USER : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Step() override {
        ++steps;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset(LONG lChanged, LONG lLeft, LONG lTotal) override {
        resets.push_back({lChanged, lLeft, lTotal});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Question(LONG lKind, LONG, LONG, BSTR bsPath, BrevanneLib::UnlockQuestionDetail* poDetail,
                                       LONG* plReply) override {
        Asked asked;
        asked.kind = lKind;
        asked.path = com::BstrView(bsPath);
        if (poDetail) {
            asked.hasDetail = true;
            asked.detailKind = poDetail->kind;
            asked.first = poDetail->first ? poDetail->first : u"";
            asked.second = poDetail->second ? poDetail->second : u"";
        }
        questions.push_back(std::move(asked));
        if (replies.empty()) {
            *plReply = BrevanneLib::kReplyCancel;
            return com_testing::UnexpectedCall("Question");
        }
        *plReply = replies.front();
        replies.pop_front();
        return S_OK;
    }

private:
    FakeReferenceCount refs_{FakeReferenceCount::Lifetime::kOwnedByTest};
};

class UnlockTest : public itemops_test::ItemOperationsTest {
protected:
    static constexpr char16_t kComment[] = u"Holes moved";

    void SetUp() override {
        ItemOperationsTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"Brevanne.dll"), S_OK);
    }

    // A new unlock command, created as its callers create it.
    static com::ComPtr<BrevanneLib::IUnlockCommand> CreateCommand() {
        com::ComPtr<IUnknown> unknown;
        EXPECT_EQ(CoCreateInstance(BrevanneLib::CLSID_UnlockCommand, nullptr, 23, IID_IUnknown,
                                   reinterpret_cast<void**>(&unknown)),
                  S_OK);
        com::ComPtr<BrevanneLib::IUnlockCommand> command;
        if (unknown) {
            EXPECT_EQ(OleRun(unknown), S_OK);
            EXPECT_EQ(unknown->QueryInterface(IID_PPV_ARGS(&command)), S_OK);
        }
        return command;
    }

    // Alice's start record in the test's view (the caller keeps the string).
    BrevanneLib::UnlockStartRecord AliceStart(BSTR viewPath) const {
        BrevanneLib::UnlockStartRecord record{};
        record.vaultGuid = vaultGuid_;
        record.viewPath = viewPath;
        record.userId = vault_.alice;
        record.viewGuid = kViewGuid;
        record.systemRights = tavrosk_test::kAliceRights;
        record.dateFormat = 3;
        return record;
    }

    // An array of file records {file id, folder id, ""}.
    static SAFEARRAY* FileRecords(const std::vector<std::pair<LONG, LONG>>& objects) {
        RecordArray<BrevanneLib::UnlockFileRecord> records;
        records.mvCreate(static_cast<ULONG>(objects.size()), BrevanneLib::LIBID_BrevanneLib,
                         BrevanneLib::kLibraryMajorVersion, BrevanneLib::kLibraryMinorVersion);
        BrevanneLib::UnlockFileRecord* record = records.mpoBegin();
        for (const auto& [fileId, folderId] : objects) {
            record->fileId = fileId;
            record->folderId = folderId;
            record->name = SysAllocString(u"");
            ++record;
        }
        SAFEARRAY* array = nullptr;
        records.mvHandOut(&array);
        return array;
    }

    // Starts a new command as Alice on `db` (the client library by default)
    // over `objects`, sets `command` and the comment and runs it with
    // `callback`: the run's result; the description of a failure is taken
    // into runError_.
    HRESULT RunCommand(LONG command, const std::vector<std::pair<LONG, LONG>>& objects,
                       BrevanneLib::IUnlockOpCallback* callback, IUnknown* db = nullptr) {
        com::ComPtr<BrevanneLib::IUnlockCommand> unlock = CreateCommand();
        if (!unlock) return E_FAIL;
        com::ComPtr<BrevanneLib::IUnlockStart> start;
        EXPECT_EQ(unlock->QueryInterface(IID_PPV_ARGS(&start)), S_OK);
        com::ComPtr<BrevanneLib::IUnlockOpDb> provider;
        EXPECT_EQ((db ? db : client_.GetInterfacePtr())->QueryInterface(IID_PPV_ARGS(&provider)), S_OK);
        CComBSTR viewPath(u"C:\\Views\\Demo");
        BrevanneLib::UnlockStartRecord record = AliceStart(viewPath);
        SAFEARRAY* files = FileRecords(objects);
        const HRESULT started = start->Start(provider.GetInterfacePtr(), &record, files);
        SafeArrayDestroy(files);
        runError_.clear();
        if (FAILED(started)) {
            runError_ = com_testing::TakePendingDescription();
            return started;
        }
        EXPECT_EQ(unlock->SetCommand(command, 0), S_OK);
        CComBSTR comment(kComment);
        EXPECT_EQ(unlock->SetText(comment), S_OK);
        const HRESULT hr = unlock->Run(callback, nullptr);
        if (FAILED(hr)) runError_ = com_testing::TakePendingDescription();
        return hr;
    }

    // The view path of a vault path ("\Cad\a.x").
    static std::u16string ViewPath(const std::u16string& vaultPath) { return u"C:\\Views\\Demo" + vaultPath; }

    LONG LatestVersion(LONG document) {
        return LONG(Scalar("SELECT latest_version FROM documents WHERE id = ?", {document}));
    }
    LONG LockHolder(LONG document) {
        return LONG(Scalar("SELECT COALESCE(MAX(user_id), 0) FROM locks WHERE document_id = ?", {document}));
    }
    LONG History(LONG action, LONG document) {
        return LONG(Scalar("SELECT COUNT(*) FROM history WHERE action = ? AND object_id = ?", {action, document}));
    }
    std::string Stored(LONG document, LONG version) {
        std::vector<uint8_t> data;
        EXPECT_EQ(vaultdb::ReadDocumentVersion(*vault_.db, document, version, data), S_OK);
        return std::string(data.begin(), data.end());
    }

    std::u16string runError_;  // the description of the last RunCommand's failure
};

}  // namespace brevanne_test
