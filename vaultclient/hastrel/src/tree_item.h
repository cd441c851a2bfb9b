// CXRefTreeItem: one node of a cross-reference tree - one place of a vault
// document in the tree - as the tree item the reference dialog shows as a
// row and the item generation server reads (hastrel/interfaces.h).
//
// A node holds what the build read for it (its document, configuration,
// proposed names and counter id) and its children (one reference each; the
// tree has no cycles, so neither have the references). Its cells, its own
// item name and its mark change while the dialog runs. Nodes of one
// document under one parent know each other (its configurations) while
// their tree holds them; CXRefTree::Detach ends that.
//
// Apartment-threaded: created by its tree, called on the tree's thread.
#pragma once

#include "castavy/interfaces.h"
#include "com/ccom_ptr.h"
#include "com/server/object_root.h"
#include "com/unknown.h"
#include "hastrel/interfaces.h"
#include "hastrel/tree_source.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hastrel {

class CXRefTreeItem;

// A held node: one reference on its IFileRefItem (the node's identity).
class NodeRef {
public:
    NodeRef() noexcept = default;
    explicit NodeRef(CXRefTreeItem* node) noexcept;

    CXRefTreeItem* get() const noexcept;
    CXRefTreeItem* operator->() const noexcept { return get(); }
    CASTAVYLib::IFileRefItem* Item() const noexcept { return item_; }
    explicit operator bool() const noexcept { return item_ != nullptr; }

private:
    CComPtr<CASTAVYLib::IFileRefItem> item_;
};

// The nodes of one document under one parent (or among the roots), each in
// its configuration. Not owning: the parent or the tree holds them.
struct NodeSiblings {
    std::vector<CXRefTreeItem*> nodes;
};

// What the build decides for a node.
struct NodeData {
    std::shared_ptr<const SourceDocument> document;  // never null
    LONG configWord = -1;                            // the configuration's id, -1: the document as a whole
    std::u16string configName;                       // empty for -1
    LONG quantity = 1;                               // how often the parent references the document here (1 for a root)
    bool isStatic = false;                           // the parent's references here are static
    LONG parentDocumentId = 0;                       // 0 for a root
    LONG itemFolderId = 0;                           // a root's item folder from the selection, else 0
    std::u16string key;                              // unique in the tree
    LONG flags = 0;                                  // kNodeFlag... bits
    bool itemNames = false;                          // the tree proposes item names
    std::u16string nameA;                            // a new item's name ("x.<item>"), or empty
    std::u16string nameB;                            // an item of the vault that links the document, or empty
    SerialNoInfo serial{};                           // the counter id behind name A, or {0, 0}
};

// One cell: a value and the switch that lets the user choose it.
struct Cell {
    bool value = false;
    bool enabled = true;
};

