// Counter ids and item generation over a real vault database.
#include "vault_seed.h"

#include "vennacle/auto_lst.h"
#include "vennacle/item_db_data.h"
#include "common/error_codes.h"
#include "vennacle/sp_items.h"
#include "vennacle/xref_item_data.h"
#include "winapi/guid_text.h"

#include <functional>
#include <vector>

namespace {

using namespace vennacle_test;

const GUID kViewId = {0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};

std::vector<LONG> Ids(const Lst<LONG>& list) {
    std::vector<LONG> ids;
    for (POSITION at = list.GetHeadPosition(); at;) ids.push_back(list.GetNext(at));
    return ids;
}

XRefItemDocData* Record(const char16_t* itemName, LONG docId, LONG linkType = 0, const char16_t* config = nullptr) {
    auto* record = new XRefItemDocData;
    record->mbsItemName = itemName ? SysAllocString(itemName) : nullptr;
    record->mbsConfigName = config ? SysAllocString(config) : nullptr;
    record->mlDocID = docId;
    record->mlLinkType = linkType;
    record->mbItemNamed = itemName ? 1 : 0;
    if (docId < 0) record->mlJoinDocID = record->mlJoinDocWord = record->mlDocWord = -1;
    return record;
}

void AddValue(XRefItemDocData* record, const char16_t* name, const char16_t* text) {
    if (!record->mpoVarData) record->mpoVarData = new XRefItemVarList;
    auto* value = new XRefItemVarData;
    value->moVarName = name;
    value->moValue = text;
    record->mpoVarData->push_back(value);
}

class SpItemsTest : public VennacleTest {
protected:
    SpItems& Items() { return *Mgr().mpoGetItems(); }

    std::vector<LONG> Reserve(LONG count) {
        Lst<SpStr> names;
        Lst<LONG> ids;
        EXPECT_EQ(Items().mhGenerateItemIDs(count, names, ids), S_OK);
        EXPECT_EQ(names.GetCount(), count);
        return Ids(ids);
    }

    int64_t CounterState(LONG id) { return Sql(*vault_.db, "SELECT state FROM counters WHERE id = ?", {id}); }

