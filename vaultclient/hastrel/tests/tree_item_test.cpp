// A tree item as its callers use it: cells (value and switch), the owner
// that answers the row interfaces, properties and editable values, the
// configurations of its document, its record as a vault file, column states.
#include "tree_fixture.h"

#include "castavy/ids.h"
#include "com/task_memory.h"
#include "com/variant.h"

#include <functional>

namespace hastrel_tests {
namespace {

using CASTAVYLib::CastavyCol_AddFile;
using CASTAVYLib::CastavyCol_CreateItem;
using CASTAVYLib::CastavyCol_ExistingItem;
using CASTAVYLib::CastavyCol_Link;

// A bracket assembly (1) holding a pin (5) twice in "Short" and once in
// "Long", and a bolt (2).
class ItemTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        SourceDocumentWithLock(source_->AddDocument(1, 10, u"bracket.asm"));
        source_->AddDocument(2, 11, u"bolt.prt");
        source_->AddDocument(5, 11, u"pin.prt", {u"Short", u"Long"});
        source_->AddReference(1, 5, u"Short");
        source_->AddReference(1, 5, u"Short");
        source_->AddReference(1, 5, u"Long");
        source_->AddReference(1, 2);
        ASSERT_EQ(Build(kTreeOptionReferences | kTreeOptionConfigurations | kTreeOptionItemNames, {Document(1)}), S_OK);
        nodes_ = Walk();
        ASSERT_EQ(DocumentsOf(nodes_), (std::vector<LONG>{1, 5, 5, 2}));
    }
    void TearDown() override {
        nodes_.clear();
        TreeTest::TearDown();
    }

    static void SourceDocumentWithLock(hastrel::SourceDocument& document) {
        document.mlLatestVersion = 4;
        document.moRevision = u"B";
        document.mlStatusID = 3;
        document.moState = u"Released";
        document.mdModified = 45000.5;
        document.mlLockedBy = 7;
        document.moLockedBy = u"Erin";
        document.moLockedPath = u"C:\\View\\bracket.asm";
        document.moDomain = u"Design";
        document.moAlternateName = u"Bracket";
    }

    std::vector<CComPtr<IUnknown>> nodes_;
};

// An owner that answers every interface with itself and counts the asking.
class RecordingOwner final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        ++asked;
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    int asked = 0;
};

