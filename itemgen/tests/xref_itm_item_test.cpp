// The row wrapper of a tree item over a recording fake item: the owner kept
// around every call it passes on, the names it starts with and the rules
// for item names, the choice columns' rules, the item-name value, children
// and configurations wrapped, and the records carrying the row's name.
#include "recording_tree_item.h"
#include "handler_fixture.h"
#include "xref_itm_item.h"

#include "castavy/ids.h"
#include "com/ccom_bstr.h"
#include "com/ccom_variant.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace coravent_test;
using namespace CASTAVYLib;
using namespace HastrelLib;

constexpr LONG kCreate = CastavyCol_CreateItem;
constexpr LONG kExisting = CastavyCol_ExistingItem;
constexpr LONG kLink = CastavyCol_Link;

// An item with the key `key` proposing the new name `nameA`.
FakeItemSetup Named(std::u16string key, std::u16string nameA = u"") {
    FakeItemSetup setup;
    setup.key = std::move(key);
    setup.nameA = std::move(nameA);
    return setup;
}

// Whether `log` holds `expected` in this order (other entries between).
::testing::AssertionResult InOrder(const std::vector<std::string>& log, const std::vector<std::string>& expected) {
    size_t at = 0;
    for (const std::string& entry : log)
        if (at < expected.size() && entry == expected[at]) ++at;
    if (at == expected.size()) return ::testing::AssertionSuccess();
    std::string all;
    for (const std::string& entry : log) all += "\n  " + entry;
    return ::testing::AssertionFailure() << "missing \"" << expected[at] << "\" in:" << all;
}

class XRefItmItemTest : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        CASTAVYLib::RegisterRecords();
        MakeHandler(CoraventLib::TreeCreationType_ItemGeneration);
        handler_->mpoTree = static_cast<IXRefTree*>(&tree_);
    }
    void TearDown() override {
        wrapper_ = nullptr;
        HandlerTest::TearDown();
        EXPECT_EQ(item_.References(), 1u);
        EXPECT_EQ(tree_.References(), 1u);
    }

    // The handler's wrapper of `item`.
    CComPtr<IFileRefItem> Wrap(RecordingTreeItem& item, HRESULT expected = S_OK) {
        CComPtr<IFileRefItem> wrapper;
        EXPECT_EQ(handler_->GetItemWrapper(item.Item(), &wrapper), expected);
        return wrapper;
    }
    // Wraps item_ with the names and the item list given.
    void WrapItem(std::u16string nameA, std::u16string nameB, std::vector<std::pair<std::u16string, bool>> list = {}) {
        item_.Setup().nameA = std::move(nameA);
        item_.Setup().nameB = std::move(nameB);
        tree_.items = std::move(list);
        wrapper_ = Wrap(item_);
        ASSERT_TRUE(wrapper_);
    }

    std::u16string RowName() {
        CComQIPtr<IFileRefItem3> properties(wrapper_);
        CComVariant out;
        EXPECT_EQ(properties->GetProperty(kPropertyItemName, nullptr, &out), S_OK);
        EXPECT_EQ(out.vt, VT_BSTR);
        return com::BstrText(out.bstrVal);
    }
    HRESULT Name(const char16_t* name) {
        CComQIPtr<IFileRefItem3> properties(wrapper_);
        CComVariant window(0);
        CComVariant value(name);
        return properties->PutProperty(kPropertyItemName, &window, &value);
    }
    std::vector<LONG> Choice() { return {item_.values[kCreate], item_.values[kExisting], item_.values[kLink]}; }

    FakeWalkTree tree_;
    RecordingTreeItem item_;
    CComPtr<IFileRefItem> wrapper_;
};

TEST_F(XRefItmItemTest, StartsAsTheOwnerWithTheNamesAndTheColumnsCleared) {
    WrapItem(u"ITM-000001.<item>", u"");
    EXPECT_EQ(item_.owner, static_cast<IUnknown*>(wrapper_.GetInterfacePtr()));
    EXPECT_TRUE(InOrder(item_.log,
                        {"owner none", "query IFileRefItem", "owner set", "IXRefItmItem 6", "set 33=0", "set 34=0",
                         "set 35=0", "set 35=1", "set 33=1", "state 33 2", "state 33 8", "state 34 4", "state 34 16"}));
    EXPECT_EQ(Choice(), (std::vector<LONG>{1, 0, 1}));
    EXPECT_EQ(RowName(), u"ITM-000001.<item>");
}

