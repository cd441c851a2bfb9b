// The client library's tree fetch (main slot 5) over the seeded item tree
// (browse_fixture.h), as the item server's tree fetch calls it.
#include "browse_fixture.h"

#include "com_testing/bstr_text.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"

#include <map>
#include <set>
#include <tuple>

namespace {

using namespace tavrosk_test;
using BellquistLib::DelOrDestroyed;
using BellquistLib::ItmObjectData;

// Where a fetched object hangs: {type, id, parent type, parent id}.
using Place = std::tuple<LONG, LONG, LONG, LONG>;

std::set<Place> PlacesOf(const Received<ItmObjectData>& records) {
    std::set<Place> places;
    for (const ItmObjectData& record : records)
        places.insert({record.meObjectType, record.mlObjectID, record.meParentDocType, record.mlParentObjectID});
    return places;
}

const ItmObjectData* Find(const Received<ItmObjectData>& records, LONG type, LONG id, LONG parentId) {
    for (const ItmObjectData& record : records)
        if (record.meObjectType == type && record.mlObjectID == id && record.mlParentObjectID == parentId)
            return &record;
    return nullptr;
}

class TreeFetchTest : public BrowseTest {
protected:
    struct Fetched {
        HRESULT hr = E_FAIL;
        SAFEARRAY* fetched = nullptr;
        SAFEARRAY* deleted = nullptr;
    };
    Fetched Fetch(InputRecords& input, bool recursive, LONG levels, LONG options = 0, SAFEARRAY* cached = nullptr) {
        Fetched result;
        result.hr = client_->FetchTrees(recursive ? VARIANT_TRUE : VARIANT_FALSE, options, VARIANT_FALSE, levels,
                                        input.get(), &result.fetched, cached, &result.deleted);
        return result;
    }
};

TEST_F(TreeFetchTest, RootItemFolderGivesItselfItsSubFolderAndItsItemsButNothingDeeper) {
    InputRecords input(1);
    input.Set(0, 3, vault_.itemsFolder);
    Fetched result = Fetch(input, false, 0);
    ASSERT_EQ(result.hr, S_OK);
    Received<ItmObjectData> records(result.fetched);
    Received<DelOrDestroyed> deleted(result.deleted);
    EXPECT_EQ(PlacesOf(records), (std::set<Place>{{3, vault_.itemsFolder, 3, 1},
                                                  {3, vault_.partsFolder, 3, vault_.itemsFolder},
                                                  {4, itemC_, 3, vault_.itemsFolder}}));
    EXPECT_EQ(deleted.size(), 0);

    const ItmObjectData* parts = Find(records, 3, vault_.partsFolder, vault_.itemsFolder);
    ASSERT_NE(parts, nullptr);
    EXPECT_EQ(com_testing::Text(parts->moFilename), u"Parts");
    EXPECT_EQ(com_testing::Text(parts->moPath), u"\\<items>\\Parts\\");  // a folder's own path
    EXPECT_EQ(parts->mlParentProjectID, vault_.itemsFolder);
    EXPECT_EQ(parts->mbHasChildren, VARIANT_TRUE);
    const ItmObjectData* c = Find(records, 4, itemC_, vault_.itemsFolder);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(com_testing::Text(c->moFilename), u"C.<item>");
    EXPECT_EQ(com_testing::Text(c->moPath), u"\\<items>\\");  // the folder it lies in
    EXPECT_EQ(c->mlAttachedVersion, 1);
    EXPECT_EQ(c->mlLatestVersion, 1);
    EXPECT_EQ(c->moModified, 46020.25);
    EXPECT_EQ(c->mbHasChildren, VARIANT_TRUE);
    EXPECT_EQ(c->mbIsUpToDate, 1);
}

TEST_F(TreeFetchTest, LevelsLimitARecursiveFetchAndZeroOrLessMeansAll) {
    // Depth below the root item folder: 1 Parts, C; 2 A, B (in Parts), A, B
    // (under C); 3 the files and BOM of A and B, A under B.
    const struct {
        LONG levels;
        size_t records;
    } cases[] = {{1, 3}, {2, 7}, {3, 11}, {0, 11}, {-1, 11}};
    for (const auto& c : cases) {
        InputRecords input(1);
        input.Set(0, 3, vault_.itemsFolder);
        Fetched result = Fetch(input, true, c.levels);
        ASSERT_EQ(result.hr, S_OK);
        Received<ItmObjectData> records(result.fetched);
        Received<DelOrDestroyed> deleted(result.deleted);
        EXPECT_EQ(size_t(records.size()), c.records) << "levels " << c.levels;
        EXPECT_EQ(PlacesOf(records).size(), size_t(records.size())) << "one record per object and parent";
    }
}

TEST_F(TreeFetchTest, AnItemGivesOneRecordPerParentItHangsUnderAndItsChildrenOnce) {
    InputRecords input(1);
    input.Set(0, 3, vault_.itemsFolder);
    Fetched result = Fetch(input, true, 0);
    ASSERT_EQ(result.hr, S_OK);
    Received<ItmObjectData> records(result.fetched);
    Received<DelOrDestroyed> deleted(result.deleted);
    std::set<Place> parentsOfA, childrenOfA;
    for (const ItmObjectData& record : records) {
        if (record.meObjectType == 4 && record.mlObjectID == itemA_)
            parentsOfA.insert({4, itemA_, record.meParentDocType, record.mlParentObjectID});
        if (record.mlParentObjectID == itemA_ && record.meParentDocType == 4)
            childrenOfA.insert({record.meObjectType, record.mlObjectID, 4, itemA_});
    }
    EXPECT_EQ(parentsOfA,
              (std::set<Place>{{4, itemA_, 3, vault_.partsFolder}, {4, itemA_, 4, itemB_}, {4, itemA_, 4, itemC_}}));
    EXPECT_EQ(childrenOfA, (std::set<Place>{{6, vault_.bracket, 4, itemA_}, {6, vault_.plate, 4, itemA_}}));
    // A is checked out to the test's view, whatever parent it is reported under.
    for (const ItmObjectData& record : records)
        if (record.meObjectType == 4 && record.mlObjectID == itemA_) {
            EXPECT_EQ(record.moLockViewID, kViewGuid);
            EXPECT_EQ(record.mlLockedBy, vault_.alice);
            EXPECT_EQ(com_testing::Text(record.moLockedBy), u"Alice");
            EXPECT_EQ(record.mlDynLinkedFileVersion, 2);
        }
}

TEST_F(TreeFetchTest, EveryRecordKeepsTheLinkRules) {
    InputRecords input(1);
    input.Set(0, 3, vault_.itemsFolder);
    Fetched result = Fetch(input, true, 0);
    ASSERT_EQ(result.hr, S_OK);
    Received<ItmObjectData> records(result.fetched);
    Received<DelOrDestroyed> deleted(result.deleted);
    std::map<LONG, int> dynamicLinksOf;
    for (const ItmObjectData& record : records) {
        SCOPED_TRACE(testing::Message() << "type " << record.meObjectType << " id " << record.mlObjectID);
        EXPECT_NE(record.meObjectType, 8) << "cut lists are never reported";
        if (record.meObjectType == 6)
            EXPECT_TRUE(record.meLinkType == 1 || record.meLinkType == 2);
        else
            EXPECT_EQ(record.meLinkType, 3);
        EXPECT_EQ(record.meLinkOperation, 1);
        if (record.meLinkType == 1) ++dynamicLinksOf[record.mlParentObjectID];
    }
    EXPECT_EQ(dynamicLinksOf, (std::map<LONG, int>{{itemA_, 1}}));
    // C links B with a static link type in the vault: reported as a BOM link.
    const ItmObjectData* b = Find(records, 4, itemB_, itemC_);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->meLinkType, 3);
}