class CXRefTreeItem : public CComObjectRootEx<CComSingleThreadModel>,
                      public CASTAVYLib::IFileRefItem,
                      public CASTAVYLib::IFileRefItem3,
                      public CASTAVYLib::IEditableFileRefItem,
                      public CASTAVYLib::IFileRefConfigurations,
                      public HastrelLib::IXRefItmItem,
                      public HastrelLib::IXRefItemControl,
                      public HastrelLib::IXRefNode,
                      public HastrelLib::IXRefNodeReferences,
                      public HastrelLib::IXRefNodeChildren,
                      public HastrelLib::IXRefTreeItem,
                      public HastrelLib::IXRefColumns,
                      public HastrelLib::IXRefColumnState {
public:
    // A new node. Raises the creation's failure.
    static NodeRef Create(NodeData data);

    // The node's own interfaces, and the five row interfaces from its owner
    // while one is set.
    HRESULT _InternalQueryInterface(REFIID iid, void** out);

    const NodeData& Data() const noexcept { return data_; }
    const std::vector<NodeRef>& Children() const noexcept { return children_; }
    void AddChild(NodeRef child) { children_.push_back(std::move(child)); }
    void SetSiblings(std::shared_ptr<NodeSiblings> siblings) { siblings_ = std::move(siblings); }
    // Forgets the other nodes of its tree (the children stay).
    void Detach() noexcept { siblings_.reset(); }

    // The row's item name: the one given to it, else name B, else name A.
    const std::u16string& RowName() const noexcept;
    bool Checked(LONG column) const noexcept;
    // Sets the value or the switch of a column on the rows `scope` names
    // (kColumnScopeSelf, kColumnScopeBelow).
    void SetColumnOnRows(LONG column, LONG state, LONG scope);

    // IFileRefItem (castavy/interfaces.h). Children are the node's own items
    // (not their owners').
    HRESULT STDMETHODCALLTYPE StartChildren(LONG lConfigurationWord, LONG lWnd) override;
    HRESULT STDMETHODCALLTYPE NextChild(LONG lConfigurationWord, LONG lWnd,
                                        CASTAVYLib::IFileRefItem** ppoChild) override;
    HRESULT STDMETHODCALLTYPE GetChild(LONG lConfigurationWord, LONG lIndex,
                                       CASTAVYLib::IFileRefItem** ppoChild) override;
    // The texts of the columns 0, 1, 2, 4, 6, 11, 19, 21, 29, 30 and 32; ""
    // for the others.
    HRESULT STDMETHODCALLTYPE GetColumnText(LONG lColumn, BSTR* pbsText) override;
    HRESULT STDMETHODCALLTYPE GetColumnEnabled(LONG lColumn, VARIANT_BOOL* pbEnabled) override;
    HRESULT STDMETHODCALLTYPE GetColumnValue(LONG lColumn, LONG* plValue) override;
    HRESULT STDMETHODCALLTYPE SetColumnValue(LONG lWnd, LONG lReserved1, LONG lReserved2, LONG lColumn,
                                             LONG lValue) override;
    HRESULT STDMETHODCALLTYPE GetKey(BSTR* pbsKey) override;

    // IFileRefItem3: properties 1 (the number of references to a document
    // and configuration word), 3 (the item name) and 4 (the configuration
    // word); 3 can be set.
    HRESULT STDMETHODCALLTYPE GetProperty(LONG lId, VARIANT* pvIn, VARIANT* pvOut) override;
    HRESULT STDMETHODCALLTYPE PutProperty(LONG lId, VARIANT* pvWindow, VARIANT* pvValue) override;

    // IEditableFileRefItem: the item name (kValueItemName), without the item
    // extension; a name of blanks or with a backslash is refused (S_FALSE).
    HRESULT STDMETHODCALLTYPE SetValue(LONG lId, BSTR bsValue) override;
    HRESULT STDMETHODCALLTYPE GetValue(LONG lId, BSTR* pbsValue) override;
    HRESULT STDMETHODCALLTYPE GetChanged(VARIANT_BOOL* pbChanged) override;
    HRESULT STDMETHODCALLTYPE CanEdit(VARIANT_BOOL* pbCanEdit) override;

    // IFileRefConfigurations: the nodes of the document under the same
    // parent that stand for a configuration.
    HRESULT STDMETHODCALLTYPE GetConfigurations(SAFEARRAY** ppoConfigurations) override;
    HRESULT STDMETHODCALLTYPE FindConfiguration(BSTR bsName, LONG* plConfigurationWord, LONG* plState) override;

    // IXRefItmItem
    HRESULT STDMETHODCALLTYPE GetObjectData(BellquistLib::ItmObjectData* poData) override;
    HRESULT STDMETHODCALLTYPE GetNodeRecord(HastrelLib::XRefNodeRecord** ppoRecord) override;
    HRESULT STDMETHODCALLTYPE GetRowRecord(HastrelLib::XRefRowRecord** ppoRecord) override;
    HRESULT STDMETHODCALLTYPE GetNames(HastrelLib::XRefNames** ppoNames) override;

    // IXRefItemControl
    HRESULT STDMETHODCALLTYPE SetOwner(IUnknown* poOwner) override;

    // IXRefNode
    HRESULT STDMETHODCALLTYPE GetDocumentID(LONG* plDocumentId) override;
    HRESULT STDMETHODCALLTYPE GetFlags(LONG* plFlags) override;
    HRESULT STDMETHODCALLTYPE GetFolderID(LONG* plFolderId) override;
    HRESULT STDMETHODCALLTYPE GetVersion(LONG* plVersion) override;
    HRESULT STDMETHODCALLTYPE GetCount(LONG* plCount) override;

    // IXRefNodeReferences
    HRESULT STDMETHODCALLTYPE GetReferences(SAFEARRAY** ppoReferences) override;

    // IXRefNodeChildren
    HRESULT STDMETHODCALLTYPE StartChildren(LONG lConfigWord) override;
    HRESULT STDMETHODCALLTYPE NextChild(LONG lConfigWord, IUnknown** ppoChild) override;

    // IXRefTreeItem
    HRESULT STDMETHODCALLTYPE GetMark(LONG* plMark) override;
    HRESULT STDMETHODCALLTYPE SetMark(LONG lMark) override;

    // IXRefColumns
    HRESULT STDMETHODCALLTYPE GetChecked(LONG lColumn, VARIANT_BOOL* pbChecked) override;
    HRESULT STDMETHODCALLTYPE GetValue(LONG lColumn, VARIANT_BOOL* pbValue) override;
    HRESULT STDMETHODCALLTYPE SetValue(LONG lColumn, VARIANT_BOOL bValue) override;
    HRESULT STDMETHODCALLTYPE SetEnabled(LONG lColumn, VARIANT_BOOL bEnabled) override;

    // IXRefColumnState: scopes kColumnScopeSelf and kColumnScopeBelow.
    HRESULT STDMETHODCALLTYPE SetColumnState(LONG lColumn, LONG lState, LONG lScope) override;
    HRESULT STDMETHODCALLTYPE SetColumnsState(SAFEARRAY* poColumns, LONG lState, LONG lScope) override;

protected:
    CXRefTreeItem() = default;
    ~CXRefTreeItem() = default;

private:
    // The interfaces the node answers itself, in the order of its COM map.
    HRESULT OwnQueryInterface(REFIID iid, void** out);
    // Sets the row's own item name (the item extension added when missing);
    // empty goes back to the proposal.
    void SetRowName(std::u16string_view name);

    NodeData data_;
    std::vector<NodeRef> children_;
    std::shared_ptr<NodeSiblings> siblings_;  // null once detached
    std::map<LONG, Cell> cells_;
    std::u16string rowName_;  // given through property 3 or the item name value; empty: none
    LONG mark_ = 0;
    size_t nextRow_ = 0;         // the position of the enumeration through IFileRefItem
    size_t nextChild_ = 0;       // the position of the enumeration through IXRefNodeChildren
    IUnknown* owner_ = nullptr;  // Not owned: the owner clears itself before it goes.
};

inline NodeRef::NodeRef(CXRefTreeItem* node) noexcept : item_(static_cast<CASTAVYLib::IFileRefItem*>(node)) {}
inline CXRefTreeItem* NodeRef::get() const noexcept { return static_cast<CXRefTreeItem*>(item_.GetInterfacePtr()); }

}  // namespace hastrel
