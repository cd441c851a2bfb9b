// CXRefTreeHandler: the command object of one item operation. The item
// operation (CItemOperationFatClient) creates it in Init and hands most of
// its calls to it; the reference dialog calls it back through its command,
// destination-folder, item-list and context-menu interfaces while the dialog
// is open, and the cross-reference tree component walks its tree for it.
//
// It keeps the operation's login data (one SpMgr reference, user, view, root
// path, computer), the column sets and option words of the dialog, the
// current tree and its tree manager, the selection the caller handed in, the
// row wrappers, the counter ids reserved through "Generate new ID", and the
// destination item folder. Its methods live in several files: the callbacks
// (xref_tree_handler.cpp), the engine (selection, tree, dialog, generation,
// counter ids), the tree walk and selection, the initial marks, the document
// records, the item cache, and the destination-folder choice.
//
// Apartment-threaded: every call, the dialog's callbacks included, comes on
// the thread of the operation.
#pragma once

#include "castavy/interfaces.h"
#include "com/ccom_bstr.h"
#include "com/ccom_ptr.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/unknown.h"
#include "coravent/records.h"
#include "vennacle/sp_mgr.h"
#include "vennacle/sp_records.h"
#include "winapi/types.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct SAFEARRAY;
struct XRefItemVarData;
struct XRefItemDocData;
struct ItemDbData;
template <class T>
class Lst;

namespace HastrelLib {
struct IXRefTree;
struct SelectionEntry;
struct XRefNodeRecord;
enum IterateFlag : LONG;
}  // namespace HastrelLib