TEST_F(TreeFetchTest, VersionsFollowTheOptions) {
    // A links bracket dynamically at version 1 of 2 and plate statically at
    // version 1 of 2.
    const struct {
        LONG options;
        LONG bracket, plate;
    } cases[] = {{0, 2, 1}, {2, 2, 1}, {1, 2, 2}, {1 | 8, 2, 1}};
    for (const auto& c : cases) {
        InputRecords input(1);
        input.Set(0, 4, itemA_);
        Fetched result = Fetch(input, true, 0, c.options);
        ASSERT_EQ(result.hr, S_OK);
        Received<ItmObjectData> records(result.fetched);
        Received<DelOrDestroyed> deleted(result.deleted);
        const ItmObjectData* bracket = Find(records, 6, vault_.bracket, itemA_);
        const ItmObjectData* plate = Find(records, 6, vault_.plate, itemA_);
        ASSERT_TRUE(bracket && plate);
        EXPECT_EQ(bracket->mlAttachedVersion, c.bracket) << "options " << c.options;
        EXPECT_EQ(bracket->meLinkType, 1);
        EXPECT_EQ(plate->mlAttachedVersion, c.plate) << "options " << c.options;
        EXPECT_EQ(plate->meLinkType, 2);
        EXPECT_EQ(plate->mlLatestVersion, 2);
        EXPECT_EQ(plate->moModified, c.plate == 1 ? 46001.5 : 46010.5) << "the time of the version reported";
        EXPECT_EQ(com_testing::Text(plate->moPath), u"\\Cad\\");
        EXPECT_EQ(plate->mlParentProjectID, vault_.cadFolder);
    }
}

