// The tree handler's selection: the items the caller hands in become
// selection entries of the tree, items of a folder alone, and variable values
// per document and configuration.
#include "handler_fixture.h"

#include "com/bstr.h"
#include "com/ccom_variant.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "vennacle/xref_item_data.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace coravent_test;
using namespace CoraventLib;

// One variable of an item: its id or name, and its value.
struct Variable {
    CComVariant idOrName;
    CComVariant value;
};

// One item to hand in.
struct Item {
    const char16_t* name = nullptr;
    LONG document = 0;
    LONG project = 0;
    const char16_t* configuration = nullptr;
    LONG folder = 0;
    bool staticLink = false;
    std::vector<Variable> variables = {};
    bool withVariableArray = false;  // an (empty) array even without variables
};

// The items as the caller's SAFEARRAY of ItemData (the test destroys it).
SAFEARRAY* ItemArray(const std::vector<Item>& items) {
    RecordArray<ItemData> array;
    array.mvCreate(static_cast<ULONG>(items.size()), LIBID_CoraventLib, 1, 0);
    ItemData* data = array.mpoBegin();
    for (const Item& item : items) {
        data->mbsItemName = item.name ? SysAllocString(item.name) : nullptr;
        data->mlDocumentID = item.document;
        data->mlProjectID = item.project;
        data->mbsFileCfg = item.configuration ? SysAllocString(item.configuration) : nullptr;
        data->mlItemFolderID = item.folder;
        data->mbStaticLink = item.staticLink ? VARIANT_TRUE : VARIANT_FALSE;
        if (!item.variables.empty() || item.withVariableArray) {
            RecordArray<ItemVariableData> variables;
            variables.mvCreate(static_cast<ULONG>(item.variables.size()), LIBID_CoraventLib, 1, 0);
            ItemVariableData* variable = variables.mpoBegin();
            for (const Variable& given : item.variables) {
                VariantCopy(&variable->moVarIdOrName, &given.idOrName);
                VariantCopy(&variable->moValue, &given.value);
                ++variable;
            }
            // The record is packed: its array pointer is not aligned.
            SAFEARRAY* handed = nullptr;
            variables.mvHandOut(&handed);
            std::memcpy(reinterpret_cast<BYTE*>(data) + offsetof(ItemData, mpoVarData), &handed, sizeof handed);
        }
        ++data;
    }
    SAFEARRAY* out = nullptr;
    array.mvHandOut(&out);
    return out;
}

HRESULT AddItems(TestHandler& handler, const std::vector<Item>& items) {
    SAFEARRAY* array = ItemArray(items);
    const HRESULT hr = handler.AddSelection(array);
    SafeArrayDestroy(array);
    return hr;
}

std::u16string Text(BSTR text) { return text ? std::u16string(com::BstrView(text)) : u"<null>"; }

// A variable record as "id:name=text|date".
std::u16string Describe(const XRefItemVarData& value) {
    std::u16string text = winapi::ToUtf16(std::to_string(value.mlVarID)) + u":" +
                          std::u16string(value.moVarName.View()) + u"=" + std::u16string(value.moValue.View());
    if (value.mdValue != 0) text += u"|" + winapi::ToUtf16(std::to_string(value.mdValue));
    return text;
}
std::vector<std::u16string> Describe(const std::vector<XRefItemVarData*>* values) {
    std::vector<std::u16string> texts;
    if (values)
        for (const XRefItemVarData* value : *values) texts.push_back(Describe(*value));
    return texts;
}

using SelectionTest = HandlerTest;

TEST_F(SelectionTest, ItemNamesBecomeItemFileNames) {
    struct Case {
        const char16_t* given;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"bracket.dat", u"bracket.dat.<item>"},
        {u"Bracket.<ITEM>", u"Bracket.<ITEM>"},
        {u"Widget", u"Widget.<item>"},
        {u"", u"<null>"},
        {nullptr, u"<null>"},
    };
    for (const Case& c : cases) {
        TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
        ASSERT_EQ(AddItems(handler, {{.name = c.given, .document = vault_.bracket}}), S_OK);
        ASSERT_EQ(handler.moSelection.size(), 1u);
        EXPECT_EQ(Text(handler.moSelection[0].mbsItemName), c.expected) << (c.given ? winapi::ToUtf8(c.given) : "null");
    }
}

TEST_F(SelectionTest, EntriesForDocumentsAndFoldersFolderItemsApart) {
    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
    ASSERT_EQ(AddItems(handler, {{.name = u"a",
                                  .document = vault_.bracket,
                                  .project = vault_.cadFolder,
                                  .configuration = u"Default",
                                  .folder = vault_.partsFolder},
                                 {.document = 0, .project = vault_.cadFolder},
                                 {.document = -1, .project = vault_.cadFolder},
                                 {.name = u"Loose", .folder = vault_.partsFolder},
                                 {.document = -4, .project = -2}}),
              S_OK);

    // Items without document and folder have no place in the tree.
    ASSERT_EQ(handler.moSelection.size(), 3u);
    const HastrelLib::SelectionEntry& document = handler.moSelection[0];
    EXPECT_EQ(document.mlKind, HastrelLib::kSelectionDocument);
    EXPECT_EQ(document.mlDocumentID, vault_.bracket);
    EXPECT_EQ(document.moReserved.vt, VT_INT);
    EXPECT_EQ(document.moReserved.intVal, 0);
    EXPECT_EQ(document.mlProjectID, vault_.cadFolder);
    EXPECT_EQ(Text(document.mbsConfiguration), u"Default");
    EXPECT_EQ(Text(document.mbsItemName), u"a.<item>");
    EXPECT_EQ(document.mlItemFolderID, vault_.partsFolder);
    for (size_t i : {1u, 2u}) {
        EXPECT_EQ(handler.moSelection[i].mlKind, HastrelLib::kSelectionProject);
        EXPECT_EQ(handler.moSelection[i].mlProjectID, vault_.cadFolder);
        EXPECT_EQ(handler.moSelection[i].mbsConfiguration, nullptr);
        EXPECT_EQ(handler.moSelection[i].mbsItemName, nullptr);
    }

    ASSERT_EQ(handler.moFolderItems.size(), 2u);
    EXPECT_EQ(handler.moFolderItems[0]->moName, u"Loose");
    EXPECT_EQ(handler.moFolderItems[0]->mlItemFolderID, vault_.partsFolder);
    EXPECT_EQ(handler.moFolderItems[0]->mpoVarData, nullptr);
    EXPECT_EQ(handler.moFolderItems[1]->moName, u"");
}