TEST_F(XRefItmItemTest, EveryPassedOnCallClearsTheOwnerForItsQueryOnly) {
    WrapItem(u"ITM-000001.<item>", u"");
    struct Case {
        const char* name;
        std::function<HRESULT(IFileRefItem*)> call;
        HRESULT result;
        std::string lastEntry;
        std::string query;
    };
    const Case cases[] = {
        {"column text",
         [](IFileRefItem* row) {
             CComBSTR text;
             return row->GetColumnText(0, &text);
         },
         S_OK, "IFileRefItem 7", "IFileRefItem"},
        {"column switch",
         [](IFileRefItem* row) {
             VARIANT_BOOL on = VARIANT_FALSE;
             return row->GetColumnEnabled(kLink, &on);
         },
         S_OK, "IFileRefItem 8", "IFileRefItem"},
        {"placeholder slot", [](IFileRefItem* row) { return row->UnusedSlot12(); }, 0x00040012, "IFileRefItem 12",
         "IFileRefItem"},
        {"children", [](IFileRefItem* row) { return row->StartChildren(0, 0); }, S_OK, "IFileRefItem 3",
         "IFileRefItem"},
        {"other property",
         [](IFileRefItem* row) {
             CComQIPtr<IFileRefItem3> properties(row);
             CComVariant out;
             return properties->GetProperty(kPropertyConfiguration, nullptr, &out);
         },
         S_OK, "IFileRefItem3 3 (4)", "IFileRefItem3"},
        {"other value",
         [](IFileRefItem* row) {
             CComQIPtr<IEditableFileRefItem> editable(row);
             CComBSTR value;
             return editable->GetValue(7, &value);
         },
         S_OK, "IEditableFileRefItem 4 (7)", "IEditableFileRefItem"},
        {"editable placeholder",
         [](IFileRefItem* row) {
             CComQIPtr<IEditableFileRefItem> editable(row);
             return editable->UnusedSlot6();
         },
         0x00040006, "slot 6", "IEditableFileRefItem"},
        {"configuration",
         [](IFileRefItem* row) {
             CComQIPtr<IFileRefConfigurations> configurations(row);
             LONG word = 0, state = 0;
             return configurations->FindConfiguration(nullptr, &word, &state);
         },
         S_OK, "IFileRefConfigurations 4", "IFileRefConfigurations"},
        {"file record",
         [](IFileRefItem* row) {
             CComQIPtr<IXRefItmItem> file(row);
             BellquistLib::ItmObjectData data{};
             HRESULT hr = file->GetObjectData(&data);
             EXPECT_EQ(data.mlObjectID, 77);
             return hr;
         },
         S_OK, "IXRefItmItem 3", "IXRefItmItem"},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.name);
        item_.ClearLog();
        EXPECT_EQ(one.call(wrapper_), one.result);
        EXPECT_EQ(item_.log,
                  (std::vector<std::string>{"owner none", "query " + one.query, "owner set", one.lastEntry}));
        EXPECT_EQ(item_.owner, static_cast<IUnknown*>(wrapper_.GetInterfacePtr()));
    }
    CComQIPtr<IEditableFileRefItem> editable(wrapper_);
    EXPECT_EQ(editable->UnusedSlot10(), E_NOTIMPL);
    EXPECT_EQ(editable->UnusedSlot11(), E_NOTIMPL);
    VARIANT_BOOL canEdit = VARIANT_FALSE;
    EXPECT_EQ(editable->CanEdit(&canEdit), S_OK);
    EXPECT_EQ(canEdit, VARIANT_TRUE);
}