TEST_F(TreeFetchTest, AnInputItemHangsUnderTheParentItNamesAndIsFoundByIdOrByName) {
    InputRecords input(2);
    ItmObjectData& underC = input.Set(0, 4, 0, u"a.<ITEM>");  // by name, case-insensitive
    underC.meParentDocType = BellquistLib::ItmObjectType_Item;
    underC.mlParentObjectID = itemC_;
    input.Set(1, 0, itemB_);  // no type: an item only when the input is by id only
    const struct {
        LONG options;
        bool findsB;
    } cases[] = {{16, true}, {0, false}};
    for (const auto& c : cases) {
        Fetched result = Fetch(input, false, 0, c.options);
        ASSERT_EQ(result.hr, S_OK);
        Received<ItmObjectData> records(result.fetched);
        Received<DelOrDestroyed> deleted(result.deleted);
        EXPECT_NE(Find(records, 4, itemA_, itemC_), nullptr) << "options " << c.options;
        EXPECT_EQ(Find(records, 4, itemB_, vault_.partsFolder) != nullptr, c.findsB) << "options " << c.options;
        EXPECT_EQ(deleted.size(), 0);
    }
}

TEST_F(TreeFetchTest, DeletedListNamesTheInputAndCachedObjectsTheVaultNoLongerHas) {
    using vennacle_test::Sql;
    vaultdb::Database& db = *vault_.db;
    // B deleted (logged), plate destroyed (row gone, logged), C deleted
    // without a log entry.
    Sql(db, "UPDATE documents SET deleted = 1 WHERE id = ?", {itemB_});
    Sql(db, "INSERT INTO deleted_objects (object_type, object_id, destroyed, time_utc) VALUES (4, ?, 0, 46030)",
        {itemB_});
    Sql(db, "DELETE FROM documents WHERE id = ?", {vault_.plate});
    Sql(db, "INSERT INTO deleted_objects (object_type, object_id, destroyed, time_utc) VALUES (6, ?, 1, 46030)",
        {vault_.plate});
    Sql(db, "UPDATE documents SET deleted = 1 WHERE id = ?", {itemC_});

    InputRecords input(3);
    input.Set(0, 4, itemA_);
    input.Set(1, 4, itemB_);
    input.Set(2, 4, itemC_);
    InputRecords cached(4);
    cached.Set(0, 6, vault_.plate);
    cached.Set(1, 6, vault_.bracket);
    cached.Set(2, 4, 9999);          // never in the vault
    cached.Set(3, 6, vault_.plate);  // twice, reported once
    Fetched result = Fetch(input, true, 1, 0, cached.get());
    ASSERT_EQ(result.hr, S_OK);
    Received<ItmObjectData> records(result.fetched);
    Received<DelOrDestroyed> deleted(result.deleted);
    std::set<std::tuple<LONG, LONG, VARIANT_BOOL>> gone;
    for (const DelOrDestroyed& entry : deleted) gone.insert({entry.meType, entry.mlId, entry.mbDestroyed});
    EXPECT_EQ(gone, (std::set<std::tuple<LONG, LONG, VARIANT_BOOL>>{{4, itemB_, VARIANT_FALSE},
                                                                    {4, itemC_, VARIANT_FALSE},
                                                                    {6, vault_.plate, VARIANT_TRUE},
                                                                    {4, 9999, VARIANT_TRUE}}));
    // Only A is fetched, without its destroyed file.
    EXPECT_EQ(PlacesOf(records), (std::set<Place>{{4, itemA_, 3, vault_.partsFolder}, {6, vault_.bracket, 4, itemA_}}));
}

