// The tree handler as the reference dialog calls it: columns, captions, the
// option, value changes, the tree rebuild, check states, rows, the item
// list and "Generate new ID".
#include "handler_fixture.h"

#include "castavy/ids.h"
#include "com/ccom_variant.h"
#include "common/error_codes.h"
#include "coravent/ids.h"
#include "ui/menus.h"
#include "winapi/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace coravent_test;
using namespace CoraventLib;
using CASTAVYLib::IFileRefItem;

SAFEARRAY* ColumnArray(const std::vector<LONG>& columns) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(columns.size()));
    for (LONG i = 0; i < static_cast<LONG>(columns.size()); ++i) {
        LONG value = columns[i];
        SafeArrayPutElement(array, &i, &value);
    }
    return array;
}

using XRefTreeHandlerTest = HandlerTest;

TEST_F(XRefTreeHandlerTest, HandsTheColumnSetsSwappedWithTheCommandBit) {
    TestHandler& handler = MakeHandler(TreeCreationType_IncrRevisions);
    SAFEARRAY* first = nullptr;
    SAFEARRAY* second = nullptr;
    LONG flags = 0;
    EXPECT_EQ(handler.GetColumns(&first, &second, &flags), E_FAIL);  // before the item operation set them
    EXPECT_EQ(handler.GetColumns(nullptr, &second, &flags), E_INVALIDARG);
    EXPECT_EQ(handler.GetColumns(&first, nullptr, &flags), E_INVALIDARG);

    SAFEARRAY* one = ColumnArray({0, 1, 2});
    SAFEARRAY* two = ColumnArray({4, 18});
    ASSERT_EQ(handler.SetColumns(one, two, 0x10A), S_OK);
    SafeArrayDestroy(one);  // the handler keeps copies
    SafeArrayDestroy(two);
    EXPECT_EQ(handler.GetColumns(&first, &second, nullptr), E_POINTER);
    ASSERT_EQ(handler.GetColumns(&first, &second, &flags), S_OK);
    EXPECT_EQ(Columns(first), (std::vector<LONG>{4, 18}));
    EXPECT_EQ(Columns(second), (std::vector<LONG>{0, 1, 2}));
    EXPECT_EQ(flags, 0x1000010A);
    SafeArrayDestroy(first);
    SafeArrayDestroy(second);
}

TEST_F(XRefTreeHandlerTest, CaptionsByTextIdAndTreeType) {
    struct Case {
        LONG id;
        const char16_t* generate;  // tree type 1
        const char16_t* addFiles;  // tree type 2, when it differs
    };
    const Case cases[] = {
        {0, u"Generate Item", u"Add Files to Item"},
        {1, u"", nullptr},
        {5, u"", nullptr},
        {6, u"Create", nullptr},
        {7, u"Existing", nullptr},
        {8, u"Open Generated Items", nullptr},
        {9, u"Destination Folder:", nullptr},
        {10, u"...", nullptr},
        {11, u"Press this button to browse for a destination folder.", nullptr},
        {12, u"\u00a4Destination Folder\nEnter path to folder where items should be created here.", nullptr},
        {13, u"\u00a4Open Generated Items\nPress this button to open the Halvaran with the new items selected.",
         nullptr},
        {14, u"", nullptr},
        {-1, u"", nullptr},
    };
    for (TreeCreationType type : {TreeCreationType_ItemGeneration, TreeCreationType_RetrieveFiles}) {
        TestHandler& handler = MakeHandler(type);
        for (const Case& c : cases) {
            BSTR text = nullptr;
            ASSERT_EQ(handler.GetText(c.id, &text), S_OK) << c.id;
            const char16_t* expected = type == TreeCreationType_RetrieveFiles && c.addFiles ? c.addFiles : c.generate;
            EXPECT_EQ(std::u16string(com::BstrView(text)), expected) << "type " << type << " text " << c.id;
            SysFreeString(text);
        }
    }

    // Another tree type has no title of its own: the caller's string stays.
    TestHandler& handler = MakeHandler(TreeCreationType_IncrRevisions);
    BSTR kept = SysAllocString(u"the dialog's own");
    BSTR text = kept;
    EXPECT_EQ(handler.GetText(0, &text), S_OK);
    EXPECT_EQ(text, kept);
    SysFreeString(kept);
    EXPECT_EQ(handler.GetText(6, nullptr), E_POINTER);
}

