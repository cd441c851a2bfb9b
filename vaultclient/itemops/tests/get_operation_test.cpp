// The outside get operation over the seeded vault: what it copies into the
// view folder, what it asks, reports and hands back for the refresh.
#include "item_operations_fixture.h"

#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"

#include <sys/stat.h>

#include <cmath>

namespace itemops_test {
namespace {

using BellquistLib::ItmObjectData;

class GetOperationTest : public ItemOperationsTest {
protected:
    void SetUp() override {
        ItemOperationsTest::SetUp();
        if (HasFatalFailure()) return;
        drawing_ = AddFileWithContents(vault_.cadFolder, u"frame.drw", {"frame 1", "frame 2", "frame 3"});
        model_ = AddFileWithContents(vault_.cadFolder, u"frame.mdl", {"model 1", "model 2"});
        frame_ = AddItem(vault_.partsFolder, u"Frame", 2);
        Link(frame_, vaultdb::kObjectFile, drawing_, vaultdb::kLinkDynamic);
        Link(frame_, vaultdb::kObjectFile, model_);
    }

    struct Outcome {
        HRESULT start = E_FAIL;
        LONG lockRecords = -1;
        std::vector<ItmObjectData> got;  // the get list's identities (no strings)
        std::vector<std::u16string> gotNames;
    };
    // Inits the operation on `roots` with `param` and starts it with `version`.
    Outcome Start(BellquistLib::IItmOperation* operation, std::vector<Root> roots, VARIANT version,
                  VARIANT param = Nothing()) {
        utils_.vaults.push_back(AliceVault(std::move(roots)));
        EXPECT_EQ(operation->ItmInitOperation(&utils_, &callback_, param), S_OK);
        Outcome outcome;
        SAFEARRAY* lock = nullptr;
        SAFEARRAY* get = nullptr;
        outcome.start = operation->ItmStartOperation(version, &lock, &get);
        HandedOut<ItmObjectData> lockList(lock), getList(get);
        outcome.lockRecords = lockList.IsNull() ? -1 : lockList.size();
        for (LONG i = 0; i < getList.size(); ++i) {
            ItmObjectData record = getList[i];
            outcome.gotNames.emplace_back(com::BstrView(record.moFilename));
            record.moFilename = record.moPath = nullptr;
            outcome.got.push_back(record);
        }
        return outcome;
    }
    // The end step's parameter: the result object.
    VARIANT ResultParam() {
        VARIANT result;
        VariantInit(&result);
        result.vt = VT_DISPATCH;
        result.pdispVal = &result_;
        return result;
    }