TEST_F(TreeFetchTest, AnItemAskedForAsAFileOrAFileAsAnItemIsNotInTheVault) {
    InputRecords input(2);
    input.Set(0, 6, itemA_);
    input.Set(1, 4, vault_.bracket);
    // Then each under its own type, after the misses.
    InputRecords cached(2);
    cached.Set(0, 4, itemA_);
    cached.Set(1, 6, vault_.bracket);
    Fetched result = Fetch(input, false, 0, 0, cached.get());
    ASSERT_EQ(result.hr, S_OK);
    Received<ItmObjectData> records(result.fetched);
    Received<DelOrDestroyed> deleted(result.deleted);
    EXPECT_EQ(records.size(), 0);
    std::set<std::tuple<LONG, LONG, VARIANT_BOOL>> gone;
    for (const DelOrDestroyed& entry : deleted) gone.insert({entry.meType, entry.mlId, entry.mbDestroyed});
    EXPECT_EQ(gone, (std::set<std::tuple<LONG, LONG, VARIANT_BOOL>>{{6, itemA_, VARIANT_TRUE},
                                                                    {4, vault_.bracket, VARIANT_TRUE}}));
}

TEST_F(TreeFetchTest, BadCallsGiveTheirCodesAndNoArrays) {
    InputRecords input(1);
    input.Set(0, 4, itemA_);
    SAFEARRAY* fetched = reinterpret_cast<SAFEARRAY*>(1);
    SAFEARRAY* deleted = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(client_->FetchTrees(VARIANT_TRUE, 0, VARIANT_FALSE, 0, input.get(), nullptr, nullptr, &deleted),
              E_POINTER);
    // An array of other records.
    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, 3);
    EXPECT_EQ(client_->FetchTrees(VARIANT_TRUE, 0, VARIANT_FALSE, 0, bytes, &fetched, nullptr, &deleted), E_INVALIDARG);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"The array does not hold records of the expected type.");
    SafeArrayDestroy(bytes);
    // No input: empty lists.
    Fetched empty;
    ASSERT_EQ(client_->FetchTrees(VARIANT_TRUE, 0, VARIANT_FALSE, 0, nullptr, &empty.fetched, nullptr, &empty.deleted),
              S_OK);
    EXPECT_EQ(Received<ItmObjectData>(empty.fetched).size(), 0);
    EXPECT_EQ(Received<DelOrDestroyed>(empty.deleted).size(), 0);

    ASSERT_EQ(client_->Logout(), S_OK);
    EXPECT_EQ(client_->FetchTrees(VARIANT_TRUE, 0, VARIANT_FALSE, 0, input.get(), &fetched, nullptr, &deleted),
              E_OXN_NOT_LOGGED_IN);
    EXPECT_EQ(fetched, nullptr);
}

}  // namespace