    // Rows of everything that generation writes, to see that a failure wrote nothing.
    std::vector<int64_t> Footprint() {
        std::vector<int64_t> counts;
        for (const char* table :
             {"documents", "items", "links", "locks", "variable_values", "document_versions", "history", "counters"})
            counts.push_back(Sql(*vault_.db, std::string("SELECT COUNT(*) FROM ") + table));
        counts.push_back(Sql(*vault_.db, "SELECT COALESCE(SUM(state * 10 + id), 0) FROM counters"));
        return counts;
    }
};

TEST_F(SpItemsTest, ReservedIdsComeBackFreeButSpentOnesStaySpent) {
    Lst<SpStr> names;
    Lst<LONG> ids;
    ASSERT_EQ(Items().mhGenerateItemIDs(3, names, ids), S_OK);
    const std::vector<LONG> reserved = Ids(ids);
    ASSERT_EQ(reserved.size(), 3u);
    std::vector<std::u16string> nameTexts;
    for (POSITION at = names.GetHeadPosition(); at;) nameTexts.emplace_back(names.GetNext(at).View());
    EXPECT_EQ(nameTexts[0], u"ITM-000001");
    EXPECT_NE(nameTexts[0], nameTexts[1]);
    for (LONG id : reserved) EXPECT_EQ(CounterState(id), 1);

    // The first id is spent by an item; pushing everything back frees only the others.
    AutoLst<Lst<XRefItemDocData*>> docs;
    docs.AddTail(Record(nullptr, -1));
    AutoLst<Lst<ItemDbData*>> out;
    const SerialNoInfo first{reserved[0], 0};
    ASSERT_EQ(Items().mhGenerateItems(docs, vault_.partsFolder, vault_.alice, kViewId, u"C:\\View\\", u"PC1", &out, 0,
                                      1, &first),
              S_OK);
    ASSERT_EQ(out.GetCount(), 1);
    POSITION at = out.GetHeadPosition();
    EXPECT_EQ(out.GetNext(at)->moFilename.View(), u"ITM-000001.<item>");

    const SerialNoInfo all[] = {{reserved[0], 0}, {reserved[1], 0}, {reserved[2], 7}, {4711, 0}};
    EXPECT_EQ(Items().mhPushBackCounterIDs(4, all), S_OK);
    EXPECT_EQ(Items().mhPushBackCounterIDs(4, all), S_OK);  // a second push-back does no harm
    EXPECT_EQ(CounterState(reserved[0]), 2);
    EXPECT_EQ(CounterState(reserved[1]), 0);
    EXPECT_EQ(CounterState(reserved[2]), 0);
    EXPECT_EQ(Sql(*vault_.db, "SELECT COUNT(*) FROM counters WHERE id = 4711"), 0);

    // Freed ids are handed out again, oldest first, before new ones.
    EXPECT_EQ(Reserve(3), (std::vector<LONG>{reserved[1], reserved[2], reserved[2] + 1}));
    EXPECT_EQ(Items().mhGenerateItemIDs(-1, names, ids), E_INVALIDARG);
    EXPECT_EQ(Items().mhPushBackCounterIDs(1, nullptr), E_POINTER);
}

TEST_F(SpItemsTest, GeneratesItemsWithTheirLinksInOneList) {
    const std::vector<LONG> counters = Reserve(2);
    AutoLst<Lst<XRefItemDocData*>> docs;
    XRefItemDocData* bracket = Record(u"Bracket", vault_.bracket, 0, u"Default");
    AddValue(bracket, u"DESCRIPTION", u"Steel bracket");
    docs.AddTail(bracket);
    docs.AddTail(Record(u"bracket.<item>", vault_.plate, 2));  // joins the same item, statically
    XRefItemDocData* folderItem = Record(nullptr, -1);
    folderItem->mlDestFolderID = vault_.partsFolder;
    docs.AddTail(folderItem);

    AutoLst<Lst<ItemDbData*>> out;
    const SerialNoInfo serials[] = {{counters[0], 0}, {counters[1], 0}};
    ASSERT_EQ(Items().mhGenerateItems(docs, vault_.itemsFolder, vault_.alice, kViewId, u"C:\\View\\\\", u"PC1", &out, 1,
                                      2, serials),
              S_OK);

    std::vector<const ItemDbData*> rows;
    for (POSITION at = out.GetHeadPosition(); at;) rows.push_back(out.GetNext(at));
    ASSERT_EQ(rows.size(), 4u);
    const ItemDbData& item = *rows[0];
    EXPECT_EQ(item.meObjectType, 4);
    EXPECT_EQ(item.meParentDocType, 3);
    EXPECT_EQ(item.mlParentObjectID, vault_.itemsFolder);
    EXPECT_EQ(item.mlParentFolderID, vault_.itemsFolder);
    EXPECT_EQ(item.moFilename.View(), u"Bracket.<item>");
    EXPECT_EQ(item.moPath.View(), u"\\<items>\\");
    EXPECT_EQ(item.moLockedBy.View(), u"Alice");
    EXPECT_EQ(item.mlLockedBy, vault_.alice);
    EXPECT_EQ(item.moLockedPath.View(), u"C:\\View\\<items>\\Bracket.<item>");
    EXPECT_EQ(winapi::GuidToString(item.moLockViewID), winapi::GuidToString(kViewId));
    EXPECT_EQ(item.mbHasChildren, 1);
    EXPECT_GT(item.moModified, 0);

    const ItemDbData& dynamicLink = *rows[1];
    EXPECT_EQ(dynamicLink.meObjectType, 6);
    EXPECT_EQ(dynamicLink.meParentDocType, 4);
    EXPECT_EQ(dynamicLink.mlParentObjectID, item.mlObjectID);
    EXPECT_EQ(dynamicLink.mlObjectID, vault_.bracket);
    EXPECT_EQ(dynamicLink.meLinkType, 1);
    EXPECT_EQ(dynamicLink.meLinkOperation, 1);
    EXPECT_EQ(dynamicLink.mlConfigID, vault_.defaultConfig);
    EXPECT_EQ(dynamicLink.moConfigName.View(), u"Default");
    EXPECT_EQ(dynamicLink.moFilename.View(), u"bracket.zvkprt");
    EXPECT_EQ(dynamicLink.moPath.View(), u"\\Cad\\");
    EXPECT_EQ(dynamicLink.mlLatestVersion, 2);
    EXPECT_EQ(dynamicLink.mlParentFolderID, vault_.cadFolder);

    const ItemDbData& staticLink = *rows[2];
    EXPECT_EQ(staticLink.mlObjectID, vault_.plate);
    EXPECT_EQ(staticLink.meLinkType, 2);
    EXPECT_EQ(staticLink.mlConfigID, -1);

    // The unnamed folder item took the first given counter and its name;
    // the unused second one is free again (mode 1).
    const ItemDbData& numbered = *rows[3];
    EXPECT_EQ(numbered.moFilename.View(), u"ITM-000001.<item>");
    EXPECT_EQ(numbered.mlParentFolderID, vault_.partsFolder);
    EXPECT_EQ(numbered.moPath.View(), u"\\<items>\\Parts\\");
    EXPECT_EQ(numbered.mbHasChildren, 0);
    EXPECT_EQ(CounterState(counters[0]), 2);
    EXPECT_EQ(Sql(*vault_.db, "SELECT spent_by_item FROM counters WHERE id = ?", {counters[0]}), numbered.mlObjectID);
    EXPECT_EQ(CounterState(counters[1]), 0);

    // What the vault now holds.
    EXPECT_EQ(Sql(*vault_.db, "SELECT COUNT(*) FROM links WHERE parent_id = ?", {item.mlObjectID}), 2);
    EXPECT_EQ(Sql(*vault_.db, "SELECT COUNT(*) FROM locks WHERE user_id = ? AND view_guid = ?",
                  {vault_.alice, winapi::GuidToString(kViewId)}),
              2);
    EXPECT_EQ(Sql(*vault_.db,
                  "SELECT COUNT(*) FROM variable_values WHERE document_id = ? AND variable_id = ?"
                  " AND text_value = 'Steel bracket'",
                  {item.mlObjectID, vault_.description}),
              1);
}

TEST_F(SpItemsTest, RecordsNamingAnItemOfTheVaultLinkTheirDocumentsToIt) {
    const LONG taken =
        static_cast<LONG>(Sql(*vault_.db,
                              "INSERT INTO documents (folder_id, name, name_key, doc_type, latest_version)"
                              " VALUES (?, 'Taken.<item>', 'taken.<item>', 4, 3) RETURNING id",
                              {vault_.partsFolder}));
    Sql(*vault_.db, "INSERT INTO links (parent_id, child_type, child_id, link_type) VALUES (?, 6, ?, 1)",
        {taken, vault_.bracket});
    const int64_t items = Sql(*vault_.db, "SELECT COUNT(*) FROM documents WHERE doc_type = 4");

    // The plate joins statically; the bracket, linked already, stays as it is.
    AutoLst<Lst<XRefItemDocData*>> docs;
    docs.AddTail(Record(u"taken", vault_.bracket));
    docs.AddTail(Record(u"TAKEN.<item>", vault_.plate, 2));
    AutoLst<Lst<ItemDbData*>> out;
    ASSERT_EQ(Items().mhGenerateItems(docs, vault_.itemsFolder, vault_.alice, kViewId, u"C:\\View", u"PC1", &out, 1, 0,
                                      nullptr),
              S_OK);
    std::vector<const ItemDbData*> rows;
    for (POSITION at = out.GetHeadPosition(); at;) rows.push_back(out.GetNext(at));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->mlObjectID, taken);
    EXPECT_EQ(rows[0]->meObjectType, 4);
    EXPECT_EQ(rows[0]->meParentDocType, 3);
    EXPECT_EQ(rows[0]->mlParentObjectID, vault_.partsFolder);
    EXPECT_EQ(rows[0]->moFilename.View(), u"Taken.<item>");
    EXPECT_EQ(rows[0]->moPath.View(), u"\\<items>\\Parts\\");
    EXPECT_EQ(rows[0]->mlLatestVersion, 3);
    EXPECT_EQ(rows[1]->mlObjectID, vault_.plate);
    EXPECT_EQ(rows[1]->mlParentObjectID, taken);
    EXPECT_EQ(rows[1]->meLinkType, 2);
    EXPECT_EQ(Sql(*vault_.db, "SELECT COUNT(*) FROM documents WHERE doc_type = 4"), items);
    EXPECT_EQ(Sql(*vault_.db, "SELECT COUNT(*) FROM links WHERE parent_id = ?", {taken}), 2);

