// The revision object as the item server drives it: started with the
// session's connection, handed items, asking through the prompter, and
// incrementing the revisions in the vault.
#include "item_operations_fixture.h"

#include "com/runnable.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"
#include "itemops/revision_interface.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <cstdint>
#include <cstring>

namespace itemops_test {
namespace {

using ItemOperationsLib::IItmRevision;

class RevisionObjectTest : public ItemOperationsTest {
protected:
    void SetUp() override {
        ItemOperationsTest::SetUp();
        if (HasFatalFailure()) return;
        ui_testing::EnsureApplication();
        revised_ = AddItem(vault_.partsFolder, u"Revised", 2, u"A");
        fresh_ = AddItem(vault_.partsFolder, u"Fresh");
        Scalar(
            "INSERT INTO variable_values (document_id, version, variable_id, text_value) VALUES (?, 2, ?, "
            "'a revised part')",
            {revised_, vault_.description});
        revision_ = CreateRevision();
    }
    void TearDown() override {
        revision_ = nullptr;
        ItemOperationsTest::TearDown();
    }

    // As the item server creates it: by class id, run, asked for its interface.
    static com::ComPtr<IItmRevision> CreateRevision() {
        com::ComPtr<IUnknown> unknown;
        EXPECT_EQ(CoCreateInstance(ItemOperationsLib::CLSID_ItmRevision, nullptr, 23, IID_IUnknown,
                                   reinterpret_cast<void**>(&unknown)),
                  S_OK);
        com::ComPtr<IItmRevision> revision;
        if (unknown) {
            EXPECT_EQ(OleRun(unknown), S_OK);
            EXPECT_EQ(unknown->QueryInterface(IItmRevision::kIid, reinterpret_cast<void**>(&revision)), S_OK);
        }
        return revision;
    }
    // The start record the item server gives: its connection, view and user.
    CoraventLib::InitData StartRecord() const {
        CoraventLib::InitData data{};
        data.mpoSpMgr = reinterpret_cast<uintptr_t>(connection_);
        std::memcpy(&data.moViewID, &kViewGuid, sizeof(GUID));
        data.mlUserID = vault_.alice;
        data.meTreeCreationType = CoraventLib::TreeCreationType_IncrRevisions;
        return data;
    }
    HRESULT SetItems(std::vector<LONG> items, BellquistLib::ObjectType type = BellquistLib::Ot_Item) {
        RecordArray<BellquistLib::XRefRootObject> roots;
        roots.mvCreate(static_cast<ULONG>(items.size()), BellquistLib::LIBID_BellquistLib, 1, 0);
        for (size_t i = 0; i < items.size(); ++i) {
            roots.mpoBegin()[i].meType = type;
            roots.mpoBegin()[i].mlDocumentID = items[i];
            roots.mpoBegin()[i].mlProjectID = vault_.partsFolder;
        }
        return revision_->SetItems(roots.mpoGetArray());
    }
    std::u16string Text(const std::string& sql, LONG id) {
        std::unique_ptr<vaultdb::Statement> st;
        EXPECT_EQ(vault_.db->Prepare(sql, st), S_OK);
        st->BindInt32(1, id);
        return st->Step() == S_OK ? st->ColumnText(0) : u"<none>";
    }