TEST_F(XRefTreeHandlerTest, OpenGeneratedItemsOptionIsStoredEvenWithoutARow) {
    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
    EXPECT_EQ(handler.GetOption(0, 0, 68, nullptr, nullptr), E_NOTIMPL);
    LONG value = -1, flag = -1;
    EXPECT_EQ(handler.GetOption(0, 0, 67, nullptr, &flag), E_POINTER);
    ASSERT_EQ(handler.GetOption(0, 0, 67, &value, &flag), S_OK);
    EXPECT_EQ(value, 1);  // no key yet
    EXPECT_EQ(flag, 1);

    EXPECT_EQ(handler.ValueChanged(0, nullptr, 0, 67, 0), S_OK);
    ASSERT_EQ(handler.GetOption(0, 0, 67, &value, &flag), S_OK);
    EXPECT_EQ(value, 0);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, coravent::kCoraventKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD stored = 7, type = 0, size = sizeof(stored);
    EXPECT_EQ(RegQueryValueExW(key, u"OpenGeneratedItems", nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored, 0u);
    RegCloseKey(key);
}

TEST_F(XRefTreeHandlerTest, ValueChangesTheHandlerMakesItself) {
    using Set = FakeRow::Set;
    struct Case {
        TreeCreationType type;
        LONG column;
        LONG value;
        HRESULT expected;
        std::vector<Set> sets;
        size_t stateCalls;
    };
    const Case cases[] = {
        // Add-file off takes the link column with it.
        {TreeCreationType_ItemGeneration, 36, 0, S_OK, {{9, 0, 5, 36, 0}, {9, 0, 5, 35, 0}}, 0},
        {TreeCreationType_RetrieveFiles, 36, 0, S_OK, {{9, 0, 5, 36, 0}, {9, 0, 5, 35, 0}}, 0},
        // Linking in an add-files tree adds the file too, after the tree's column state.
        {TreeCreationType_RetrieveFiles, 35, 1, S_OK, {{9, 0, 5, 35, 1}, {9, 0, 5, 36, 1}}, 1},
        // Everything else is the dialog's.
        {TreeCreationType_ItemGeneration, 35, 1, S_FALSE, {}, 0},
        {TreeCreationType_RetrieveFiles, 35, 0, S_FALSE, {}, 0},
        {TreeCreationType_RetrieveFiles, 36, 1, S_FALSE, {}, 0},
        {TreeCreationType_ItemGeneration, 33, 1, S_FALSE, {}, 0},
    };
    for (const Case& c : cases) {
        TestHandler& handler = MakeHandler(c.type);
        auto* tree = new FakeTree;
        GiveTree(tree);
        auto* row = new FakeRow;
        EXPECT_EQ(handler.ValueChanged(9, row, 5, c.column, c.value), c.expected) << c.column << "/" << c.value;
        EXPECT_EQ(row->sets, c.sets) << c.column << "/" << c.value;
        ASSERT_EQ(tree->columnStateCalls.size(), c.stateCalls);
        if (c.stateCalls) {
            EXPECT_EQ(tree->columnStateCalls[0], (std::vector<LONG>{35, 4, 5}));
        }
        row->Release();
        tree->Release();
    }

    // A null row, a failing row and a failing column state come back.
    TestHandler& handler = MakeHandler(TreeCreationType_RetrieveFiles);
    EXPECT_EQ(handler.ValueChanged(0, nullptr, 0, 36, 0), E_POINTER);
    auto* row = new FakeRow;
    row->setFailure = E_ACCESSDENIED;
    EXPECT_EQ(handler.ValueChanged(0, row, 0, 36, 0), E_ACCESSDENIED);
    row->setFailure = S_OK;
    auto* tree = new FakeTree;
    tree->columnStateFailure = E_UNEXPECTED;
    GiveTree(tree);
    EXPECT_EQ(handler.ValueChanged(0, row, 0, 35, 1), E_UNEXPECTED);
    EXPECT_TRUE(row->sets.empty());
    // A tree without the column-state interface is passed over.
    tree->Hide(HastrelLib::IXRefColumnState::kIid);
    EXPECT_EQ(handler.ValueChanged(0, row, 0, 35, 1), S_OK);
    EXPECT_EQ(row->sets.size(), 2u);
    row->Release();
    tree->Release();
}

TEST_F(XRefTreeHandlerTest, RebuildSetsTheTreeOptionWordByTypeAndMode) {
    struct Case {
        TreeCreationType type;
        LONG mode;
        LONG word;
    };
    const Case cases[] = {
        {TreeCreationType_ItemGeneration, 0, 0x1101}, {TreeCreationType_ItemGeneration, 1, 0x1103},
        {TreeCreationType_ItemGeneration, 2, 0x1303}, {TreeCreationType_ItemGeneration, 3, 0x1301},
        {TreeCreationType_ItemGeneration, 4, 0x1101}, {TreeCreationType_RetrieveFiles, 0, 0x1},
        {TreeCreationType_RetrieveFiles, 1, 0x3},     {TreeCreationType_RetrieveFiles, 2, 0x202},
        {TreeCreationType_RetrieveFiles, 3, 0x200},   {TreeCreationType_RetrieveFiles, 4, 0x1},
    };
    for (const Case& c : cases) {
        TestHandler& handler = MakeHandler(c.type);
        // Nothing was selected: no tree can be built, but the word is set.
        EXPECT_EQ(handler.BuildTree(c.mode), E_INVALIDARG);
        EXPECT_EQ(handler.mlTreeOptions, c.word) << c.type << "/" << c.mode;
    }
}

TEST_F(XRefTreeHandlerTest, RebuildOfAnItemGenerationTreeNeedsItsCounterIds) {
    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
    auto* tree = new FakeTree;
    tree->Hide(HastrelLib::IXRefTreeSerials::kIid);
    GiveTree(tree);
    EXPECT_EQ(handler.BuildTree(3), E_NOTIMPL);
    EXPECT_EQ(handler.mpoTree, static_cast<HastrelLib::IXRefTree*>(tree));  // the old tree still answers

    auto* failing = new FakeTree;
    failing->serialsFailure = E_ACCESSDENIED;
    GiveTree(failing);
    EXPECT_EQ(handler.BuildTree(3), E_ACCESSDENIED);
    EXPECT_EQ(handler.mpoTree, static_cast<HastrelLib::IXRefTree*>(failing));
    tree->Release();
    failing->Release();
}

TEST_F(XRefTreeHandlerTest, CounterIdsNoNewTreeTookStayToBeGivenBack) {
    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
    auto* tree = new FakeTree;
    tree->serials = {{7, 11}, {8, 12}};
    GiveTree(tree);
    tree->Release();
    // Nothing selected: the new tree is not made, so nobody took the ids.
    EXPECT_EQ(handler.BuildTree(3), E_INVALIDARG);
    EXPECT_EQ(handler.mpoTree, nullptr);
    ASSERT_EQ(handler.moNewIds.size(), 2u);
    EXPECT_EQ(handler.moNewIds.at(7).mlSource, 11);
    EXPECT_EQ(handler.moNewIds.at(8).mlSource, 12);
}

TEST_F(XRefTreeHandlerTest, RowCheckedReadsTheMainCheckColumnOfTheTreeType) {
    struct Case {
        TreeCreationType type;
        LONG checkedColumn;  // the column set on the row
        bool switchedOff;
        LONG expected;
    };
    const Case cases[] = {
        {TreeCreationType_ItemGeneration, 33, false, 1}, {TreeCreationType_ItemGeneration, 34, false, 0},
        {TreeCreationType_ItemGeneration, 33, true, 0},  {TreeCreationType_RetrieveFiles, 36, false, 1},
        {TreeCreationType_RetrieveFiles, 33, false, 0},  {TreeCreationType_IncrRevisions, 33, false, 0},
    };
    for (const Case& c : cases) {
        TestHandler& handler = MakeHandler(c.type);
        auto* item = new FakeTreeItem;
        item->values[c.checkedColumn] = true;
        if (c.switchedOff) item->enabled[c.checkedColumn] = false;
        LONG checked = -1;
        EXPECT_EQ(handler.GetRowChecked(item->Identity(), &checked), S_OK);
        EXPECT_EQ(checked, c.expected) << c.type << "/" << c.checkedColumn;
        item->Release();
    }

    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
    auto* item = new FakeTreeItem;
    LONG checked = -1;
    EXPECT_EQ(handler.GetRowChecked(item->Identity(), nullptr), E_POINTER);
    item->checkedFailure = E_ACCESSDENIED;
    EXPECT_EQ(handler.GetRowChecked(item->Identity(), &checked), E_ACCESSDENIED);
    item->Hide(HastrelLib::IXRefColumns::kIid);
    EXPECT_EQ(handler.GetRowChecked(item->Identity(), &checked), E_POINTER);
    auto* row = new FakeRow;  // not a tree item at all
    EXPECT_EQ(handler.GetRowChecked(row->Identity(), &checked), E_POINTER);
    row->Release();
    item->Release();
}

TEST_F(XRefTreeHandlerTest, RowsForElementsThatHoldNoItem) {
    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
    IUnknown* row = nullptr;
    EXPECT_EQ(handler.GetRowItem(0, nullptr, &row), S_FALSE);
    EXPECT_EQ(row, nullptr);
    auto* notAnElement = new FakeRow;
    EXPECT_EQ(handler.GetRowItem(0, notAnElement->Identity(), &row), E_POINTER);
    notAnElement->Release();
    auto* element = new FakeElement;
    element->has = 0;
    EXPECT_EQ(handler.GetRowItem(0, element->Identity(), &row), S_FALSE);
    element->hasFailure = E_ACCESSDENIED;
    EXPECT_EQ(handler.GetRowItem(0, element->Identity(), &row), E_ACCESSDENIED);
    EXPECT_EQ(row, nullptr);
    element->Release();
}

TEST_F(XRefTreeHandlerTest, RootEnumeratorAndItemListComeFromTheTree) {
    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
    IUnknown* roots = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(handler.GetRootEnumerator(0, &roots), S_FALSE);
    EXPECT_EQ(roots, nullptr);
    SAFEARRAY* list = nullptr;
    EXPECT_EQ(handler.GetItemList(&list, 0), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(handler.GetItemList(nullptr, 0), E_POINTER);

    auto* tree = new FakeTree;
    auto* element = new FakeElement;
    tree->roots = element->Identity();
    GiveTree(tree);
    ASSERT_EQ(handler.GetRootEnumerator(0, &roots), S_OK);
    EXPECT_EQ(roots, element->Identity());
    roots->Release();

    ASSERT_EQ(handler.GetItemList(&list, 0), S_OK);
    EXPECT_NE(list, nullptr);
    SafeArrayDestroy(list);
    tree->itemListFailure = E_ACCESSDENIED;  // the array the tree made anyway is destroyed
    EXPECT_EQ(handler.GetItemList(&list, 0), E_ACCESSDENIED);
    EXPECT_EQ(list, nullptr);
    tree->Hide(HastrelLib::IXRefTreeItems::kIid);
    EXPECT_EQ(handler.GetItemList(&list, 0), E_UNEXPECTED);
    element->Release();
    tree->Release();
}

TEST_F(XRefTreeHandlerTest, GenerateNewIdReservesIdsAndNamesTheRowsInOrder) {
    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
    HMENU menu = CreatePopupMenu();
    auto* list = new FakeRowList;
    // No rows: no entry, and the list is not kept.
    EXPECT_EQ(handler.OnContextMenu(static_cast<LONG>(reinterpret_cast<uintptr_t>(menu)), list), S_OK);
    EXPECT_EQ(GetMenuItemCount(menu), 0);
    EXPECT_EQ(handler.mpoListObject, nullptr);

    auto* first = new FakeRow;
    auto* plain = new FakeRow;  // a row without names
    plain->Hide(CASTAVYLib::IFileRefItem3::kIid);
    auto* second = new FakeRow;
    auto* extra = new FakeRow;  // one row more than the list counted
    list->count = 2;
    list->rows = {first->Identity(), plain->Identity(), second->Identity(), extra->Identity()};
    ASSERT_EQ(handler.OnContextMenu(static_cast<LONG>(reinterpret_cast<uintptr_t>(menu)), list), S_OK);
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    EXPECT_EQ(GetMenuItemID(menu, 0), 5001u);
    WCHAR text[64] = {};
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_EQ(std::u16string(text), u"Generate new ID");

    EXPECT_EQ(handler.OnCommand(4711, 0, 0), S_OK);  // not ours
    EXPECT_TRUE(handler.moNewIds.empty());
    ASSERT_EQ(handler.OnCommand(5001, 3, 4), S_OK);
    EXPECT_EQ(list->countArguments.back(), (std::pair<LONG, LONG>{3, 4}));  // the dialog's values reach the list
    ASSERT_EQ(handler.moNewIds.size(), 2u);
    for (const auto& [id, serial] : handler.moNewIds) {
        EXPECT_EQ(serial.mlCounterID, id);
        EXPECT_EQ(serial.mlSource, 0);
        EXPECT_EQ(vennacle_test::Sql(*vault_.db, "SELECT state FROM counters WHERE id = ?", {int32_t{id}}), 1);
    }
    EXPECT_EQ(first->names, (std::vector<std::u16string>{u"ITM-000001"}));
    EXPECT_EQ(second->names, (std::vector<std::u16string>{u"ITM-000002"}));
    EXPECT_TRUE(extra->names.empty());
    EXPECT_EQ(handler.mpoListObject, nullptr);  // released once done

    // A row that refuses its name stops the command.
    ASSERT_EQ(handler.OnContextMenu(static_cast<LONG>(reinterpret_cast<uintptr_t>(menu)), list), S_OK);
    first->nameFailure = E_ACCESSDENIED;
    EXPECT_EQ(handler.OnCommand(5001, -1, 0), E_ACCESSDENIED);
    EXPECT_EQ(handler.moNewIds.size(), 4u);  // reserved before the rows were named: still to be given back
    EXPECT_TRUE(second->names.size() == 1);

    list->countFailure = E_UNEXPECTED;
    EXPECT_EQ(handler.OnCommand(5001, -1, 0), E_UNEXPECTED);
    EXPECT_EQ(handler.OnContextMenu(0, nullptr), E_POINTER);
    DestroyMenu(menu);
    for (FakeRow* row : {first, plain, second, extra}) row->Release();
    handler.mpoListObject = nullptr;
    list->Release();
}

TEST_F(XRefTreeHandlerTest, CommandsWithoutAnythingToDo) {
    TestHandler& handler = MakeHandler(TreeCreationType_RetrieveFiles);
    EXPECT_EQ(handler.Command(0, 1, nullptr), S_OK);  // the name check is item generation's
    EXPECT_EQ(handler.Command(0, 3, nullptr), S_OK);  // help, even without a help viewer
    EXPECT_EQ(handler.Command(0, 99, nullptr), S_OK);
    EXPECT_EQ(handler.OnDialogInit(), S_OK);
    EXPECT_EQ(handler.OnTreeShown(), S_OK);
    EXPECT_EQ(handler.OnDialogClose(), S_OK);
    EXPECT_EQ(handler.UnusedSlot5(), S_OK);
}

TEST_F(XRefTreeHandlerTest, AnswersTheDialogsInterfacesWithOneCommandPointer) {
    TestHandler& handler = MakeHandler(TreeCreationType_ItemGeneration);
    IUnknown* command = nullptr;
    ASSERT_EQ(static_cast<CASTAVYLib::IFileRefCmd3&>(handler).QueryInterface(CASTAVYLib::IFileRefCmd3::kIid,
                                                                             reinterpret_cast<void**>(&command)),
              S_OK);
    for (REFIID iid : {CASTAVYLib::IID_IFileRefCmd2, CASTAVYLib::IID_IFileRefCmd}) {
        IUnknown* same = nullptr;
        ASSERT_EQ(static_cast<CASTAVYLib::IFileRefCmd3&>(handler).QueryInterface(iid, reinterpret_cast<void**>(&same)),
                  S_OK);
        EXPECT_EQ(same, command);
        same->Release();
    }
    for (REFIID iid : {CASTAVYLib::IItemListCmd::kIid, CASTAVYLib::IFileRefItem3::kIid,
                       CASTAVYLib::IXRefTreeListCtrlCallback::kIid}) {
        IUnknown* other = nullptr;
        EXPECT_EQ(static_cast<CASTAVYLib::IFileRefCmd3&>(handler).QueryInterface(iid, reinterpret_cast<void**>(&other)),
                  S_OK);
        if (other) other->Release();
    }
    command->Release();
}

TEST_F(XRefTreeHandlerTest, TakesTheItemsCurrentLinksInOrder) {
    TestHandler& handler = MakeHandler(TreeCreationType_RetrieveFiles);
    RecordArray<ItmLink> links;
    links.mvCreate(2, LIBID_CoraventLib, 1, 0);
    links.mpoBegin()[0].mlObjectID = 11;
    links.mpoBegin()[1].mlObjectID = 12;
    ASSERT_EQ(handler.TakeCurrentLinks(links.mpoGetArray()), S_OK);
    ASSERT_EQ(handler.TakeCurrentLinks(links.mpoGetArray()), S_OK);
    ASSERT_EQ(handler.moCurrentLinks.size(), 4u);
    EXPECT_EQ(handler.moCurrentLinks[1].mlObjectID, 12);
    EXPECT_EQ(handler.moCurrentLinks[2].mlObjectID, 11);
    SAFEARRAY* wrong = SafeArrayCreateVector(VT_I4, 0, 2);
    EXPECT_EQ(handler.TakeCurrentLinks(wrong), E_INVALIDARG);
    com_testing::ClearPendingErrorInfo();
    SafeArrayDestroy(wrong);
}

}  // namespace