TEST_F(XRefItmItemTest, OtherInterfacesAreTheItemsOwn) {
    WrapItem(u"ITM-000001.<item>", u"");
    CComPtr<IXRefColumns> columns;
    ASSERT_EQ(wrapper_->QueryInterface(IXRefColumns::kIid, reinterpret_cast<void**>(&columns)), S_OK);
    EXPECT_EQ(columns.GetInterfacePtr(), static_cast<IXRefColumns*>(&item_));
    CComPtr<IUnknown> identity;
    ASSERT_EQ(wrapper_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity.GetInterfacePtr(), static_cast<IUnknown*>(wrapper_.GetInterfacePtr()));
    CComPtr<IUnknown> none;
    EXPECT_EQ(wrapper_->QueryInterface(com_testing::IBar::kIid, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
    // The raw item answers its row interfaces with the wrapper's.
    CComPtr<IEditableFileRefItem> editable;
    ASSERT_EQ(item_.QueryInterface(IEditableFileRefItem::kIid, reinterpret_cast<void**>(&editable)), S_OK);
    CComQIPtr<IEditableFileRefItem> wrappers(wrapper_);
    EXPECT_EQ(editable, wrappers);
}

TEST_F(XRefItmItemTest, OneWrapperPerItemKeyGivesTheItemBackItsOwnerWhenItGoes) {
    WrapItem(u"ITM-000001.<item>", u"");
    RecordingTreeItem sameKey;
    CComPtr<IFileRefItem> again = Wrap(sameKey);
    EXPECT_EQ(again, wrapper_);
    EXPECT_TRUE(sameKey.log.empty());
    RecordingTreeItem other(Named(u"other"));
    CComPtr<IFileRefItem> second = Wrap(other);
    EXPECT_NE(second, wrapper_);
    EXPECT_EQ(other.owner, static_cast<IUnknown*>(second.GetInterfacePtr()));

    again = nullptr;
    second = nullptr;
    wrapper_ = nullptr;
    ReleaseHandler();
    EXPECT_EQ(item_.owner, nullptr);
    EXPECT_EQ(item_.log.back(), "owner none");
    EXPECT_EQ(other.owner, nullptr);
    EXPECT_EQ(other.References(), 1u);
}

TEST_F(XRefItmItemTest, AFailingStartKeepsNoWrapper) {
    struct Case {
        const char* name;
        HRESULT FakeItemSetup::*failure;  // null: the item list fails
    };
    const Case cases[] = {
        {"owner", &FakeItemSetup::ownerFailure},
        {"names", &FakeItemSetup::namesFailure},
        {"item list", nullptr},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.name);
        RecordingTreeItem item;
        if (one.failure) item.Setup().*one.failure = E_ACCESSDENIED;
        tree_.itemListFailure = one.failure ? S_OK : E_ACCESSDENIED;
        EXPECT_FALSE(Wrap(item, E_ACCESSDENIED));
        com_testing::ClearPendingErrorInfo();
        EXPECT_EQ(item.References(), 1u);
        EXPECT_EQ(item.owner, nullptr);
        // A later try starts anew.
        item.Setup() = FakeItemSetup{};
        tree_.itemListFailure = S_OK;
        EXPECT_TRUE(Wrap(item));
        ReleaseHandler();  // before the item goes
        MakeHandler(CoraventLib::TreeCreationType_ItemGeneration);
        handler_->mpoTree = static_cast<IXRefTree*>(&tree_);
    }
    CComPtr<IFileRefItem> none;
    EXPECT_EQ(handler_->GetItemWrapper(nullptr, &none), E_POINTER);
    EXPECT_EQ(handler_->GetItemWrapper(item_.Item(), nullptr), E_POINTER);
}

TEST_F(XRefItmItemTest, AFailingOwnerLaterIsTheCallsResult) {
    WrapItem(u"ITM-000001.<item>", u"");
    item_.Setup().ownerFailure = E_ACCESSDENIED;
    CComBSTR text;
    EXPECT_EQ(wrapper_->GetColumnText(0, &text), E_ACCESSDENIED);
    com_testing::ClearPendingErrorInfo();
    EXPECT_EQ(wrapper_->SetColumnValue(0, 0, 0, kCreate, 0), E_ACCESSDENIED);
    com_testing::ClearPendingErrorInfo();
    item_.Setup().ownerFailure = S_OK;
}

TEST_F(XRefItmItemTest, NamesTheRowByTheRulesForItemNames) {
    struct Case {
        const char* name;
        std::u16string nameA, nameB;
        std::vector<std::pair<std::u16string, bool>> list;
        const char16_t* rename;    // null: none
        std::vector<LONG> choice;  // 33, 34, 35
        bool linkSwitch;
        std::u16string rowName;
        bool renameChangesNothing = false;
    };
    const Case cases[] = {
        {"new item", u"ITM-000001.<item>", u"", {}, nullptr, {1, 0, 1}, true, u"ITM-000001.<item>"},
        {"name without the extension", u"Bracket", u"", {}, nullptr, {1, 0, 1}, true, u"Bracket.<item>"},
        {"extension in another case", u"Bracket.<ITEM>", u"", {}, nullptr, {1, 0, 1}, true, u"Bracket.<ITEM>"},
        {"item that links the document",
         u"ITM-000001.<item>",
         u"Plate.<item>",
         {{u"Plate.<item>", false}},
         nullptr,
         {0, 1, 0},
         true,
         u"Plate.<item>"},
        {"item that links another document already",
         u"ITM-000001.<item>",
         u"Plate.<item>",
         {{u"Plate.<item>", true}},
         nullptr,
         {0, 1, 0},
         false,
         u"Plate.<item>"},
        {"no names", u"", u"", {}, nullptr, {0, 0, 0}, true, u""},
        {"renamed", u"ITM-000001.<item>", u"", {}, u"Bracket", {1, 0, 1}, true, u"Bracket.<item>"},
        {"renamed to an existing item",
         u"ITM-000001.<item>",
         u"",
         {{u"Plate.<item>", true}},
         u"Plate",
         {0, 1, 0},
         false,
         u"Plate.<item>"},
        {"new name typed while an existing item is used",
         u"ITM-000001.<item>",
         u"Plate.<item>",
         {{u"Plate.<item>", false}},
         u"Fresh",
         {0, 1, 0},
         true,
         u"Plate.<item>"},
        {"the same name again", u"Bracket.<item>", u"", {}, u"Bracket", {1, 0, 1}, true, u"Bracket.<item>", true},
        {"new name typed for a row without a choice", u"", u"", {}, u"Bracket", {1, 0, 1}, true, u"Bracket.<item>"},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.name);
        item_.values.clear();
        item_.switches.clear();
        WrapItem(one.nameA, one.nameB, one.list);
        if (one.rename) {
            item_.ClearLog();
            EXPECT_EQ(Name(one.rename), S_OK);
            // Nothing is passed on for the name, and a name that changes
            // nothing changes no column.
            for (const std::string& entry : item_.log) EXPECT_NE(entry, "IFileRefItem3 4 (3)");
            if (one.renameChangesNothing) {
                EXPECT_TRUE(item_.log.empty());
            }
        }
        EXPECT_EQ(Choice(), one.choice);
        EXPECT_EQ(item_.SwitchedOn(kLink), one.linkSwitch);
        EXPECT_EQ(RowName(), one.rowName);
        wrapper_ = nullptr;
        ReleaseHandler();
        MakeHandler(CoraventLib::TreeCreationType_ItemGeneration);
        handler_->mpoTree = static_cast<IXRefTree*>(&tree_);
    }
}

