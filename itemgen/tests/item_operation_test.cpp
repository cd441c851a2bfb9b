// The item operation as the item server drives it: Init over the tree
// manager, the column sets the dialog sees, the dialog's outcome, the tree
// rebuild, the connection's references, and the classes of the library that
// do nothing.
#include "handler_fixture.h"
#include "item_operation.h"

#include "castavy/ids.h"
#include "com/runtime.h"
#include "com_testing/counting_class_factory.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "coravent/ids.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace coravent_test;
using namespace CoraventLib;

// The reference dialog: shows nothing, reads the command's columns and
// answers as the test set it.
class FakeDialog : public FakeObject<CASTAVYLib::IFileCastavy> {
public:
    static inline HRESULT showResult = S_OK;
    static inline std::vector<LONG> first, second;
    static inline LONG flags = 0;
    static inline std::vector<LONG> treeTypes;
    static inline int shows = 0;

    HRESULT STDMETHODCALLTYPE Show(LONG, IUnknown* poCommand, LONG lReserved, LONG lWidth, BSTR bsCaption) override {
        ++shows;
        EXPECT_EQ(lReserved, 0);
        EXPECT_EQ(lWidth, 300);
        EXPECT_EQ(std::u16string(com::BstrView(bsCaption)), u"ItemGenerator");
        CComQIPtr<CASTAVYLib::IFileRefCmd3> command(poCommand);
        EXPECT_TRUE(command);
        if (!command) return E_NOINTERFACE;
        SAFEARRAY* one = nullptr;
        SAFEARRAY* two = nullptr;
        if (HRESULT hr = command->GetColumns(&one, &two, &flags); FAILED(hr)) return hr;
        first = Columns(one);
        second = Columns(two);
        SafeArrayDestroy(one);
        SafeArrayDestroy(two);
        return showResult;
    }
    HRESULT STDMETHODCALLTYPE PutTreeType(LONG lTreeType) override {
        treeTypes.push_back(lTreeType);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetText(BSTR* pbsText) override {
        *pbsText = SysAllocString(u"");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetText(BSTR) override { return S_OK; }
};

class ItemOperationTest : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        FakeTreeManager::startResult = S_OK;
        FakeTreeManager::starts = 0;
        FakeTreeManager::hideStart = false;
        FakeDialog::showResult = S_OK;
        FakeDialog::treeTypes.clear();
        FakeDialog::shows = 0;
        Register(HastrelLib::CLSID_XRefTreeManager, managers_, managerCookie_);
        Register(CASTAVYLib::CLSID_FileCastavy, dialogs_, dialogCookie_);
        Register(HastrelLib::CLSID_XRefTree, trees_, treeCookie_);
    }
    void TearDown() override {
        if (operation_) operation_->Release();
        operation_ = nullptr;
        for (DWORD cookie : {managerCookie_, dialogCookie_, treeCookie_})
            if (cookie) CoRevokeClassObject(cookie);
        CoUninitialize();
        HandlerTest::TearDown();
    }