TEST_F(ItemTest, CellsHoldAValueAndASwitch) {
    CComQIPtr<IXRefColumns> columns(nodes_[0]);
    CComQIPtr<CASTAVYLib::IFileRefItem> row(nodes_[0]);
    struct Step {
        const char* what;
        std::function<void()> act;
        LONG value;    // IFileRefItem::GetColumnValue and IXRefColumns::GetValue
        bool enabled;  // IFileRefItem::GetColumnEnabled
        bool checked;  // IXRefColumns::GetChecked
    };
    const Step steps[] = {
        {"fresh", [] {}, 0, true, false},
        {"value set", [&] { columns->SetValue(35, VARIANT_TRUE); }, 1, true, true},
        {"switched off", [&] { columns->SetEnabled(35, VARIANT_FALSE); }, 1, false, false},
        {"cleared by the row", [&] { row->SetColumnValue(0, 0, 0, 35, 0); }, 0, false, false},
        {"set by the row", [&] { row->SetColumnValue(0, 0, 0, 35, 1); }, 1, false, false},
        {"switched on", [&] { columns->SetEnabled(35, VARIANT_TRUE); }, 1, true, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        LONG value = -1;
        ASSERT_EQ(row->GetColumnValue(35, &value), S_OK);
        EXPECT_EQ(value, step.value);
        VARIANT_BOOL flag = 1;
        ASSERT_EQ(columns->GetValue(35, &flag), S_OK);
        EXPECT_EQ(flag, step.value ? VARIANT_TRUE : VARIANT_FALSE);
        ASSERT_EQ(row->GetColumnEnabled(35, &flag), S_OK);
        EXPECT_EQ(flag, step.enabled ? VARIANT_TRUE : VARIANT_FALSE);
        ASSERT_EQ(columns->GetChecked(35, &flag), S_OK);
        EXPECT_EQ(flag, step.checked ? VARIANT_TRUE : VARIANT_FALSE);
    }
    // Other columns and other nodes keep their own cells.
    LONG value = -1;
    ASSERT_EQ(row->GetColumnValue(36, &value), S_OK);
    EXPECT_EQ(value, 0);
    CComQIPtr<CASTAVYLib::IFileRefItem> other(nodes_[1]);
    ASSERT_EQ(other->GetColumnValue(35, &value), S_OK);
    EXPECT_EQ(value, 0);
}

TEST_F(ItemTest, AnOwnerAnswersTheRowInterfacesOnly) {
    CComQIPtr<IXRefItemControl> control(nodes_[1]);
    RecordingOwner owner;
    ASSERT_EQ(control->SetOwner(&owner), S_OK);

    const IID rowInterfaces[] = {CASTAVYLib::IFileRefItem::kIid, CASTAVYLib::IFileRefItem3::kIid,
                                 CASTAVYLib::IEditableFileRefItem::kIid, CASTAVYLib::IFileRefConfigurations::kIid,
                                 IXRefItmItem::kIid};
    for (const IID& iid : rowInterfaces) {
        void* out = nullptr;
        EXPECT_EQ(nodes_[1]->QueryInterface(iid, &out), S_OK);
        EXPECT_EQ(out, &owner);
    }
    EXPECT_EQ(owner.asked, 5);

    // The node interfaces, its identity and unknown interfaces stay the node's.
    const IID nodeInterfaces[] = {
        IUnknown::kIid,          IXRefItemControl::kIid, IXRefNode::kIid,    IXRefNodeReferences::kIid,
        IXRefNodeChildren::kIid, IXRefTreeItem::kIid,    IXRefColumns::kIid, IXRefColumnState::kIid};
    for (const IID& iid : nodeInterfaces) {
        CComPtr<IUnknown> found;
        EXPECT_EQ(nodes_[1]->QueryInterface(iid, reinterpret_cast<void**>(&found)), S_OK);
        EXPECT_NE(found.GetInterfacePtr(), &owner);
    }
    void* none = nullptr;
    EXPECT_EQ(nodes_[1]->QueryInterface(IXRefTree::kIid, &none), E_NOINTERFACE);
    EXPECT_EQ(owner.asked, 5);

    ASSERT_EQ(control->SetOwner(nullptr), S_OK);
    CComQIPtr<CASTAVYLib::IFileRefItem> own(nodes_[1]);
    EXPECT_EQ(CComPtr<IUnknown>(own), nodes_[1]);
}

TEST_F(ItemTest, PropertiesAndTheEditableItemName) {
    CComQIPtr<CASTAVYLib::IFileRefItem3> root(nodes_[0]);
    // Property 1: the number of references to a document in a configuration.
    struct Pair {
        LONG words[2];
        LONG number;
    };
    const Pair pairs[] = {{{5, 501}, 2}, {{5, 502}, 1}, {{2, -1}, 1}, {{5, -1}, -1}, {{9, 9}, -1}};
    for (const Pair& pair : pairs) {
        LONG words[2] = {pair.words[0], pair.words[1]};
        VARIANT in;
        in.vt = VT_BYREF | VT_I4;
        in.plVal = words;
        VARIANT out;
        VariantInit(&out);
        ASSERT_EQ(root->GetProperty(CASTAVYLib::kPropertyPairNumber, &in, &out), S_OK);
        EXPECT_EQ(out.vt, VT_I4);
        EXPECT_EQ(out.lVal, pair.number);
    }
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(root->GetProperty(CASTAVYLib::kPropertyPairNumber, nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(root->GetProperty(99, nullptr, &out), E_INVALIDARG);
    EXPECT_EQ(root->GetProperty(CASTAVYLib::kPropertyItemName, nullptr, nullptr), E_POINTER);

    // The item name: the proposal, then a name given as property 3 or as the
    // editable value, which the item extension ends.
    auto nameOf = [&] {
        VARIANT name;
        VariantInit(&name);
        EXPECT_EQ(root->GetProperty(CASTAVYLib::kPropertyItemName, nullptr, &name), S_OK);
        std::u16string text = com::BstrText(name.bstrVal);
        VariantClear(&name);
        return text;
    };
    EXPECT_EQ(nameOf(), u"ITM-000001.<item>");
    VARIANT window;
    window.vt = VT_INT;
    window.intVal = 0;
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(u"Bracket");
    ASSERT_EQ(root->PutProperty(CASTAVYLib::kPropertyItemName, &window, &value), S_OK);
    VariantClear(&value);
    EXPECT_EQ(nameOf(), u"Bracket.<item>");
    EXPECT_EQ(Text(nodes_[0], CASTAVYLib::CastavyCol_ItemNumber), u"Bracket");
    EXPECT_EQ(root->PutProperty(CASTAVYLib::kPropertyConfiguration, &window, &value), E_INVALIDARG);

    CComQIPtr<CASTAVYLib::IEditableFileRefItem> editable(nodes_[0]);
    struct Edit {
        const char16_t* value;
        HRESULT result;
        const char16_t* name;  // afterwards, as the editable value gives it
    };
    const Edit edits[] = {
        {u"  Frame  ", S_OK, u"Frame"},    {u"   ", S_FALSE, u"Frame"}, {u"a\\b", S_FALSE, u"Frame"},
        {u"Plate.<ITEM>", S_OK, u"Plate"}, {u"", S_FALSE, u"Plate"},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(testing::PrintToString(std::u16string(edit.value)));
        BSTR given = SysAllocString(edit.value);
        EXPECT_EQ(editable->SetValue(CASTAVYLib::kValueItemName, given), edit.result);
        SysFreeString(given);
        BSTR name = nullptr;
        ASSERT_EQ(editable->GetValue(CASTAVYLib::kValueItemName, &name), S_OK);
        EXPECT_EQ(com::BstrText(name), edit.name);
        SysFreeString(name);
    }
    EXPECT_EQ(nameOf(), u"Plate.<ITEM>");
    BSTR text = nullptr;
    EXPECT_EQ(editable->GetValue(19, &text), E_INVALIDARG);

    // Changed: only asked of a chosen row; then whether the name is the proposal.
    VARIANT_BOOL changed = 7;
    ASSERT_EQ(editable->GetChanged(&changed), S_OK);
    EXPECT_EQ(changed, 7);
    CComQIPtr<IXRefColumns> columns(nodes_[0]);
    columns->SetValue(CastavyCol_CreateItem, VARIANT_TRUE);
    ASSERT_EQ(editable->GetChanged(&changed), S_OK);
    EXPECT_EQ(changed, VARIANT_TRUE);
    VARIANT_BOOL canEdit = VARIANT_FALSE;
    ASSERT_EQ(editable->CanEdit(&canEdit), S_OK);
    EXPECT_EQ(canEdit, VARIANT_TRUE);
}

TEST_F(ItemTest, ConfigurationsAreTheDocumentsNodesUnderTheSameParent) {
    CComQIPtr<CASTAVYLib::IFileRefConfigurations> shortPin(nodes_[1]);
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(shortPin->GetConfigurations(&array), S_OK);
    {
        RecordArray<CASTAVYLib::FileRefConfiguration> entries(array);
        ASSERT_EQ(entries.mlGetCount(), 2);
        EXPECT_EQ(entries.mpoBegin()[0].configurationWord, 501);
        EXPECT_EQ(entries.mpoBegin()[0].state, 0);
        EXPECT_EQ(CComPtr<IUnknown>(entries.mpoBegin()[0].item), nodes_[1]);
        EXPECT_EQ(entries.mpoBegin()[1].configurationWord, 502);
        EXPECT_EQ(CComPtr<IUnknown>(entries.mpoBegin()[1].item), nodes_[2]);
    }
    SafeArrayDestroy(array);

    struct Find {
        IUnknown* node;
        const char16_t* name;
        HRESULT result;
        LONG word;
        LONG state;
    };
    const Find finds[] = {
        {nodes_[1], u"", S_OK, 501, 0},          {nodes_[2], u"", S_OK, 502, 0},    {nodes_[1], u"long", S_OK, 502, 0},
        {nodes_[1], u"Medium", S_FALSE, -9, -9}, {nodes_[3], u"", S_FALSE, -9, -9},
    };
    for (const Find& find : finds) {
        CComQIPtr<CASTAVYLib::IFileRefConfigurations> configurations(find.node);
        LONG word = -9;
        LONG state = -9;
        BSTR name = SysAllocString(find.name);
        EXPECT_EQ(configurations->FindConfiguration(name, &word, &state), find.result);
        SysFreeString(name);
        EXPECT_EQ(word, find.word);
        EXPECT_EQ(state, find.state);
    }

    // A bolt without configurations has none to list.
    CComQIPtr<CASTAVYLib::IFileRefConfigurations> bolt(nodes_[3]);
    ASSERT_EQ(bolt->GetConfigurations(&array), S_OK);
    EXPECT_EQ(RecordArray<CASTAVYLib::FileRefConfiguration>(array).mlGetCount(), 0);
    SafeArrayDestroy(array);

    // A node held beyond its tree still answers, knowing only itself.
    tree_ = nullptr;
    manager_ = nullptr;
    ASSERT_EQ(shortPin->GetConfigurations(&array), S_OK);
    EXPECT_EQ(RecordArray<CASTAVYLib::FileRefConfiguration>(array).mlGetCount(), 1);
    SafeArrayDestroy(array);
    CComQIPtr<IXRefNodeChildren> children(nodes_[0]);
    CComPtr<IUnknown> child;
    ASSERT_EQ(children->StartChildren(0), S_OK);
    ASSERT_EQ(children->NextChild(0, &child), S_OK);
    EXPECT_EQ(child, nodes_[1]);
}

TEST_F(ItemTest, TheObjectDataIsTheDocumentAsAFileOfTheVault) {
    for (size_t index : {0u, 2u}) {
        SCOPED_TRACE(index);
        CComQIPtr<IXRefItmItem> item(nodes_[index]);
        BellquistLib::ItmObjectData data{};
        ASSERT_EQ(item->GetObjectData(&data), S_OK);
        const bool root = index == 0;
        EXPECT_EQ(data.mlParentObjectID, root ? 10 : 1);
        EXPECT_EQ(data.meParentDocType, root ? BellquistLib::ItmObjectType_Project : BellquistLib::ItmObjectType_File);
        EXPECT_EQ(data.meObjectType, BellquistLib::ItmObjectType_File);
        EXPECT_EQ(data.meLinkType, BellquistLib::LinkType_Static);
        EXPECT_EQ(data.meLinkOperation, BellquistLib::LinkOp_None);
        EXPECT_EQ(data.mlObjectID, root ? 1 : 5);
        EXPECT_EQ(data.mlParentProjectID, root ? 10 : 11);
        EXPECT_EQ(com::BstrText(data.moFilename), root ? u"bracket.asm" : u"pin.prt");
        EXPECT_EQ(com::BstrText(data.moPath), root ? u"\\Folder10\\" : u"\\Folder11\\");
        EXPECT_EQ(data.mlAttachedVersion, root ? 4 : 1);
        EXPECT_EQ(data.mlLatestVersion, root ? 4 : 1);
        EXPECT_EQ(data.mlLocalVersion, -1);
        EXPECT_EQ(data.mlConfigID, root ? -1 : 502);
        EXPECT_EQ(com::BstrText(data.moConfigName), root ? u"" : u"Long");
        EXPECT_EQ(data.mbHasChildren, root ? VARIANT_TRUE : VARIANT_FALSE);
        if (root) {
            EXPECT_EQ(data.mlLockedBy, 7);
            EXPECT_EQ(com::BstrText(data.moLockedBy), u"Erin");
            EXPECT_EQ(com::BstrText(data.moLockedPath), u"C:\\View\\bracket.asm");
            EXPECT_EQ(data.mlStatusID, 3);
            EXPECT_EQ(com::BstrText(data.moState), u"Released");
            EXPECT_EQ(data.moModified, 45000.5);
            EXPECT_EQ(com::BstrText(data.moDomain), u"Design");
            EXPECT_EQ(com::BstrText(data.moAlternateName), u"Bracket");
            EXPECT_EQ(Text(nodes_[0], CASTAVYLib::CastavyCol_Revision), u"B");
            EXPECT_EQ(Text(nodes_[0], CASTAVYLib::CastavyCol_CheckedOutBy), u"Erin");
            EXPECT_EQ(Text(nodes_[0], CASTAVYLib::CastavyCol_State), u"Released");
        }
        for (BSTR text : {data.moFilename, data.moPath, data.moConfigName, data.moLockedBy, data.moLockedPath,
                          data.moState, data.moDomain, data.moAlternateName})
            SysFreeString(text);
    }
    // The link column decides the link type.
    CComQIPtr<IXRefColumns> columns(nodes_[1]);
    columns->SetValue(CastavyCol_Link, VARIANT_TRUE);
    CComQIPtr<IXRefItmItem> item(nodes_[1]);
    BellquistLib::ItmObjectData data{};
    ASSERT_EQ(item->GetObjectData(&data), S_OK);
    EXPECT_EQ(data.meLinkType, BellquistLib::LinkType_Dynamic);
    for (BSTR text : {data.moFilename, data.moPath, data.moConfigName, data.moLockedBy, data.moLockedPath, data.moState,
                      data.moDomain, data.moAlternateName})
        SysFreeString(text);
}

TEST_F(ItemTest, ColumnStatesReachTheRowsTheirScopeNames) {
    auto values = [&](LONG column) {
        std::vector<LONG> result;
        for (const CComPtr<IUnknown>& node : nodes_) {
            CComQIPtr<CASTAVYLib::IFileRefItem> row(node);
            LONG value = -1;
            EXPECT_EQ(row->GetColumnValue(column, &value), S_OK);
            result.push_back(value);
        }
        return result;
    };
    auto columnArray = [](std::initializer_list<LONG> ids) {
        SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(ids.size()));
        LONG index = 0;
        for (LONG id : ids) {
            LONG value = id;
            SafeArrayPutElement(array, &index, &value);
            ++index;
        }
        return array;
    };
    CComQIPtr<IXRefColumnState> treeState(tree_);
    CComQIPtr<IXRefColumnState> rootState(nodes_[0]);

    SAFEARRAY* both = columnArray({36, 35});
    ASSERT_EQ(treeState->SetColumnsState(both, kColumnStateChecked, kColumnScopeRoots | kColumnScopeBelow), S_OK);
    EXPECT_EQ(values(36), (std::vector<LONG>{1, 1, 1, 1}));
    EXPECT_EQ(values(35), (std::vector<LONG>{1, 1, 1, 1}));
    ASSERT_EQ(treeState->SetColumnState(35, kColumnStateCleared, kColumnScopeRoots | kColumnScopeSelf), S_OK);
    EXPECT_EQ(values(35), (std::vector<LONG>{0, 1, 1, 1}));
    ASSERT_EQ(treeState->SetColumnsState(both, kColumnStateCleared, 7), S_OK);
    EXPECT_EQ(values(36), (std::vector<LONG>{0, 0, 0, 0}));
    SafeArrayDestroy(both);

    // On a row: itself, and with the scope below, its children.
    SAFEARRAY* create = columnArray({CastavyCol_CreateItem});
    ASSERT_EQ(rootState->SetColumnsState(create, kColumnStateChecked, kColumnScopeSelf), S_OK);
    EXPECT_EQ(values(CastavyCol_CreateItem), (std::vector<LONG>{1, 0, 0, 0}));
    ASSERT_EQ(rootState->SetColumnsState(create, kColumnStateLookChecked, kColumnScopeSelf), S_OK);
    EXPECT_EQ(values(CastavyCol_CreateItem), (std::vector<LONG>{1, 0, 0, 0}));
    ASSERT_EQ(rootState->SetColumnState(CastavyCol_ExistingItem, kColumnStateChecked, kColumnScopeBelow), S_OK);
    EXPECT_EQ(values(CastavyCol_ExistingItem), (std::vector<LONG>{0, 1, 1, 1}));
    SafeArrayDestroy(create);

    SAFEARRAY* texts = SafeArrayCreateVector(VT_BSTR, 0, 1);
    EXPECT_EQ(rootState->SetColumnsState(texts, kColumnStateChecked, kColumnScopeSelf), E_INVALIDARG);
    EXPECT_EQ(treeState->SetColumnsState(nullptr, kColumnStateChecked, kColumnScopeSelf), E_POINTER);
    SafeArrayDestroy(texts);
    EXPECT_EQ(values(CastavyCol_AddFile), (std::vector<LONG>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace hastrel_tests