TEST_F(SelectionTest, VariableValuesOfTheFirstItemPerDocumentAndConfiguration) {
    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
    ASSERT_EQ(AddItems(handler, {{.name = u"first",
                                  .document = vault_.bracket,
                                  .configuration = u"Default",
                                  .variables = {{CComVariant(u"Description"), CComVariant(u"one")}}},
                                 // The same key, the configuration in other letter case: no values of its own.
                                 {.document = vault_.bracket,
                                  .configuration = u"DEFAULT",
                                  .staticLink = true,
                                  .variables = {{CComVariant(u"Description"), CComVariant(u"two")}}},
                                 {.document = vault_.bracket, .staticLink = true},
                                 {.name = u"Loose", .variables = {{CComVariant(LONG{7}), CComVariant(u"three")}}},
                                 // Neither a document nor a folder item: the values have no owner.
                                 {.document = -1,
                                  .project = vault_.cadFolder,
                                  .variables = {{CComVariant(LONG{7}), CComVariant(u"lost")}}}}),
              S_OK);

    ASSERT_EQ(handler.moVarData.size(), 2u);
    const coravent::VarDataEntry& configured = handler.moVarData.at({vault_.bracket, u"default"});
    EXPECT_EQ(Describe(configured.mpoVarData.get()), (std::vector<std::u16string>{u"0:Description=one"}));
    EXPECT_FALSE(configured.mbStaticLink);
    EXPECT_TRUE(configured.mbItemNamed);
    const coravent::VarDataEntry& whole = handler.moVarData.at({vault_.bracket, u""});
    EXPECT_EQ(Describe(whole.mpoVarData.get()), std::vector<std::u16string>{});
    EXPECT_TRUE(whole.mbStaticLink);
    EXPECT_FALSE(whole.mbItemNamed);

    ASSERT_EQ(handler.moFolderItems.size(), 1u);
    EXPECT_EQ(Describe(handler.moFolderItems[0]->mpoVarData.get()), (std::vector<std::u16string>{u"7:=three"}));
}

TEST_F(SelectionTest, AFolderWithoutDocumentTakesNoValuesNorStaticLink) {
    for (const Item& refused : {Item{.project = vault_.cadFolder, .withVariableArray = true},
                                Item{.project = vault_.cadFolder, .staticLink = true}}) {
        TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
        EXPECT_EQ(AddItems(handler, {{.name = u"kept", .document = vault_.plate},
                                     refused,
                                     {.name = u"never", .document = vault_.bracket}}),
                  E_INVALIDARG);
        // What came before stays.
        ASSERT_EQ(handler.moSelection.size(), 1u);
        EXPECT_EQ(Text(handler.moSelection[0].mbsItemName), u"kept.<item>");
    }
}

TEST_F(SelectionTest, VariableRecordsFromIdsNamesAndValues) {
    struct Case {
        CComVariant idOrName;
        CComVariant value;
        HRESULT expectedResult;
        const char16_t* expected;
    };
    CComVariant date;
    date.vt = VT_DATE;
    date.date = 45000.25;
    CComVariant shortId;
    shortId.vt = VT_I2;
    shortId.iVal = 12;
    CComVariant unknown;
    unknown.vt = VT_UNKNOWN;
    unknown.punkVal = nullptr;
    const Case cases[] = {
        {CComVariant(u"Description"), CComVariant(u"text"), S_OK, u"0:Description=text"},
        {CComVariant(LONG{42}), CComVariant(LONG{17}), S_OK, u"42:=17"},
        {shortId, CComVariant(2.5), S_OK, u"12:=2.5"},
        {CComVariant(7.6), CComVariant(u""), S_OK, u"8:="},
        {CComVariant(u"Due"), date, S_OK, u"0:Due=|45000.250000"},
        {CComVariant(u"Bad"), unknown, DISP_E_TYPEMISMATCH, nullptr},
        {CComVariant(u"not a number"), CComVariant(u"x"), S_OK, u"0:not a number=x"},
    };
    for (const Case& c : cases) {
        TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
        ItemVariableData variable{};
        VariantCopy(&variable.moVarIdOrName, &c.idOrName);
        VariantCopy(&variable.moValue, &c.value);
        XRefItemVarData* made = nullptr;
        EXPECT_EQ(handler.MakeVarData(variable, &made), c.expectedResult);
        if (c.expected) {
            ASSERT_NE(made, nullptr);
            EXPECT_EQ(Describe(*made), c.expected);
        } else {
            EXPECT_EQ(made, nullptr);
            // The failure ends the whole selection with its code.
            EXPECT_EQ(AddItems(handler, {{.document = vault_.bracket, .variables = {{c.idOrName, c.value}}}}),
                      c.expectedResult);
        }
        delete made;
        VariantClear(&variable.moVarIdOrName);
        VariantClear(&variable.moValue);
    }
}

}  // namespace
