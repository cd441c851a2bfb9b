// The outside delete operation over the seeded vault: it deletes as the
// vault's delete does, reports each object, and returns what was refused.
#include "item_operations_fixture.h"

#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"

namespace itemops_test {
namespace {

class DeleteOperationTest : public ItemOperationsTest {
protected:
    void SetUp() override {
        ItemOperationsTest::SetUp();
        if (HasFatalFailure()) return;
        plain_ = AddItem(vault_.partsFolder, u"Plain");
        lockedByBob_ = AddItem(vault_.partsFolder, u"Busy");
        Lock(lockedByBob_, vault_.bob);
        mine_ = AddItem(vault_.partsFolder, u"Mine");
        Lock(mine_, vault_.alice);
        spares_ = vennacle_test::AddFolder(*vault_.db, vault_.itemsFolder, u"Spares", u"\\<items>\\Spares\\");
        spare_ = AddItem(spares_, u"Spare");
        bom_ =
            static_cast<LONG>(Scalar("INSERT INTO boms (document_id, folder_id, name, latest_version) VALUES "
                                     "(?, ?, 'bracket BOM', 1) RETURNING id",
                                     {vault_.bracket, vault_.partsFolder}));
    }

    // Runs the delete on `roots`; the operation's result.
    HRESULT Delete(std::vector<Root> roots) {
        utils_.vaults.push_back(AliceVault(std::move(roots)));
        com::ComPtr<BellquistLib::IItmOperation> operation =
            CreateOperation(ItemOperationsLib::CLSID_ItmDeleteOperation);
        EXPECT_EQ(operation->ItmInitOperation(&utils_, &callback_, Nothing()), S_OK);
        SAFEARRAY* lock = reinterpret_cast<SAFEARRAY*>(1);
        SAFEARRAY* get = reinterpret_cast<SAFEARRAY*>(1);
        const HRESULT hr = operation->ItmStartOperation(Nothing(), &lock, &get);
        EXPECT_EQ(lock, nullptr);
        EXPECT_EQ(get, nullptr);
        EXPECT_EQ(operation->ItmEndOperation(Nothing()), S_FALSE);
        return hr;
    }
    int64_t Deleted(LONG document) { return Scalar("SELECT deleted FROM documents WHERE id = ?", {document}); }

    LONG plain_ = 0, lockedByBob_ = 0, mine_ = 0, spares_ = 0, spare_ = 0, bom_ = 0;
    FakeVaultUtils utils_;
    FakeCallback callback_;
};

TEST_F(DeleteOperationTest, DeletesItemsFoldersFilesAndBomsAsTheVaultDoes) {
    EXPECT_EQ(Delete({{BellquistLib::Ot_Item, plain_, vault_.partsFolder},
                      {BellquistLib::Ot_Item, mine_, vault_.partsFolder},
                      {BellquistLib::Ot_ItemFolder, 0, spares_},
                      {BellquistLib::Ot_Document, vault_.plate, vault_.cadFolder},
                      {BellquistLib::Ot_BOM, bom_, vault_.partsFolder}}),
              S_FALSE);
    EXPECT_EQ(Deleted(plain_), 1);
    EXPECT_EQ(Deleted(mine_), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM locks WHERE document_id = ?", {mine_}), 0);
    EXPECT_EQ(Deleted(spare_), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM folders WHERE id = ?", {spares_}), 0);
    EXPECT_EQ(Deleted(vault_.plate), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM boms WHERE id = ?", {bom_}), 0);
    EXPECT_EQ(Deleted(lockedByBob_), 0);  // not asked for
    // Logged for the tree refreshes of others, and in the items' history.
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM deleted_objects WHERE object_type = 4 AND object_id IN (?, ?, ?) AND "
                     "destroyed = 0 AND user_id = ?",
                     {plain_, mine_, spare_, vault_.alice}),
              3);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM history WHERE action = ? AND object_id = ?",
                     {int32_t{vaultdb::kHistoryDelete}, plain_}),
              1);
    ASSERT_EQ(callback_.processed.size(), 5u);
    const std::pair<BellquistLib::ItmObjectType, LONG> expected[] = {
        {BellquistLib::ItmObjectType_Item, plain_},        {BellquistLib::ItmObjectType_Item, mine_},
        {BellquistLib::ItmObjectType_ItemFolder, spares_}, {BellquistLib::ItmObjectType_File, vault_.plate},
        {BellquistLib::ItmObjectType_BOM, bom_},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(callback_.processed[i].type, expected[i].first) << i;
        EXPECT_EQ(callback_.processed[i].id, expected[i].second) << i;
        EXPECT_TRUE(callback_.processed[i].processed) << i;
    }
}

// What the vault refuses stays, is reported, and the operation fails with
// the vault's first refusal (here the unknown item), its description naming
// every refused object; the rest is deleted.
TEST_F(DeleteOperationTest, WhatTheVaultRefusesStaysAndTheOperationSaysSo) {
    EXPECT_EQ(Delete({{BellquistLib::Ot_Item, lockedByBob_, vault_.partsFolder},
                      {BellquistLib::Ot_Item, plain_, vault_.partsFolder},
                      {BellquistLib::Ot_Item, 9999, vault_.partsFolder},
                      {BellquistLib::Ot_RootItemFolder, 0, vault_.itemsFolder}}),
              E_OXN_FILE_NOT_FOUND);
    const std::u16string description = com_testing::TakePendingDescription();
    EXPECT_NE(description.find(u"\\<items>\\Parts\\Busy.<item>: The file is checked out by another user."),
              std::u16string::npos)
        << winapi::ToUtf8(description);
    EXPECT_NE(description.find(u"(file 9999)"), std::u16string::npos);
    EXPECT_NE(description.find(u"\\<items>\\: "), std::u16string::npos);
    EXPECT_EQ(Deleted(lockedByBob_), 0);
    EXPECT_EQ(Deleted(plain_), 1);
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM folders WHERE id = ?", {vault_.itemsFolder}), 1);
    ASSERT_EQ(callback_.processed.size(), 4u);
    EXPECT_FALSE(callback_.processed[0].processed);
    EXPECT_TRUE(callback_.processed[1].processed);
    EXPECT_FALSE(callback_.processed[2].processed);
    EXPECT_FALSE(callback_.processed[3].processed);
}

}  // namespace
}  // namespace itemops_test