TEST_F(XRefItmItemTest, ChoiceColumnsFollowEachOther) {
    struct Case {
        const char* name;
        std::u16string nameB;  // listed with flag `listFlag`
        bool listFlag;
        std::vector<std::pair<LONG, LONG>> before;  // sets before the user's (through the wrapper)
        LONG column, value;
        std::vector<LONG> choice;
        bool linkSwitch;
    };
    const Case cases[] = {
        {"new item unchecked", u"", false, {}, kCreate, 0, {0, 0, 0}, false},
        {"new item chosen over an existing one", u"Plate.<item>", false, {}, kCreate, 1, {1, 0, 0}, true},
        {"existing item chosen without a name", u"", false, {}, kExisting, 1, {0, 1, 1}, false},
        {"existing item chosen again", u"Plate.<item>", false, {{kExisting, 0}}, kExisting, 1, {0, 1, 0}, true},
        {"existing item that links elsewhere", u"Plate.<item>", true, {{kExisting, 0}}, kExisting, 1, {0, 1, 0}, false},
        {"existing item unchecked", u"Plate.<item>", false, {{kLink, 1}}, kExisting, 0, {0, 0, 0}, false},
        {"another column", u"", false, {}, CastavyCol_Configuration, 1, {1, 0, 1}, true},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.name);
        item_.values.clear();
        item_.switches.clear();
        WrapItem(u"ITM-000001.<item>", one.nameB, {{u"Plate.<item>", one.listFlag}});
        for (auto [column, value] : one.before)
            EXPECT_EQ(wrapper_->SetColumnValue(0, 0, 0, column, value), coravent::kColumnSetAndShown);
        item_.ClearLog();
        EXPECT_EQ(wrapper_->SetColumnValue(0, 0, 0, one.column, one.value), coravent::kColumnSetAndShown);
        EXPECT_EQ(Choice(), one.choice);
        EXPECT_EQ(item_.SwitchedOn(kLink), one.linkSwitch);
        EXPECT_EQ(item_.values[one.column], one.value);
        EXPECT_EQ(item_.log.back(), "state 34 " + std::to_string(one.choice[1] ? 8 : 16));
        wrapper_ = nullptr;
        ReleaseHandler();
        MakeHandler(CoraventLib::TreeCreationType_ItemGeneration);
        handler_->mpoTree = static_cast<IXRefTree*>(&tree_);
    }
    // The item's failure is the call's, without the display refresh.
    WrapItem(u"ITM-000001.<item>", u"");
    item_.Setup().setFailure = E_ACCESSDENIED;
    item_.ClearLog();
    EXPECT_EQ(wrapper_->SetColumnValue(0, 0, 0, CastavyCol_Configuration, 1), E_ACCESSDENIED);
    EXPECT_EQ(item_.log.back(), "set 19=1");
    item_.Setup().setFailure = S_OK;
}

