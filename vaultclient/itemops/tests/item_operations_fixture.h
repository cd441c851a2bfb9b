// The item operations as the item server meets them: this server and the
// client library registered on a fresh machine, the client library logged
// in to the stored-procedure layer's seeded vault as Alice (the view
// "C:\Views\Demo\"), and the item server's side of an outside operation
// faked - the IVaultUtils that hands out the client library's object with
// the test's objects, the callback object that records what it is told and
// answers the replace questions, and the object that takes the result.
#pragma once

#include "client_fixture.h"

#include "bellquist/ids.h"
#include "bellquist/manager_interfaces.h"
#include "bellquist/operation_interfaces.h"
#include "bellquist/records.h"
#include "bellquist/type_library.h"
#include "com/ccom_bstr.h"
#include "com/com_ptr.h"
#include "com/safearray.h"
#include "com_testing/fake_parts.h"
#include "common/record_array.h"
#include "itemops/ids.h"
#include "tavrosk/feedback_interfaces.h"
#include "vaultdb/archive.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace itemops_test {

using com_testing::FakeReferenceCount;

// One object of an operation, as IVaultUtils::GetNextVault names it.
struct Root {
    BellquistLib::ObjectType type;
    LONG documentId;
    LONG projectId;
};

// Hands out each vault of `vaults` once, in order, then no more.
class FakeVaultUtils : public BellquistLib::IVaultUtils {
public:
    struct Vault {
        IUnknown* connection = nullptr;  // not owned
        LONG userId = 0;
        GUID viewGuid{};
        std::u16string viewPath;
        std::vector<Root> roots;
    };
    std::vector<Vault> vaults;
    size_t handedOut = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return com_testing::AnswerQuery(object,
                                        iid == IID_IUnknown || iid == BellquistLib::IVaultUtils::kIid ? this : nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(); }

    HRESULT STDMETHODCALLTYPE Init(SAFEARRAY*) override { return com_testing::UnexpectedCall("Init"); }
    HRESULT STDMETHODCALLTYPE GetNextVault(BellquistLib::ItmVaultInfo* info, SAFEARRAY** items,
                                           VARIANT_BOOL* more) override {
        *info = {};
        *items = nullptr;
        *more = VARIANT_FALSE;
        if (handedOut == vaults.size()) return S_OK;
        const Vault& vault = vaults[handedOut++];
        if (vault.connection) vault.connection->AddRef();
        info->mpoConnectionPtr = vault.connection;
        info->mlUserID = vault.userId;
        info->moViewGUID = vault.viewGuid;
        info->moViewPath = SysAllocString(vault.viewPath.c_str());
        RecordArray<BellquistLib::XRefRootObject> roots;
        roots.mvCreate(static_cast<ULONG>(vault.roots.size()), BellquistLib::LIBID_BellquistLib, 1, 0);
        BellquistLib::XRefRootObject* record = roots.mpoBegin();
        for (const Root& root : vault.roots) {
            record->meType = root.type;
            record->mlDocumentID = root.documentId;
            record->mlProjectID = root.projectId;
            ++record;
        }
        roots.mvHandOut(items);
        *more = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVaultCount(LONG* count) override {
        *count = static_cast<LONG>(vaults.size());
        return S_OK;
    }

private:
    FakeReferenceCount refs_{FakeReferenceCount::Lifetime::kOwnedByTest};
};

// Records SetProcess and ShowMessage; answers ConfirmReplace from `answers`
// (each an HRESULT and the replace flag) and fails the test for a question
// it has no answer for.
class FakeCallback : public BellquistLib::IItmCallBack,
                     public TavroskClientLib::IConfirmReplace,
                     public TavroskClientLib::ITavroskFeedback {
public:
    struct Processed {
        BellquistLib::ItmObjectType type;
        LONG id;
        std::u16string name;
        bool processed;
    };
    struct Answer {
        HRESULT hr;
        VARIANT_BOOL replace;
    };
    std::vector<Processed> processed;
    std::deque<Answer> answers;
    std::vector<std::u16string> asked;     // the paths asked about
    std::vector<std::u16string> messages;  // text, a line break, detail

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == BellquistLib::IItmCallBack::kIid)
            answer = static_cast<BellquistLib::IItmCallBack*>(this);
        else if (iid == TavroskClientLib::IConfirmReplace::kIid)
            answer = static_cast<TavroskClientLib::IConfirmReplace*>(this);
        else if (iid == TavroskClientLib::ITavroskFeedback::kIid || iid == IID_IDispatch)
            answer = static_cast<TavroskClientLib::ITavroskFeedback*>(this);
        return com_testing::AnswerQuery(object, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(); }

