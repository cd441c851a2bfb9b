// The layer's list and records: who frees what, and that nothing leaks.
#include "vennacle/auto_lst.h"
#include "vennacle/item_db_data.h"
#include "common/lst.h"
#include "vennacle/sp_str.h"
#include "vennacle/xref_item_data.h"
#include "../src/item_db_block.h"

#include "com/task_memory.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(VennacleLst, RemoveHeadAndTailTakeValuesFromBothEnds) {
    const long long before = com::testing::LiveTaskAllocations();
    {
        Lst<SpStr> names;
        for (const char16_t* name : {u"a", u"b", u"c", u"d"}) names.AddTail(SpStr(name));
        EXPECT_EQ(names.RemoveHead().View(), u"a");
        EXPECT_EQ(names.RemoveTail().View(), u"d");
        EXPECT_EQ(names.GetCount(), 2);
        EXPECT_EQ(names.RemoveTail().View(), u"c");
        EXPECT_EQ(names.RemoveHead().View(), u"b");
        EXPECT_TRUE(names.IsEmpty());
        EXPECT_EQ(names.GetHeadPosition(), nullptr);

        // The list is whole again after being emptied from both ends.
        names.AddHead(SpStr(u"x"));
        names.AddTail(SpStr(u"y"));
        std::u16string walked;
        for (POSITION at = names.GetHeadPosition(); at;) walked += names.GetNext(at).View();
        EXPECT_EQ(walked, u"xy");
    }
    EXPECT_EQ(com::testing::LiveTaskAllocations(), before);
}

TEST(VennacleRecords, SpStrOwnsCopiesAndHandsOutNewBstrs) {
    SpStr name(u"Part");
    SpStr copy = name;
    name = u"Other";
    EXPECT_EQ(copy.View(), u"Part");
    BSTR text = copy.copy();
    EXPECT_EQ(std::u16string(text), u"Part");
    SysFreeString(text);
    EXPECT_EQ(SpStr().copy(), nullptr);
    EXPECT_EQ(SpStr(static_cast<const OLECHAR*>(nullptr)).GetLength(), 0u);
}

TEST(VennacleRecords, AutoLstFreesDocRecordsWithTheirStringsAndValues) {
    const long long before = com::testing::LiveTaskAllocations();
    {
        AutoLst<Lst<XRefItemDocData*>> docs;
        auto* doc = new XRefItemDocData;
        EXPECT_EQ(doc->mlDocID, 0);
        EXPECT_EQ(doc->mpoVarData, nullptr);
        doc->mbsItemName = SysAllocString(u"A.<item>");
        doc->mpoVarData = new XRefItemVarList;
        auto* var = new XRefItemVarData;
        var->moVarName = u"Description";
        var->moValue = u"Bracket";
        auto* copied = new XRefItemVarData;
        *copied = *var;
        doc->mpoVarData->push_back(var);
        doc->mpoVarData->push_back(copied);
        docs.AddTail(doc);
        docs.AddTail(new XRefItemDocData);
    }
    EXPECT_EQ(com::testing::LiveTaskAllocations(), before);
}

TEST(VennacleRecords, ItemDbDataIsOneBlockFreedByCoTaskMemFree) {
    const long long before = com::testing::LiveTaskAllocations();
    vennacle::ItemDbTexts texts;
    texts.filename = u"A.<item>";
    texts.path = u"\\<items>\\Parts\\";
    ItemDbData* record = vennacle::NewItemDbData(texts);
    EXPECT_EQ(com::testing::LiveTaskAllocations(), before + 1);
    EXPECT_EQ(record->moFilename.View(), u"A.<item>");
    EXPECT_EQ(record->moPath.View(), u"\\<items>\\Parts\\");
    EXPECT_TRUE(record->moState.IsEmpty());
    EXPECT_EQ(record->mlConfigID, -1);
    BSTR copy = record->moPath.copy();  // a caller copies out before freeing
    CoTaskMemFree(record);
    EXPECT_EQ(std::u16string(copy), u"\\<items>\\Parts\\");
    SysFreeString(copy);
    EXPECT_EQ(com::testing::LiveTaskAllocations(), before);

    AutoLst<Lst<ItemDbData*>> rows;
    rows.AddTail(vennacle::NewItemDbData(texts));
}

}  // namespace