    LONG revised_ = 0, fresh_ = 0;
    com::ComPtr<IItmRevision> revision_;
};

// Each item gets the next revision on a new version of its own, carrying its
// state and card values on, with a history row; all in one run.
TEST_F(RevisionObjectTest, RunIncrementsEachItemsRevisionOnANewVersion) {
    Lock(fresh_, vault_.alice);  // checked out by the user himself: no obstacle
    CoraventLib::InitData start = StartRecord();
    ASSERT_EQ(revision_->Start(&start), S_OK);
    ASSERT_EQ(SetItems({revised_, fresh_, revised_}), S_OK);  // twice counts once
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(revision_->Run(nullptr, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);

    struct Expected {
        LONG item;
        LONG version;
        const char16_t* revision;
    } const expected[] = {{revised_, 3, u"B"}, {fresh_, 2, u"A"}};
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.item);
        EXPECT_EQ(Scalar("SELECT latest_version FROM documents WHERE id = ?", {e.item}), e.version);
        EXPECT_EQ(Text("SELECT revision FROM items WHERE document_id = ?", e.item), e.revision);
        EXPECT_EQ(Text("SELECT revision FROM document_versions WHERE document_id = ? ORDER BY version DESC", e.item),
                  e.revision);
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM document_versions WHERE document_id = ?", {e.item}), e.version);
        EXPECT_EQ(Scalar("SELECT user_id FROM history WHERE action = ? AND object_type = 4 AND object_id = ? AND "
                         "version = ? AND comment = ?",
                         {int32_t{vaultdb::kHistoryRevision}, e.item, e.version, std::u16string(e.revision)}),
                  vault_.alice);
    }
    EXPECT_EQ(Text("SELECT text_value FROM variable_values WHERE document_id = ? AND version = 3", revised_),
              u"a revised part");
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM locks WHERE document_id = ?", {fresh_}), 1);
}

// One refused item refuses the run: nothing changes, and the code says why.
TEST_F(RevisionObjectTest, ARefusedItemLeavesEveryItemAsItWas) {
    const LONG busy = AddItem(vault_.partsFolder, u"Busy");
    Lock(busy, vault_.bob);
    const LONG gone = AddItem(vault_.partsFolder, u"Gone");
    Scalar("UPDATE documents SET deleted = 1 WHERE id = ?", {gone});
    struct Case {
        LONG item;
        HRESULT expected;
        const char16_t* named;
    } const cases[] = {
        {busy, E_OXN_LOCKED_BY_ANOTHER_USER, u"Busy.<item> is checked out by another user"},
        {gone, E_OXN_FILE_DELETED, u"Gone.<item> has been deleted"},
        {vault_.plate, E_OXN_FILE_NOT_FOUND, u"no such item"},  // a file is no item
        {9999, E_OXN_FILE_NOT_FOUND, u"no such item"},
    };
    CoraventLib::InitData start = StartRecord();
    ASSERT_EQ(revision_->Start(&start), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        ASSERT_EQ(SetItems({revised_, c.item}), S_OK);
        VARIANT_BOOL ok = VARIANT_TRUE;
        EXPECT_EQ(revision_->Run(nullptr, &ok), c.expected);
        EXPECT_EQ(ok, VARIANT_FALSE);
        EXPECT_NE(com_testing::TakePendingDescription().find(c.named), std::u16string::npos);
        EXPECT_EQ(Scalar("SELECT latest_version FROM documents WHERE id = ?", {revised_}), 2);
        EXPECT_EQ(Text("SELECT revision FROM items WHERE document_id = ?", revised_), u"A");
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM history WHERE action = ?", {int32_t{vaultdb::kHistoryRevision}}), 0);
    }
}

// The question names the items with their revision now and after; the
// answer decides.
TEST_F(RevisionObjectTest, AskPutsAYesNoQuestionThroughThePrompter) {
    CoraventLib::InitData start = StartRecord();
    ASSERT_EQ(revision_->Start(&start), S_OK);
    ASSERT_EQ(SetItems({revised_, fresh_}), S_OK);
    for (int answer : {IDYES, IDNO}) {
        ui_testing::ScriptedPrompter prompter;
        prompter.AnswerMessageBox(answer, [](const ui::MessageBoxQuestion& question) {
            EXPECT_EQ(question.caption, u"Increment Revision");
            EXPECT_EQ(question.text,
                      u"Increment the revision of the 2 selected items?\n\n"
                      u"Revised.<item>: A -> B\nFresh.<item>: (none) -> A");
            EXPECT_EQ(question.style & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
        });
        VARIANT_BOOL ok = answer == IDYES ? VARIANT_FALSE : VARIANT_TRUE;
        ASSERT_EQ(revision_->Ask(nullptr, 0, &ok), S_OK);
        EXPECT_EQ(ok, answer == IDYES ? VARIANT_TRUE : VARIANT_FALSE);
    }
    // Without items there is nothing to ask (no question: the prompter
    // would fail the test) and nothing to run.
    ASSERT_EQ(SetItems({}), S_OK);
    ui_testing::ScriptedPrompter prompter;
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(revision_->Ask(nullptr, 0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    ok = VARIANT_TRUE;
    EXPECT_EQ(revision_->Run(nullptr, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
}

// The object holds a reference of its own on the connection it is started
// with, and gives it back when it goes.
TEST_F(RevisionObjectTest, StartKeepsTheConnectionUntilTheObjectGoes) {
    CoraventLib::InitData start = StartRecord();
    const ULONG before = OtherReferences(connection_);
    ASSERT_EQ(revision_->Start(&start), S_OK);
    EXPECT_EQ(OtherReferences(connection_), before + 1);
    ASSERT_EQ(revision_->Start(&start), S_OK);  // started again: still one
    EXPECT_EQ(OtherReferences(connection_), before + 1);
    revision_ = nullptr;
    EXPECT_EQ(OtherReferences(connection_), before);
}

TEST_F(RevisionObjectTest, CallsOutOfOrderOrWithWrongArgumentsAreRefused) {
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(revision_->Start(nullptr), E_POINTER);
    CoraventLib::InitData empty{};
    EXPECT_EQ(revision_->Start(&empty), E_INVALIDARG);
    ASSERT_EQ(SetItems({revised_}), S_OK);
    EXPECT_EQ(revision_->Run(nullptr, &ok), E_UNEXPECTED);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(revision_->Run(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(revision_->Ask(nullptr, 0, nullptr), E_POINTER);
    EXPECT_EQ(revision_->SetItems(nullptr), E_POINTER);
    EXPECT_EQ(SetItems({vault_.plate}, BellquistLib::Ot_Document), E_OXN_INVALID_TYPE);
    com_testing::ClearPendingErrorInfo();
    RecordArray<BellquistLib::ItmUniqueID> other;
    other.mvCreate(1, BellquistLib::LIBID_BellquistLib, 1, 0);
    EXPECT_EQ(revision_->SetItems(other.mpoGetArray()), E_INVALIDARG);
}

}  // namespace
}  // namespace itemops_test