    HRESULT STDMETHODCALLTYPE SetProcess(BellquistLib::ItmDbInfo* info, VARIANT_BOOL done) override {
        processed.push_back({info->meItemType, info->mlDocumentID, std::u16string(com::BstrView(info->moItemName)),
                             done != VARIANT_FALSE});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConfirmReplace(BSTR path, VARIANT_BOOL* replace) override {
        asked.emplace_back(com::BstrView(path));
        if (answers.empty()) return com_testing::UnexpectedCall("ConfirmReplace");
        const Answer answer = answers.front();
        answers.pop_front();
        if (answer.hr == S_OK) *replace = answer.replace;
        return answer.hr;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ProgressNotice7() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ProgressNotice8() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ProgressNotice9() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ProgressNotice10() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ProgressNotice11() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShowMessage(BSTR text, VARIANT* detail, ULONG, LONG, LONG, ULONG* answer) override {
        std::u16string message(com::BstrView(text));
        if (detail && detail->vt == VT_BSTR) message += u"\n" + std::u16string(com::BstrView(detail->bstrVal));
        messages.push_back(std::move(message));
        *answer = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ProgressNotice13() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ProgressNotice14() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE HandOffDialog(TavroskClientLib::ITavroskDialog*, VARIANT) override {
        return com_testing::UnexpectedCall("HandOffDialog");
    }

private:
    FakeReferenceCount refs_{FakeReferenceCount::Lifetime::kOwnedByTest};
};

// Records the results it is given.
class FakeResult : public BellquistLib::IItmOperationPropertyResult {
public:
    std::vector<std::pair<LONG, LONG>> results;  // property, VT_I4 value

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return com_testing::AnswerQuery(object, iid == IID_IUnknown || iid == IID_IDispatch ||
                                                        iid == BellquistLib::IItmOperationPropertyResult::kIid
                                                    ? this
                                                    : nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetResult(LONG property, VARIANT* value) override {
        EXPECT_EQ(value->vt, VT_I4);
        results.emplace_back(property, value->lVal);
        return S_OK;
    }

private:
    FakeReferenceCount refs_{FakeReferenceCount::Lifetime::kOwnedByTest};
};

// A VARIANT holding a number, or nothing.
inline VARIANT Number(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}
inline VARIANT Nothing() {
    VARIANT v;
    VariantInit(&v);
    return v;
}

class ItemOperationsTest : public tavrosk_test::ClientTest {
protected:
    static constexpr char16_t kViewPath[] = u"C:\\Views\\Demo\\";

    void SetUp() override {
        ClientTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"ItemOperations.dll"), S_OK);
        BellquistLib::RegisterRecords();  // the item server's arrays of XRefRootObject
        client_ = CreateClient();
        tavrosk_test::LoginStrings strings;
        TavroskClientLib::LoginRecord login = AliceLogin(strings);
        ASSERT_EQ(Services(client_)->Login(&login), S_OK);
    }
    void TearDown() override {
        client_ = nullptr;
        CoFreeUnusedLibraries();
        ClientTest::TearDown();
    }

    // A vault of the fake utils: the test's client library as Alice in the
    // test's view, with `roots`.
    FakeVaultUtils::Vault AliceVault(std::vector<Root> roots) {
        FakeVaultUtils::Vault vault;
        vault.connection = client_;
        vault.userId = vault_.alice;
        vault.viewGuid = kViewGuid;
        vault.viewPath = kViewPath;
        vault.roots = std::move(roots);
        return vault;
    }

    // A file in `folder` with one version per text of `contents` (archived),
    // versions 1, 2, ... stored at 46100.5, 46101.5, ...
    LONG AddFileWithContents(LONG folder, const std::u16string& name, const std::vector<std::string>& contents) {
        vaultdb::Database& db = *vault_.db;
        const LONG id = static_cast<LONG>(vennacle_test::Sql(
            db,
            "INSERT INTO documents (folder_id, name, name_key, doc_type, latest_version) VALUES (?, ?, ?, 6, ?)"
            " RETURNING id",
            {folder, name, vaultdb::FoldKey(name), static_cast<int32_t>(contents.size())}));
        vaultdb::Transaction transaction(db);
        EXPECT_EQ(transaction.Begin(), S_OK);
        for (size_t i = 0; i < contents.size(); ++i) {
            vaultdb::NewDocumentVersion version;
            version.documentId = id;
            version.version = static_cast<int32_t>(i + 1);
            version.modifiedUtc = 46100.5 + static_cast<double>(i);
            version.userId = vault_.alice;
            EXPECT_EQ(vaultdb::StoreDocumentVersion(db, version, contents[i].data(), contents[i].size()), S_OK);
        }
        EXPECT_EQ(transaction.Commit(), S_OK);
        return id;
    }
    // An item "<name>.<item>" in `folder` at version `versions` (each with a
    // version row), with the revision `revision` on its item data and its
    // latest version.
    LONG AddItem(LONG folder, const std::u16string& name, int32_t versions = 1, const std::u16string& revision = u"") {
        vaultdb::Database& db = *vault_.db;
        const std::u16string fileName = name + u".<item>";
        const LONG id = static_cast<LONG>(vennacle_test::Sql(
            db,
            "INSERT INTO documents (folder_id, name, name_key, doc_type, latest_version) VALUES (?, ?, ?, 4, ?)"
            " RETURNING id",
            {folder, fileName, vaultdb::FoldKey(fileName), versions}));
        for (int32_t v = 1; v <= versions; ++v)
            vennacle_test::Sql(db,
                               "INSERT INTO document_versions (document_id, version, modified_utc, user_id, revision)"
                               " VALUES (?, ?, 46020.25, ?, ?)",
                               {id, v, vault_.alice, v == versions ? revision : std::u16string()});
        vennacle_test::Sql(db, "INSERT INTO items (document_id, item_number, item_name, revision) VALUES (?, ?, ?, ?)",
                           {id, name, name, revision});
        return id;
    }
    void Link(LONG item, LONG childType, LONG child, LONG linkType = vaultdb::kLinkStatic) {
        vennacle_test::Sql(*vault_.db,
                           "INSERT INTO links (parent_id, child_type, child_id, link_type, attached_version)"
                           " VALUES (?, ?, ?, ?, 1)",
                           {item, childType, child, linkType});
    }
    // Checks the document out to `user` in `view` ("{...}").
    void Lock(LONG document, LONG user, const std::u16string& view = u"{5D1C0B2A-3E4F-4A5B-8C6D-7E8F90A1B2C3}") {
        vennacle_test::Sql(*vault_.db,
                           "INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path) VALUES (?, ?, "
                           "?, 'PC', 'C:\\Views\\Demo\\x')",
                           {document, user, view});
    }
    int64_t Scalar(const std::string& sql, std::initializer_list<vennacle_test::SqlValue> values = {}) {
        return vennacle_test::Sql(*vault_.db, sql, values);
    }

    // The local file of the view at the vault path `vaultPath` ("\Cad\a.x").
    static std::filesystem::path LocalFile(const std::u16string& vaultPath) {
        return winapi::ToPosixPath(u"C:\\Views\\Demo" + vaultPath);
    }
    static std::string Contents(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const std::filesystem::path& file, const std::string& text) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }

    // A new outside operation of `clsid`, created as the item server creates it.
    static com::ComPtr<BellquistLib::IItmOperation> CreateOperation(REFCLSID clsid) {
        com::ComPtr<BellquistLib::IItmOperation> operation;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, 23, BellquistLib::IItmOperation::kIid,
                                   reinterpret_cast<void**>(&operation)),
                  S_OK);
        return operation;
    }

    com::ComPtr<TavroskClientLib::ITavroskClient> client_;
};

// The records of an array an operation handed out, destroyed at the end of
// the scope (a null array has none).
template <class T>
class HandedOut {
public:
    explicit HandedOut(SAFEARRAY* array) : array_(array) {
        if (array_) records_.emplace(array_);
    }
    ~HandedOut() {
        records_.reset();
        if (array_) {
            EXPECT_EQ(SafeArrayDestroy(array_), S_OK);
        }
    }
    HandedOut(const HandedOut&) = delete;
    HandedOut& operator=(const HandedOut&) = delete;

    bool IsNull() const { return array_ == nullptr; }
    LONG size() { return records_ ? records_->mlGetCount() : 0; }
    T& operator[](LONG i) { return records_->mpoBegin()[i]; }

private:
    SAFEARRAY* array_;
    std::optional<RecordArray<T>> records_;
};

}  // namespace itemops_test