TEST_F(XRefItmItemTest, TheItemNameValueIsCheckedNamedAndPassedOnAsGiven) {
    WrapItem(u"ITM-000001.<item>", u"");
    CComQIPtr<IEditableFileRefItem> editable(wrapper_);
    for (const char16_t* refused : {u"a\\b", u"   ", u""}) {
        SCOPED_TRACE(winapi::ToUtf8(refused));
        item_.ClearLog();
        EXPECT_EQ(editable->SetValue(kValueItemName, CComBSTR(refused)), S_FALSE);
        EXPECT_TRUE(item_.log.empty());
    }
    EXPECT_EQ(RowName(), u"ITM-000001.<item>");

    item_.ClearLog();
    EXPECT_EQ(editable->SetValue(kValueItemName, CComBSTR(u" Bracket ")), S_OK);
    EXPECT_EQ(item_.log.back(), "IEditableFileRefItem 3 (32,  Bracket )");
    EXPECT_EQ(RowName(), u"Bracket.<item>");
    CComBSTR shown;
    EXPECT_EQ(editable->GetValue(kValueItemName, &shown), S_OK);
    EXPECT_EQ(com::BstrText(shown), u"Bracket");
    EXPECT_EQ(editable->SetValue(7, CComBSTR(u"x")), S_OK);
    EXPECT_EQ(item_.log.back(), "IEditableFileRefItem 3 (7, x)");
}

TEST_F(XRefItmItemTest, ChangedOnlyForANewNameOfItsOwn) {
    struct Case {
        const char* name;
        std::u16string nameB;
        const char16_t* rename;
        std::vector<std::pair<LONG, LONG>> sets;
        VARIANT_BOOL changed;  // 3: left as it was
    };
    const Case cases[] = {
        {"proposed name", u"", nullptr, {}, VARIANT_FALSE},
        {"renamed", u"", u"Bracket", {}, VARIANT_TRUE},
        {"existing item", u"Plate.<item>", nullptr, {}, VARIANT_FALSE},
        {"not chosen", u"", nullptr, {{kCreate, 0}}, 3},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.name);
        item_.values.clear();
        WrapItem(u"ITM-000001.<item>", one.nameB, {{u"Plate.<item>", false}});
        if (one.rename) {
            EXPECT_EQ(Name(one.rename), S_OK);
        }
        for (auto [column, value] : one.sets) wrapper_->SetColumnValue(0, 0, 0, column, value);
        CComQIPtr<IEditableFileRefItem> editable(wrapper_);
        VARIANT_BOOL changed = 3;
        EXPECT_EQ(editable->GetChanged(&changed), S_OK);
        EXPECT_EQ(changed, one.changed);
        wrapper_ = nullptr;
        ReleaseHandler();
        MakeHandler(CoraventLib::TreeCreationType_ItemGeneration);
        handler_->mpoTree = static_cast<IXRefTree*>(&tree_);
    }
}