    LONG drawing_ = 0, model_ = 0, frame_ = 0;
    FakeVaultUtils utils_;
    FakeCallback callback_;
    FakeResult result_;
};

// The version asked is got of every file the item links to, with its stored
// time; the get list names the item at that version; the end tells which
// versions were got.
TEST_F(GetOperationTest, GetsTheAskedVersionOfEachLinkedFileAndHandsBackTheItemToRefresh) {
    struct Case {
        VARIANT version;
        const char* drawing;
        const char* model;
        LONG listedVersion;
        LONG result;
    } const cases[] = {
        {Nothing(), "frame 3", "model 2", 2, ItemOperationsLib::kGotLatest},
        {Number(-1), "frame 3", "model 2", 2, ItemOperationsLib::kGotLatest},
        {Number(1), "frame 1", "model 1", 1, ItemOperationsLib::kGotAskedVersion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drawing);
        utils_.vaults.clear();
        utils_.handedOut = 0;
        callback_.processed.clear();
        result_.results.clear();
        com::ComPtr<BellquistLib::IItmOperation> operation = CreateOperation(ItemOperationsLib::CLSID_ItmGetOperation);
        const Outcome outcome = Start(operation, {{BellquistLib::Ot_Item, frame_, vault_.partsFolder}}, c.version);
        ASSERT_EQ(outcome.start, S_OK);
        EXPECT_EQ(Contents(LocalFile(u"\\Cad\\frame.drw")), c.drawing);
        EXPECT_EQ(Contents(LocalFile(u"\\Cad\\frame.mdl")), c.model);
        EXPECT_EQ(outcome.lockRecords, 0);
        ASSERT_EQ(outcome.got.size(), 1u);
        const ItmObjectData& item = outcome.got[0];
        EXPECT_EQ(item.meObjectType, BellquistLib::ItmObjectType_Item);
        EXPECT_EQ(item.mlObjectID, frame_);
        EXPECT_EQ(item.meParentDocType, BellquistLib::ItmObjectType_ItemFolder);
        EXPECT_EQ(item.mlParentObjectID, vault_.partsFolder);
        EXPECT_EQ(item.mlAttachedVersion, c.listedVersion);
        EXPECT_EQ(item.mlConfigID, -1);
        EXPECT_EQ(outcome.gotNames[0], u"Frame.<item>");
        ASSERT_EQ(callback_.processed.size(), 1u);
        EXPECT_EQ(callback_.processed[0].id, frame_);
        EXPECT_EQ(callback_.processed[0].name, u"Frame.<item>");
        EXPECT_TRUE(callback_.processed[0].processed);
        EXPECT_TRUE(callback_.messages.empty());

        EXPECT_EQ(operation->ItmEndOperation(ResultParam()), S_OK);
        ASSERT_EQ(result_.results.size(), 1u);
        EXPECT_EQ(result_.results[0], std::make_pair(ItemOperationsLib::kGetResultProperty, c.result));
    }
    // The copy carries the version's stored time (46100.5: version 1), so the
    // local version rule finds it.
    struct stat status {};
    ASSERT_EQ(::stat(LocalFile(u"\\Cad\\frame.drw").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtim.tv_sec, static_cast<time_t>(std::llround((46100.5 - 25569.0) * 86400.0)));
}

// A local file checked out here holds the user's work: it is replaced only
// after a yes; no keeps it; cancel stops the run there. A silent get never
// asks and keeps it. A file checked out elsewhere is no one's work here.
TEST_F(GetOperationTest, ACheckedOutLocalFileIsReplacedOnlyWhenTheUserSaysSo) {
    const LONG other = AddItem(vault_.partsFolder, u"Other");
    const LONG sheet = AddFileWithContents(vault_.cadFolder, u"other.drw", {"sheet 1"});
    Link(other, vaultdb::kObjectFile, sheet);
    Lock(drawing_, vault_.alice);
    Lock(model_, vault_.alice, u"{00000000-0000-0000-0000-00000000000A}");  // another view
    struct Case {
        const char* name;
        std::vector<FakeCallback::Answer> answers;
        VARIANT param;
        const char* drawing;
        const char* model;  // checked out in another view: no one's work here
        bool otherGot;
    } const cases[] = {
        {"yes", {{S_OK, VARIANT_TRUE}}, Nothing(), "frame 3", "model 2", true},
        {"no", {{S_OK, VARIANT_FALSE}}, Nothing(), "my work", "model 2", true},
        {"cancel", {{S_FALSE, VARIANT_FALSE}}, Nothing(), "my work", "not mine", false},
        {"silent", {}, Number(ItemOperationsLib::kOperationSilent), "my work", "model 2", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(LocalFile(u"\\"));
        Write(LocalFile(u"\\Cad\\frame.drw"), "my work");
        Write(LocalFile(u"\\Cad\\frame.mdl"), "not mine");
        utils_.vaults.clear();
        utils_.handedOut = 0;
        callback_.processed.clear();
        callback_.asked.clear();
        callback_.answers.assign(c.answers.begin(), c.answers.end());
        com::ComPtr<BellquistLib::IItmOperation> operation = CreateOperation(ItemOperationsLib::CLSID_ItmGetOperation);
        const Outcome outcome = Start(
            operation,
            {{BellquistLib::Ot_Item, frame_, vault_.partsFolder}, {BellquistLib::Ot_Item, other, vault_.partsFolder}},
            Nothing(), c.param);
        EXPECT_EQ(outcome.start, S_OK);
        EXPECT_EQ(Contents(LocalFile(u"\\Cad\\frame.drw")), c.drawing);
        EXPECT_EQ(Contents(LocalFile(u"\\Cad\\frame.mdl")), c.model);
        EXPECT_EQ(std::filesystem::exists(LocalFile(u"\\Cad\\other.drw")), c.otherGot);
        EXPECT_EQ(callback_.asked.size(), c.answers.size());
        if (!callback_.asked.empty()) {
            EXPECT_EQ(callback_.asked[0], u"C:\\Views\\Demo\\Cad\\frame.drw");
        }
        EXPECT_TRUE(callback_.answers.empty());
        // Cancelled, the first item is not done and the second not reached.
        ASSERT_EQ(callback_.processed.size(), c.otherGot ? 2u : 1u);
        EXPECT_EQ(callback_.processed[0].processed, c.otherGot);
        EXPECT_EQ(outcome.got.size(), c.otherGot ? 2u : 1u);
    }
}

// What cannot be got is reported, shown once, and the rest goes on; an item
// the vault lacks, or an object that is no item, is not refreshed.
TEST_F(GetOperationTest, WhatCannotBeGotIsReportedAndShownAndTheRestGoesOn) {
    const LONG gone = AddItem(vault_.partsFolder, u"Gone");
    Scalar("UPDATE documents SET deleted = 1 WHERE id = ?", {gone});
    const LONG empty = AddItem(vault_.partsFolder, u"Empty");
    com::ComPtr<BellquistLib::IItmOperation> operation = CreateOperation(ItemOperationsLib::CLSID_ItmGetOperation);
    const Outcome outcome = Start(operation,
                                  {{BellquistLib::Ot_Item, frame_, vault_.partsFolder},
                                   {BellquistLib::Ot_Item, gone, vault_.partsFolder},
                                   {BellquistLib::Ot_Document, drawing_, vault_.cadFolder},
                                   {BellquistLib::Ot_Item, empty, vault_.partsFolder}},
                                  Number(3));
    ASSERT_EQ(outcome.start, S_OK);
    // The drawing has version 3, the model does not.
    EXPECT_EQ(Contents(LocalFile(u"\\Cad\\frame.drw")), "frame 3");
    EXPECT_FALSE(std::filesystem::exists(LocalFile(u"\\Cad\\frame.mdl")));
    ASSERT_EQ(callback_.processed.size(), 4u);
    EXPECT_FALSE(callback_.processed[0].processed);
    EXPECT_FALSE(callback_.processed[1].processed);
    EXPECT_FALSE(callback_.processed[2].processed);
    EXPECT_TRUE(callback_.processed[3].processed);  // nothing to get is no problem
    ASSERT_EQ(outcome.got.size(), 2u);
    EXPECT_EQ(outcome.got[0].mlObjectID, frame_);
    EXPECT_EQ(outcome.got[1].mlObjectID, empty);
    ASSERT_EQ(callback_.messages.size(), 1u);
    EXPECT_NE(callback_.messages[0].find(u"C:\\Views\\Demo\\Cad\\frame.mdl: The vault has no version 3 of the file."),
              std::u16string::npos);
    EXPECT_NE(callback_.messages[0].find(u"(item " + winapi::ToUtf16(std::to_string(gone)) + u")"),
              std::u16string::npos);

    // Nothing to refresh at all: S_FALSE, empty lists.
    utils_.vaults.clear();
    utils_.handedOut = 0;
    callback_.messages.clear();
    com::ComPtr<BellquistLib::IItmOperation> second = CreateOperation(ItemOperationsLib::CLSID_ItmGetOperation);
    const Outcome none = Start(second, {{BellquistLib::Ot_ItemFolder, 0, vault_.partsFolder}}, Nothing());
    EXPECT_EQ(none.start, S_FALSE);
    EXPECT_EQ(none.lockRecords, 0);
    EXPECT_TRUE(none.got.empty());
    EXPECT_EQ(second->ItmEndOperation(ResultParam()), S_FALSE);
    EXPECT_TRUE(result_.results.empty());
}

TEST_F(GetOperationTest, CallsOutOfOrderOrWithWrongArgumentsAreRefused) {
    com::ComPtr<BellquistLib::IItmOperation> operation = CreateOperation(ItemOperationsLib::CLSID_ItmGetOperation);
    SAFEARRAY* lock = reinterpret_cast<SAFEARRAY*>(1);
    SAFEARRAY* get = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(operation->ItmStartOperation(Nothing(), &lock, &get), E_UNEXPECTED);
    EXPECT_EQ(lock, nullptr);
    EXPECT_EQ(get, nullptr);
    EXPECT_EQ(operation->ItmEndOperation(Nothing()), E_UNEXPECTED);
    EXPECT_EQ(operation->ItmInitOperation(nullptr, &callback_, Nothing()), E_POINTER);
    EXPECT_EQ(operation->ItmInitOperation(&utils_, &callback_, Number(2)), E_INVALIDARG);
    ASSERT_EQ(operation->ItmInitOperation(&utils_, nullptr, Nothing()), S_OK);
    EXPECT_EQ(operation->ItmStartOperation(Nothing(), nullptr, &get), E_POINTER);
    for (VARIANT version : {Number(0), Number(-2)})
        EXPECT_EQ(operation->ItmStartOperation(version, &lock, &get), E_INVALIDARG);
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = nullptr;
    EXPECT_EQ(operation->ItmStartOperation(text, &lock, &get), E_INVALIDARG);
}

// The items' vault must be a logged-in client library of this vault client,
// with a view folder to get the files into.
TEST_F(GetOperationTest, AVaultWithoutALoggedInClientLibraryOrViewFolderIsRefused) {
    FakeResult notAClient;
    struct Case {
        const char* name;
        IUnknown* connection;
        bool logOut;
        HRESULT expected;
    } const cases[] = {
        {"no connection", nullptr, false, E_OXN_NULL_VALUE},
        {"another object", &notAClient, false, E_OXN_NULL_VALUE},
        {"no view folder", nullptr, false, E_OXN_MISSING_VIEW_INFO},
        {"logged out", nullptr, true, E_OXN_NOT_LOGGED_IN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.logOut) {
            ASSERT_EQ(client_->Logout(), S_OK);
        }
        FakeVaultUtils utils;
        FakeVaultUtils::Vault vault = AliceVault({{BellquistLib::Ot_Item, frame_, vault_.partsFolder}});
        const bool noView = c.expected == E_OXN_MISSING_VIEW_INFO;
        vault.connection = c.logOut || noView ? static_cast<IUnknown*>(client_) : c.connection;
        if (noView) vault.viewPath.clear();
        utils.vaults.push_back(vault);
        com::ComPtr<BellquistLib::IItmOperation> operation = CreateOperation(ItemOperationsLib::CLSID_ItmGetOperation);
        ASSERT_EQ(operation->ItmInitOperation(&utils, &callback_, Nothing()), S_OK);
        SAFEARRAY* lock = nullptr;
        SAFEARRAY* get = nullptr;
        EXPECT_EQ(operation->ItmStartOperation(Nothing(), &lock, &get), c.expected);
        EXPECT_EQ(lock, nullptr);
        EXPECT_EQ(get, nullptr);
        com_testing::ClearPendingErrorInfo();
    }
    EXPECT_FALSE(std::filesystem::exists(LocalFile(u"\\Cad\\frame.drw")));
}

}  // namespace
}  // namespace itemops_test