    // Nothing new to link: nothing returned; a second dynamic link is refused.
    AutoLst<Lst<ItemDbData*>> none;
    ASSERT_EQ(Items().mhGenerateItems(docs, vault_.itemsFolder, vault_.alice, kViewId, u"C:\\View", u"PC1", &none, 1, 0,
                                      nullptr),
              S_OK);
    EXPECT_TRUE(none.IsEmpty());
    AutoLst<Lst<XRefItemDocData*>> dynamic;
    dynamic.AddTail(Record(u"Taken", vault_.bracket, 0, u"Default"));
    EXPECT_EQ(Items().mhGenerateItems(dynamic, vault_.itemsFolder, vault_.alice, kViewId, u"C:\\View", u"PC1", &none, 1,
                                      0, nullptr),
              E_ITEM_MANY_DYN_LINKS);
}

TEST_F(SpItemsTest, NamedItemSpendsTheCounterOfItsName) {
    const std::vector<LONG> counters = Reserve(2);
    AutoLst<Lst<XRefItemDocData*>> docs;
    docs.AddTail(Record(u"itm-000002", vault_.plate));  // the name the tree gave from the second counter
    AutoLst<Lst<ItemDbData*>> out;
    const SerialNoInfo serials[] = {{counters[0], 0}, {counters[1], 0}};
    ASSERT_EQ(Items().mhGenerateItems(docs, vault_.partsFolder, vault_.alice, kViewId, u"C:\\View", u"PC1", &out, 1, 2,
                                      serials),
              S_OK);
    EXPECT_EQ(CounterState(counters[1]), 2);
    EXPECT_EQ(CounterState(counters[0]), 0);
}