TEST_F(XRefItmItemTest, ChildrenAndConfigurationsComeOutWrapped) {
    RecordingTreeItem first(Named(u"first", u"ITM-000002.<item>"));
    RecordingTreeItem second(Named(u"second", u"ITM-000003.<item>"));
    item_.children = {&first, &second};
    WrapItem(u"ITM-000001.<item>", u"");

    CComPtr<IFileRefItem> child;
    ASSERT_EQ(wrapper_->StartChildren(0, 0), S_OK);
    ASSERT_EQ(wrapper_->NextChild(0, 0, &child), S_OK);
    EXPECT_EQ(child, Wrap(first));
    CComPtr<IFileRefItem> byIndex;
    ASSERT_EQ(wrapper_->GetChild(0, 1, &byIndex), S_OK);
    EXPECT_EQ(byIndex, Wrap(second));
    CComPtr<IFileRefItem> past;
    EXPECT_EQ(wrapper_->GetChild(0, 2, &past), S_FALSE);
    EXPECT_FALSE(past);

    // Another result is the call's, the child it came with not taken.
    item_.Setup().childResult = S_FALSE;
    EXPECT_EQ(wrapper_->NextChild(0, 0, &past), S_FALSE);
    EXPECT_FALSE(past);
    item_.Setup().childResult = E_ACCESSDENIED;
    EXPECT_EQ(wrapper_->GetChild(0, 0, &past), E_ACCESSDENIED);
    EXPECT_FALSE(past);
    item_.Setup().childResult = S_OK;
    EXPECT_EQ(wrapper_->NextChild(0, 0, nullptr), E_POINTER);

    CComQIPtr<IFileRefConfigurations> configurations(wrapper_);
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(configurations->GetConfigurations(&array), S_OK);
    {
        RecordArray<FileRefConfiguration> records(array);
        ASSERT_EQ(records.mlGetCount(), 2);
        EXPECT_EQ(records.mpoBegin()[0].item, static_cast<IUnknown*>(child.GetInterfacePtr()));
        EXPECT_EQ(records.mpoBegin()[1].item, static_cast<IUnknown*>(byIndex.GetInterfacePtr()));
        EXPECT_EQ(records.mpoBegin()[1].configurationWord, 2);
    }
    SafeArrayDestroy(array);
    // The children hold the test's reference and their wrappers' only.
    EXPECT_EQ(first.References(), 2u);
    EXPECT_EQ(second.References(), 2u);

    child = nullptr;
    byIndex = nullptr;
    wrapper_ = nullptr;
    ReleaseHandler();
    EXPECT_EQ(first.References(), 1u);
    EXPECT_EQ(second.References(), 1u);
}

TEST_F(XRefItmItemTest, NodeAndRowRecordsCarryTheRowsName) {
    struct Case {
        const char* name;
        std::u16string nameA, nameB;
        const char16_t* recordName;  // null: none
        LONG newItem, nameBFlag;
    };
    const Case cases[] = {
        {"new item", u"ITM-000001.<item>", u"", u"ITM-000001.<item>", 1, 0},
        {"item that links the document", u"ITM-000001.<item>", u"Plate.<item>", u"Plate.<item>", 0, 1},
        {"no names", u"", u"", nullptr, 0, 0},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.name);
        item_.values.clear();
        WrapItem(one.nameA, one.nameB, {{u"Plate.<item>", false}});
        CComQIPtr<IXRefItmItem> file(wrapper_);

        XRefRowRecord* row = nullptr;
        ASSERT_EQ(file->GetRowRecord(&row), S_OK);
        EXPECT_EQ(row->mbsName == nullptr, one.recordName == nullptr);
        if (one.recordName) {
            EXPECT_EQ(com::BstrText(row->mbsName), one.recordName);
        }
        EXPECT_EQ(row->mlNewItem, one.newItem);
        EXPECT_EQ(row->mlNameB, one.nameBFlag);
        SysFreeString(row->mbsName);
        CoTaskMemFree(row);

        XRefNodeRecord* node = nullptr;
        ASSERT_EQ(file->GetNodeRecord(&node), S_OK);
        EXPECT_EQ(node->mlDocumentID, 12);
        BSTR nodeName = node->mbsItemName;
        EXPECT_EQ(nodeName == nullptr, one.recordName == nullptr);
        if (one.recordName) {
            EXPECT_EQ(com::BstrText(nodeName), one.recordName);
        }
        SysFreeString(nodeName);
        CoTaskMemFree(node);

        wrapper_ = nullptr;
        ReleaseHandler();
        MakeHandler(CoraventLib::TreeCreationType_ItemGeneration);
        handler_->mpoTree = static_cast<IXRefTree*>(&tree_);
    }
}

}  // namespace