    void Register(REFCLSID clsid, com_testing::CountingClassFactory& factory, DWORD& cookie) {
        ASSERT_EQ(CoRegisterClassObject(clsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    }

    IItemOperation& Operation() {
        if (!operation_) {
            CComObject<coravent::CItemOperationFatClient>* made = nullptr;
            EXPECT_EQ(CComObject<coravent::CItemOperationFatClient>::CreateInstance(&made), S_OK);
            made->AddRef();
            operation_ = made;
        }
        return *operation_;
    }

    InitData Data(TreeCreationType type) {
        InitData data{};
        data.mpoSpMgr = reinterpret_cast<uintptr_t>(&Mgr());
        data.mlUserID = vault_.alice;
        data.meTreeCreationType = type;
        data.moRootPath = rootPath_;
        data.moComputerName = rootPath_;
        return data;
    }

    // The references on the test's connection.
    ULONG ConnectionReferences() {
        Mgr().AddRef();
        return Mgr().Release();
    }

    static IUnknown* MakeManager() { return (new FakeTreeManager)->Identity(); }
    static IUnknown* MakeDialog() { return (new FakeDialog)->Identity(); }
    static IUnknown* MakeTree() { return (new FakeTree)->Identity(); }

    com_testing::CountingClassFactory managers_{&MakeManager};
    com_testing::CountingClassFactory dialogs_{&MakeDialog};
    com_testing::CountingClassFactory trees_{&MakeTree};
    DWORD managerCookie_ = 0, dialogCookie_ = 0, treeCookie_ = 0;
    IItemOperation* operation_ = nullptr;
    BSTR rootPath_ = SysAllocString(u"C:\\Vault\\");

public:
    ~ItemOperationTest() override { SysFreeString(rootPath_); }
};

TEST_F(ItemOperationTest, EveryCallBeforeInitIsRefused) {
    IItemOperation& op = Operation();
    VARIANT_BOOL result = 7;
    LONG dest = 0;
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 0);
    EXPECT_EQ(op.AddSelection(array), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(op.AddSelection(nullptr), E_POINTER);
    EXPECT_EQ(op.InitTreeDlg(0, &result), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(op.InitTreeDlg2(0, nullptr, &result), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(op.ShowDlg(0, 0, &dest, &result), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(op.GetSelection(&array), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(op.DoGenerateItems(0, &array, &result), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(op.CreateTree(0, &result), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(op.GenerateItems(&array), E_NOTIMPL);
    EXPECT_EQ(op.GenerateItems(nullptr), E_NOTIMPL);
    EXPECT_EQ(result, 7);
    SafeArrayDestroy(array);
}

TEST_F(ItemOperationTest, InitFailuresKeepNoHandler) {
    struct Case {
        const char* what;
        bool unregister;
        bool hideStart;
        HRESULT start;
        HRESULT expected;
    };
    const Case cases[] = {
        {"no tree manager", true, false, S_OK, E_POINTER},
        {"tree manager without its start", false, true, S_OK, E_POINTER},
        {"start refused", false, false, E_ACCESSDENIED, E_ACCESSDENIED},
    };
    for (const Case& c : cases) {
        if (c.unregister) {
            CoRevokeClassObject(managerCookie_);
            managerCookie_ = 0;
        }
        FakeTreeManager::hideStart = c.hideStart;
        FakeTreeManager::startResult = c.start;
        IItemOperation& op = Operation();
        EXPECT_EQ(op.Init(Data(TreeCreationType_ItemGeneration)), c.expected) << c.what;
        VARIANT_BOOL notEmpty = 7;
        EXPECT_EQ(op.InitTreeDlg(0, &notEmpty), E_OXN_NOT_INITIALIZED) << c.what;
        EXPECT_EQ(notEmpty, 7);
        operation_->Release();
        operation_ = nullptr;
        if (c.unregister) Register(HastrelLib::CLSID_XRefTreeManager, managers_, managerCookie_);
    }
    com_testing::ClearPendingErrorInfo();
}

TEST_F(ItemOperationTest, ConnectionReferencesComeBackWhenTheOperationGoes) {
    const ULONG before = ConnectionReferences();
    IItemOperation& op = Operation();
    ASSERT_EQ(op.Init(Data(TreeCreationType_ItemGeneration)), S_OK);
    ASSERT_EQ(op.Init(Data(TreeCreationType_ItemGeneration)), S_OK);  // a second Init replaces the first
    EXPECT_EQ(FakeTreeManager::starts, 2);
    EXPECT_EQ(ConnectionReferences(), before + 2);  // the operation's and its one handler's
    operation_->Release();
    operation_ = nullptr;
    EXPECT_EQ(ConnectionReferences(), before);
}

TEST_F(ItemOperationTest, TheDialogSeesTheColumnSetsOfTheTreeType) {
    struct Case {
        TreeCreationType type;
        LONG dlgFlags;
        std::vector<LONG> first;
        std::vector<LONG> second;
        LONG flags;
    };
    const Case cases[] = {
        {TreeCreationType_ItemGeneration, 0, {}, {0, 1, 2, 29, 30, 33, 34, 35, 32, 19}, 0x10020812},
        {TreeCreationType_ItemGeneration, 1, {}, {0, 1, 2, 29, 30, 33, 34, 35, 32, 19}, 0x12020812},
        {TreeCreationType_RetrieveFiles, 2, {}, {0, 1, 2, 29, 30, 36, 35, 19}, 0x1C020812},
        {TreeCreationType_IncrRevisions, 0, {4, 18}, {0, 1, 2, 6, 11, 19, 21, 23}, 0x1000010A},
        {TreeCreationType_IncrRevisions, 3, {4, 18}, {0, 1, 2, 6, 11, 19, 21, 23}, 0x1E00010A},
    };
    for (const Case& c : cases) {
        IItemOperation& op = Operation();
        ASSERT_EQ(op.Init(Data(c.type)), S_OK);
        VARIANT_BOOL notEmpty = VARIANT_FALSE;
        ASSERT_EQ(op.InitTreeDlg(0, &notEmpty), S_OK);
        EXPECT_EQ(notEmpty, VARIANT_TRUE);
        LONG dest = 0;
        VARIANT_BOOL result = VARIANT_FALSE;
        ASSERT_EQ(op.ShowDlg(0, c.dlgFlags, &dest, &result), S_OK) << c.type;
        EXPECT_EQ(FakeDialog::first, c.first) << c.type;
        EXPECT_EQ(FakeDialog::second, c.second) << c.type;
        EXPECT_EQ(FakeDialog::flags, c.flags) << c.type << "/" << c.dlgFlags;
        EXPECT_EQ(FakeDialog::treeTypes.back(), CASTAVYLib::kTreeTypeReferences);
        operation_->Release();
        operation_ = nullptr;
    }

    // Types without column sets.
    for (TreeCreationType type : {TreeCreationType_Undifiend, static_cast<TreeCreationType>(4)}) {
        IItemOperation& op = Operation();
        ASSERT_EQ(op.Init(Data(type)), S_OK);
        VARIANT_BOOL notEmpty = 7;
        EXPECT_EQ(op.InitTreeDlg(0, &notEmpty), E_INVALIDARG);
        EXPECT_EQ(notEmpty, 7);
        EXPECT_EQ(op.InitTreeDlg(0, nullptr), E_INVALIDARG);
        operation_->Release();
        operation_ = nullptr;
    }
}

TEST_F(ItemOperationTest, CurrentLinksGoToTheHandlerBeforeTheColumns) {
    IItemOperation& op = Operation();
    ASSERT_EQ(op.Init(Data(TreeCreationType_RetrieveFiles)), S_OK);
    VARIANT_BOOL notEmpty = VARIANT_FALSE;
    ASSERT_EQ(op.InitTreeDlg2(0, nullptr, &notEmpty), S_OK);  // no links: as InitTreeDlg
    EXPECT_EQ(notEmpty, VARIANT_TRUE);
    RecordArray<ItmLink> links;
    links.mvCreate(1, LIBID_CoraventLib, 1, 0);
    notEmpty = VARIANT_FALSE;
    EXPECT_EQ(op.InitTreeDlg2(0, links.mpoGetArray(), &notEmpty), S_OK);
    EXPECT_EQ(notEmpty, VARIANT_TRUE);
    SAFEARRAY* wrong = SafeArrayCreateVector(VT_I4, 0, 1);
    notEmpty = 7;
    EXPECT_EQ(op.InitTreeDlg2(0, wrong, &notEmpty), E_INVALIDARG);  // not links: stops before the columns
    EXPECT_EQ(notEmpty, 7);
    com_testing::ClearPendingErrorInfo();
    SafeArrayDestroy(wrong);
}

TEST_F(ItemOperationTest, TheDialogsOutcomeAsTheCallerSeesIt) {
    struct Case {
        HRESULT dialog;
        HRESULT expected;
        VARIANT_BOOL result;
    };
    const Case cases[] = {
        {S_OK, S_OK, VARIANT_TRUE},
        {S_FALSE, S_FALSE, VARIANT_FALSE},  // the user cancelled
        {E_FAIL, E_FAIL, VARIANT_FALSE},
    };
    for (const Case& c : cases) {
        FakeDialog::showResult = c.dialog;
        IItemOperation& op = Operation();
        ASSERT_EQ(op.Init(Data(TreeCreationType_ItemGeneration)), S_OK);
        VARIANT_BOOL notEmpty = VARIANT_FALSE;
        ASSERT_EQ(op.InitTreeDlg(0, &notEmpty), S_OK);
        LONG dest = vault_.partsFolder;
        VARIANT_BOOL result = 7;
        EXPECT_EQ(op.ShowDlg(0, 0, &dest, &result), c.expected);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(dest, vault_.partsFolder);
        EXPECT_EQ(op.ShowDlg(0, 0, &dest, nullptr), E_INVALIDARG);
        operation_->Release();
        operation_ = nullptr;
        com_testing::ClearPendingErrorInfo();
    }
}

TEST_F(ItemOperationTest, CreateTreeLeavesTheCallersBoolAlone) {
    IItemOperation& op = Operation();
    ASSERT_EQ(op.Init(Data(TreeCreationType_IncrRevisions)), S_OK);
    RecordArray<ItemData> items;
    items.mvCreate(1, LIBID_CoraventLib, 1, 0);
    items.mpoBegin()[0].mlDocumentID = vault_.bracket;
    items.mpoBegin()[0].mlProjectID = vault_.cadFolder;
    ASSERT_EQ(op.AddSelection(items.mpoGetArray()), S_OK);
    VARIANT_BOOL notEmpty = VARIANT_FALSE;
    ASSERT_EQ(op.InitTreeDlg(0, &notEmpty), S_OK);
    VARIANT_BOOL result = VARIANT_FALSE;
    EXPECT_EQ(op.CreateTree(0, &result), S_OK);
    EXPECT_EQ(result, VARIANT_FALSE);
    result = 5;
    EXPECT_EQ(op.CreateTree(0, &result), S_OK);
    EXPECT_EQ(result, 5);
}

TEST_F(ItemOperationTest, TheLibrarysOtherClassesAnswerNothingButTheirInterfaces) {
    IUnknown* itemOp = nullptr;
    ASSERT_EQ(coravent::CItemOp::CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&itemOp)), S_OK);
    for (REFIID iid : {IID_IItemOp, IID_IDispatch}) {
        IUnknown* answer = nullptr;
        EXPECT_EQ(itemOp->QueryInterface(iid, reinterpret_cast<void**>(&answer)), S_OK);
        if (answer) answer->Release();
    }
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(itemOp->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    UINT count = 9;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    dispatch->Release();
    IUnknown* none = nullptr;
    EXPECT_EQ(itemOp->QueryInterface(IID_IItemOperation, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
    itemOp->Release();

    coravent::IItemOperationWebClient* web = nullptr;
    ASSERT_EQ(coravent::CItemOperationWebClient::CreateInstance(nullptr, coravent::IItemOperationWebClient::kIid,
                                                                reinterpret_cast<void**>(&web)),
              S_OK);
    EXPECT_EQ(web->Method3(), E_NOTIMPL);
    EXPECT_EQ(web->Method4(), E_NOTIMPL);
    EXPECT_EQ(web->Method5(), E_NOTIMPL);
    for (REFIID iid : {IID_IItemOperationImpl, IID_IItemOperation}) {
        EXPECT_EQ(web->QueryInterface(iid, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
    }
    web->Release();

    IUnknown* outer = reinterpret_cast<IUnknown*>(&count);
    EXPECT_EQ(coravent::CItemOperationFatClient::CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&none)),
              CLASS_E_NOAGGREGATION);
}

TEST(ColumnSetupTest, TypesWithoutColumnsHaveNone) {
    for (LONG type : {0, 4, -1}) EXPECT_EQ(coravent::gpoColumnSetup(type), nullptr);
    const coravent::ColumnSetup* generation = coravent::gpoColumnSetup(1);
    ASSERT_NE(generation, nullptr);
    EXPECT_EQ(generation->mlTreeOptions, 0x301);
    EXPECT_EQ(generation->mlTreeFlag, 0);
    EXPECT_EQ(coravent::gpoColumnSetup(2)->mlTreeOptions, 0x200);
    EXPECT_EQ(coravent::gpoColumnSetup(3)->mlTreeFlag, 1);
}

}  // namespace