TEST_F(SpItemsTest, FailedGenerationLeavesNothingCreated) {
    struct Case {
        const char* what;
        std::function<void(Lst<XRefItemDocData*>&)> addRecords;
        LONG user;
        HRESULT expected;
    };
    const Case cases[] = {
        {"destination that is no item folder",
         [&](Lst<XRefItemDocData*>& docs) {
             XRefItemDocData* bad = Record(u"B", vault_.plate);
             bad->mlDestFolderID = vault_.cadFolder;
             docs.AddTail(bad);
         },
         vault_.alice, E_OXN_FOLDER_NOT_FOUND},
        {"unknown document", [&](Lst<XRefItemDocData*>& docs) { docs.AddTail(Record(u"B", 999)); }, vault_.alice,
         E_OXN_FILE_NOT_FOUND},
        {"two dynamic links on one item",
         [&](Lst<XRefItemDocData*>& docs) { docs.AddTail(Record(u"B", vault_.plate)); }, vault_.alice,
         E_ITEM_MANY_DYN_LINKS},
        {"item name taken", [&](Lst<XRefItemDocData*>& docs) { docs.AddTail(Record(u"TAKEN.<item>", -1)); },
         vault_.alice, E_OXN_NAME_ALREADY_EXISTS},
        {"name without a base name", [&](Lst<XRefItemDocData*>& docs) { docs.AddTail(Record(u".<item>", -1)); },
         vault_.alice, E_OXN_INVALID_NAME},
        {"unknown variable",
         [&](Lst<XRefItemDocData*>& docs) {
             XRefItemDocData* record = Record(u"B", -1);
             AddValue(record, u"Colour", u"red");
             docs.AddTail(record);
         },
         vault_.alice, E_OXN_VARIABLE_NOT_FOUND},
        {"unknown user", [](Lst<XRefItemDocData*>&) {}, 999, E_OXN_INVALID_ID},
    };
    const std::vector<LONG> counters = Reserve(1);
    Sql(*vault_.db,
        "INSERT INTO documents (folder_id, name, name_key, doc_type) VALUES (?, 'Taken.<item>', 'taken.<item>', 4)",
        {vault_.itemsFolder});
    for (const Case& c : cases) {
        // Each case first makes good items (one numbered by the given
        // counter), then meets its fault.
        AutoLst<Lst<XRefItemDocData*>> docs;
        docs.AddTail(Record(u"A", vault_.bracket));
        docs.AddTail(Record(nullptr, -1));
        if (c.expected == E_ITEM_MANY_DYN_LINKS) {
            docs.AddTail(Record(u"C", vault_.bracket));
            docs.AddTail(Record(u"C", vault_.plate));
        } else {
            c.addRecords(docs);
        }
        const std::vector<int64_t> before = Footprint();
        AutoLst<Lst<ItemDbData*>> out;
        const SerialNoInfo serial{counters[0], 0};
        EXPECT_EQ(Items().mhGenerateItems(docs, vault_.partsFolder, c.user, kViewId, u"C:\\View", u"PC1", &out, 1, 1,
                                          &serial),
                  c.expected)
            << c.what;
        EXPECT_TRUE(out.IsEmpty()) << c.what;
        EXPECT_EQ(Footprint(), before) << c.what;
        EXPECT_EQ(CounterState(counters[0]), 1) << c.what;
    }
}

TEST_F(SpItemsTest, NothingToGenerateIsNoFailure) {
    AutoLst<Lst<XRefItemDocData*>> docs;
    AutoLst<Lst<ItemDbData*>> out;
    EXPECT_EQ(Items().mhGenerateItems(docs, vault_.partsFolder, vault_.alice, kViewId, u"C:\\View", u"PC1", &out, 1, 0,
                                      nullptr),
              S_OK);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(Items().mhGenerateItems(docs, vault_.partsFolder, vault_.alice, kViewId, u"C:\\View", u"PC1", nullptr, 1,
                                      0, nullptr),
              E_POINTER);
}

}  // namespace