namespace coravent {

// An owned vector of owned variable records, as XRefItemDocData::mpoVarData
// takes it; the deleter frees the records (destructor and operator delete)
// and the vector.
struct XRefItemVarListDelete {
    void operator()(std::vector<XRefItemVarData*>* list) const noexcept;
};
using OwnedVarList = std::unique_ptr<std::vector<XRefItemVarData*>, XRefItemVarListDelete>;

// An item of the selection that has neither a document nor a folder: it
// becomes an item of its destination folder alone.
struct FolderItemEntry {
    std::u16string moName;  // empty when the caller gave none
    LONG mlItemFolderID = 0;
    OwnedVarList mpoVarData;  // null when the item has no variable values
};

// The variable values of the selection per (document id, configuration);
// configuration names compare without regard to case. The first item of a
// key wins.
struct VarDataKey {
    LONG mlDocumentID = 0;
    std::u16string moConfigName;
};
struct VarDataKeyLess {
    bool operator()(const VarDataKey& left, const VarDataKey& right) const;
};
struct VarDataEntry {
    OwnedVarList mpoVarData;
    bool mbStaticLink = false;
    bool mbItemNamed = false;
};
using VarDataMap = std::map<VarDataKey, VarDataEntry, VarDataKeyLess>;

// A checked reference of a tree node: the reference element's two words
// and the referenced item's node interface {9C03A0F5}.
struct CheckedReference {
    LONG mlA = 0;
    LONG mlB = 0;
    CComPtr<IUnknown> mpoNode;
};

// Where the server keeps its options (under HKEY_CURRENT_USER), and the
// option "open generated items" (REG_DWORD; missing: 1).
inline constexpr WCHAR kCoraventKey[] = u"Software\\Zentraviko\\Applications\\Halquist Morvantile\\Coravent";
inline constexpr WCHAR kOpenGeneratedItemsValue[] = u"OpenGeneratedItems";

// `name` as an item's file name: unchanged when its extension is ".<item>"
// (any case), else with ".<item>" appended. A new BSTR, null for an empty
// name; raises E_OUTOFMEMORY.
BSTR gbsItemFileName(const std::u16string& name);

class CXRefTreeHandler : public CComObjectRootEx<CComSingleThreadModel>,
                         public CASTAVYLib::IFileRefCmd3,
                         public CASTAVYLib::IFileRefItem3,
                         public CASTAVYLib::IItemListCmd,
                         public CASTAVYLib::IXRefTreeListCtrlCallback {
public:
    BEGIN_COM_MAP(CXRefTreeHandler)
    COM_INTERFACE_ENTRY(CASTAVYLib::IFileRefCmd3)
    COM_INTERFACE_ENTRY_IID(CASTAVYLib::IID_IFileRefCmd2, CASTAVYLib::IFileRefCmd3)
    COM_INTERFACE_ENTRY_IID(CASTAVYLib::IID_IFileRefCmd, CASTAVYLib::IFileRefCmd3)
    COM_INTERFACE_ENTRY(CASTAVYLib::IItemListCmd)
    COM_INTERFACE_ENTRY(CASTAVYLib::IFileRefItem3)
    COM_INTERFACE_ENTRY(CASTAVYLib::IXRefTreeListCtrlCallback)
    END_COM_MAP()

    // ---- The reference dialog's callbacks ----
    // Every one returns its failure with the thread's error info set; none
    // lets an exception out.

    // IFileRefCmd3 (castavy/interfaces.h).
    // The column sets (set two first) and the dialog flag word with
    // kFlagCommandColumns. E_FAIL before SetColumns.
    HRESULT STDMETHODCALLTYPE GetColumns(SAFEARRAY** ppoFirst, SAFEARRAY** ppoSecond, LONG* plFlags) override;
    // 1: the item-name check (item generation); 3: help; 4: choose the
    // destination folder (S_FALSE when none was chosen); others S_OK.
    HRESULT STDMETHODCALLTYPE Command(LONG lWnd, LONG lCommand, VARIANT* pvValue) override;
    HRESULT STDMETHODCALLTYPE GetRootEnumerator(LONG lReserved, IUnknown** ppoEnum) override;
    // The row wrapper of the element's tree item.
    HRESULT STDMETHODCALLTYPE GetRowItem(LONG lReserved, IUnknown* poElement, IUnknown** ppoRow) override;
    // Option 67 only ("OpenGeneratedItems").
    HRESULT STDMETHODCALLTYPE GetOption(LONG lReserved1, LONG lReserved2, LONG lOption, LONG* plValue,
                                        LONG* plFlag) override;
    // Column 67 stores the option; 36 off takes 35 with it; 35 on in an
    // add-files tree takes 36 with it. S_FALSE: left to the dialog.
    HRESULT STDMETHODCALLTYPE ValueChanged(LONG lWnd, CASTAVYLib::IFileRefItem* poRow, LONG lReserved, LONG lColumn,
                                           LONG lValue) override;
    HRESULT STDMETHODCALLTYPE GetText(LONG lTextId, BSTR* pbsText) override;
    HRESULT STDMETHODCALLTYPE OnDialogInit() override;
    // Rebuilds the tree (also IItemOperation::CreateTree, mode 3).
    HRESULT STDMETHODCALLTYPE BuildTree(LONG lMode) override;
    HRESULT STDMETHODCALLTYPE OnTreeShown() override;
    // Column 33 (item generation) or 36 (add files) as the user sees it.
    HRESULT STDMETHODCALLTYPE GetRowChecked(IUnknown* poRow, LONG* plChecked) override;
    HRESULT STDMETHODCALLTYPE OnDialogClose() override;

    // IFileRefItem3: property 13, the destination folder as a path under
    // the root path.
    HRESULT STDMETHODCALLTYPE GetProperty(LONG lId, VARIANT* pvIn, VARIANT* pvOut) override;
    HRESULT STDMETHODCALLTYPE PutProperty(LONG lId, VARIANT* pvWindow, VARIANT* pvValue) override;

    // IItemListCmd: the tree's list of existing item names.
    HRESULT STDMETHODCALLTYPE GetItemList(SAFEARRAY** ppoList, LONG lReserved) override;

    // IXRefTreeListCtrlCallback: the context entry "Generate new ID".
    HRESULT STDMETHODCALLTYPE OnContextMenu(LONG lMenu, CASTAVYLib::IFileRefItemList* poRows) override;
    HRESULT STDMETHODCALLTYPE OnCommand(LONG lCommand, LONG lColumn, LONG lReserved) override;
    HRESULT STDMETHODCALLTYPE UnusedSlot5() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnusedSlot6() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnusedSlot7() override { return S_OK; }

    // The context menu's command.
    static constexpr UINT kGenerateNewIdCommand = 5001;

    // ---- Set-up by the item operation ----

    // Takes the operation's login data (its own SpMgr reference, copies of
    // the strings), the tree creation type and the tree manager (one
    // reference, replacing any kept before). E_OUTOFMEMORY when a string
    // cannot be copied.
    HRESULT Init(const CoraventLib::InitData& oData, CoraventLib::TreeCreationType eTreeType, IUnknown* poTreeManager);
    // Keeps copies of the two column sets (VT_I4 vectors) and the dialog
    // flag word the dialog fetches.
    HRESULT SetColumns(SAFEARRAY* poColumnsOne, SAFEARRAY* poColumnsTwo, LONG lDialogFlags);
    // The parent window, the tree option word and the tree flag of the
    // builds to come.
    void SetDialogOptions(ULONGLONG hParentWnd, LONG lTreeOptions, LONG lTreeFlag);
    // Appends the item's current links (SAFEARRAY of ItmLink, the caller's)
    // in array order; the lock and bound failures with their texts.
    HRESULT TakeCurrentLinks(SAFEARRAY* poLinks);

    // ---- The engine ----

    // Takes the items to generate (SAFEARRAY of ItemData, the caller's) as
    // selection entries, folder items and variable values.
    HRESULT AddSelection(SAFEARRAY* poItems);
    // One variable record of an item. *ppoVarData: new, the caller's.
    HRESULT MakeVarData(const CoraventLib::ItemVariableData& oVar, XRefItemVarData** ppoVarData);
    // Builds a new tree over the selection; `poSerials` (SAFEARRAY of
    // SerialNoInfo, may be null, not taken) are the counter ids the previous
    // tree reserved, for the tree manager to reuse. *pbSerialsTaken (may be
    // null) tells whether the tree manager took them: when it did not, the
    // caller keeps them to give back.
    HRESULT CreateXRefTree(SAFEARRAY* poSerials, bool* pbSerialsTaken = nullptr);
    // Runs the reference dialog modally. *plDestFolderID (may be null) is
    // the preselected destination and receives the chosen one.
    HRESULT ShowDlg(LONG hParentWnd, LONG lItemDlgFlags, LONG* plDestFolderID);
    // Generates the items of the checked rows and the folder items into
    // `lDestFolderID`. *ppoGeneratedItems (may be null): SAFEARRAY of
    // ItmObjectData; *pbOpenItems: the "OpenGeneratedItems" option.
    HRESULT DoGenerateItems(LONG lDestFolderID, SAFEARRAY** ppoGeneratedItems, VARIANT_BOOL* pbOpenItems);
    // DoGenerateItems, giving reserved counter ids back when it fails before
    // the vault generated anything.
    HRESULT DoGenerateItemsWithPushBack(LONG lDestFolderID, SAFEARRAY** ppoGeneratedItems, VARIANT_BOOL* pbOpenItems);
    // Gives the counter ids of the tree and of "Generate new ID" back to the
    // vault (each once).
    HRESULT PushBackCounterIDs();
    // The counter ids the current item-generation tree reserved (none for
    // another tree type or without a tree).
    HRESULT CollectSerialNoInfo(std::vector<SerialNoInfo>& oSerials);
    // Walks the tree and gives the rows checked in one of `oColumns` (flag 4)
    // or offering the column interface (flags 0, 2, 5), with the counter ids
    // and names of the rows not checked (flag 4). Raises E_POINTER without a
    // tree, and the walk's failure.
    void moGetSelected(HastrelLib::IXRefTree* poTree, HastrelLib::IterateFlag eIterateFlag,
                       const std::vector<LONG>& oColumns, std::vector<CComPtr<IUnknown>>& oNodes,
                       std::vector<SerialNoInfo>& oSerials, std::vector<std::u16string>& oNames);
    // The wrapper of a tree item (one per item key, made on first use):
    // its IFileRefItem with one reference for the caller.
    HRESULT GetItemWrapper(CASTAVYLib::IFileRefItem* poItem, CASTAVYLib::IFileRefItem** ppoWrapper);
    // Reads (bWrite false; 1 when missing) or writes the option
    // "OpenGeneratedItems".
    HRESULT OpenGeneratedItemsOption(LONG& lValue, bool bWrite);
    // Before OK in an item-generation tree: S_OK, 40 when a checked row has
    // no item name, 42 when two checked rows share a name with column 35 on.
    HRESULT CheckItemNames();

    // ---- Selection for the caller ----

    // The checked rows as ItmObjectData records (SAFEARRAY, the caller's).
    HRESULT GetSelection(SAFEARRAY** ppoObjectsData);

    // ---- Initial marks of a new tree ----

    HRESULT SetItemGenerationMarks();
    HRESULT SetRetrieveFilesMarks();
    // Marks the node `poNode` with configuration word `lConfigWord`, and its
    // children; `oWorkingCopy` holds the selection entries not yet matched,
    // `oMarked` the (item, configuration word) pairs this marking did (each
    // is marked once, so references in a cycle end).
    HRESULT MarkRetrieveFilesNode(IUnknown* poNode, LONG lConfigWord,
                                  std::vector<const HastrelLib::SelectionEntry*>& oWorkingCopy,
                                  std::set<std::pair<IUnknown*, LONG>>& oMarked);

    // ---- Document records of the generation ----

    // The records of one checked node: its node interface {9C03A0F5}, its
    // node record and its reference elements (SAFEARRAY of XRefReference,
    // may be null).
    HRESULT AddNodeDocs(IUnknown* poNode, const HastrelLib::XRefNodeRecord& oNodeRecord, SAFEARRAY* poReferences,
                        Lst<XRefItemDocData*>& oDocs);
    HRESULT SplitCheckedReferences(SAFEARRAY* poReferences, std::vector<CheckedReference>& oPlain,
                                   std::vector<CheckedReference>& oStatic);
    HRESULT AddDocsForReferences(IUnknown* poNode, const HastrelLib::XRefNodeRecord& oNodeRecord,
                                 const std::vector<CheckedReference>& oPlain, Lst<XRefItemDocData*>& oDocs);
    HRESULT AddDocsForReference(IUnknown* poNode, const HastrelLib::XRefNodeRecord& oNodeRecord,
                                const CheckedReference& oReference, Lst<XRefItemDocData*>& oDocs);
    HRESULT AddDocsForReferencesOf(IUnknown* poNode, const HastrelLib::XRefNodeRecord& oNodeRecord,
                                   IUnknown* poReferencing, Lst<XRefItemDocData*>& oDocs);
    HRESULT FindNodeByItemName(const std::u16string& oName, IUnknown* poNode, CComPtr<IUnknown>& oFound);
    HRESULT AddNodeDocData(IUnknown* poNode, const HastrelLib::XRefNodeRecord& oNodeRecord, LONG lPairA0, LONG lPairA1,
                           Lst<XRefItemDocData*>& oDocs);
    HRESULT AddStaticRefDocData(const HastrelLib::XRefNodeRecord& oNodeRecord, const CheckedReference& oReference,
                                Lst<XRefItemDocData*>& oDocs);
    HRESULT AddFolderItemDocs(Lst<XRefItemDocData*>& oDocs);
    HRESULT AttachVarData(Lst<XRefItemDocData*>& oDocs);

    // ---- Generated items into the item cache ----

    HRESULT AddGeneratedItemsToCache(Lst<ItemDbData*>& oItems);

    // ---- Destination folder ----

    // Lets the user choose the destination item folder, starting from
    // `pszCurrentPath` (may be null). True when one was chosen.
    bool mbChooseDestFolder(ULONGLONG hWnd, const WCHAR* pszCurrentPath);
    // The id of the vault's items root "\<items>\", made when missing and
    // cached; 0 after a failure, which it has shown to the user.
    LONG mlGetItemsRootID(ULONGLONG hWnd);

protected:
    CXRefTreeHandler();
    ~CXRefTreeHandler();
    void FinalRelease();

    // Login data.
    SpMgrPtr mpoSpMgr;  // one reference; null before Init
    LONG mlUserID = 0;
    GUID moViewID{};
    CComBSTR moRootPath;
    CComBSTR moComputerName;
    CoraventLib::TreeCreationType meTreeCreationType = CoraventLib::TreeCreationType_Undifiend;

    // The dialog's columns and flags. The column sets are owned copies
    // (VT_I4 vectors); both null until SetColumns.
    SAFEARRAY* mpoColumnsOne = nullptr;  // Owned.
    SAFEARRAY* mpoColumnsTwo = nullptr;  // Owned.
    LONG mlDialogFlags = 0;
    LONG mlTreeOptions = 0;
    LONG mlTreeFlag = 0;
    ULONGLONG mhParentWnd = 0;
    CComBSTR moDialogText;  // what the dialog hands back when it closes

    // The tree component.
    CComPtr<IUnknown> mpoTreeManager;
    CComPtr<HastrelLib::IXRefTree> mpoTree;  // null until CreateXRefTree

    // The selection.
    std::vector<HastrelLib::SelectionEntry> moSelection;  // their BSTRs owned
    std::vector<std::unique_ptr<FolderItemEntry>> moFolderItems;
    VarDataMap moVarData;
    std::vector<CoraventLib::ItmLink> moCurrentLinks;

    // Destination.
    LONG mlDestFolderID = 0;
    LONG mlItemsRootID = 0;  // 0: not looked up

    // Row wrappers by item key (exact compare): each wrapper's IFileRefItem.
    std::map<std::u16string, CComPtr<CASTAVYLib::IFileRefItem>> moWrappers;

    // Counter ids reserved through "Generate new ID", not yet spent or given
    // back.
    std::map<LONG, SerialNoInfo> moNewIds;
    // The current tree's reserved ids went back to the vault already.
    bool mbTreeIdsReturned = false;

    // The rows of the context menu's entry (one reference).
    CComPtr<CASTAVYLib::IFileRefItemList> mpoListObject;
};

}  // namespace coravent
