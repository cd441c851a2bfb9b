// CXRefTree (CLSID_XRefTree): the cross-reference tree over a selection of
// the vault's documents (hastrel/interfaces.h): built through the session of
// its tree manager, walked for its callers, its roots enumerated for the
// reference dialog, its counter ids and the vault's item list handed out.
//
// Apartment-threaded: created and called on the caller's thread.
#pragma once

#include "tree_item.h"
#include "tree_manager.h"

#include "castavy/interfaces.h"
#include "com/ccom_ptr.h"
#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/unknown.h"
#include "hastrel/ids.h"
#include "hastrel/interfaces.h"
#include "hastrel/tree_source.h"

#include <vector>

namespace hastrel {

class CXRefTree : public CComObjectRootEx<CComSingleThreadModel>,
                  public CComCoClass<CXRefTree, &HastrelLib::CLSID_XRefTree>,
                  public HastrelLib::IXRefTree,
                  public HastrelLib::IXRefTreeSerials,
                  public HastrelLib::IXRefTreeItems,
                  public HastrelLib::IXRefColumnState {
public:
    BEGIN_COM_MAP(CXRefTree)
    COM_INTERFACE_ENTRY(HastrelLib::IXRefTree)
    COM_INTERFACE_ENTRY(HastrelLib::IXRefTreeSerials)
    COM_INTERFACE_ENTRY(HastrelLib::IXRefTreeItems)
    COM_INTERFACE_ENTRY(HastrelLib::IXRefColumnState)
    END_COM_MAP()

    // IXRefTree (hastrel/interfaces.h)
    HRESULT STDMETHODCALLTYPE Build(LONG lTreeFlag, LONG lCount, HastrelLib::SelectionEntry* poEntries,
                                    BSTR bsReserved) override;
    HRESULT STDMETHODCALLTYPE Iterate(LONG eFlag, HastrelLib::IXRefFunction* poFunction,
                                      HastrelLib::XRefIteratorOp* poVisitor) override;
    HRESULT STDMETHODCALLTYPE GetRoots(IUnknown** ppoRoots) override;
    HRESULT STDMETHODCALLTYPE SetOptions(LONG lOptions) override;
    HRESULT STDMETHODCALLTYPE SetManager(IUnknown* poManager) override;

    // IXRefTreeSerials
    HRESULT STDMETHODCALLTYPE GetReservedSerials(SAFEARRAY** ppoSerials) override;

    // IXRefTreeItems
    HRESULT STDMETHODCALLTYPE GetExistingItemSwitch(VARIANT_BOOL* pbSwitch) override;
    HRESULT STDMETHODCALLTYPE GetItemList(SAFEARRAY** ppoItems) override;

    // IXRefColumnState: scopes kColumnScopeRoots and kColumnScopeBelow.
    HRESULT STDMETHODCALLTYPE SetColumnState(LONG lColumn, LONG lState, LONG lScope) override;
    HRESULT STDMETHODCALLTYPE SetColumnsState(SAFEARRAY* poColumns, LONG lState, LONG lScope) override;

protected:
    CXRefTree() = default;
    ~CXRefTree() = default;
    void FinalRelease();

private:
    void SetColumnOnRows(LONG column, LONG state, LONG scope);
    // Lets the nodes of the current build go (those a caller still holds
    // forget the others).
    void DetachNodes() noexcept;

    CComPtr<ITreeManagerInternal> manager_;
    LONG options_ = 0;
    bool built_ = false;
    std::vector<NodeRef> roots_;
    std::vector<NodeRef> nodes_;  // depth first
    std::vector<SourceItem> items_;
    std::vector<SerialNoInfo> serials_;  // the counter ids reserved for this tree
};

// An enumerator of tree items (castavy's element interface), over a copy of
// the items it is made with.
class CTreeItemEnumerator : public CComObjectRootEx<CComSingleThreadModel>, public CASTAVYLib::IFileRefElement {
public:
    BEGIN_COM_MAP(CTreeItemEnumerator)
    COM_INTERFACE_ENTRY(CASTAVYLib::IFileRefElement)
    END_COM_MAP()

    // A new enumerator (its IUnknown with one reference for the caller).
    static HRESULT Create(const std::vector<NodeRef>& items, IUnknown** ppoEnumerator);

    // IFileRefElement: the items in order; GetItem past the last gives
    // S_FALSE and null.
    HRESULT STDMETHODCALLTYPE HasItem(LONG* plHas) override;
    HRESULT STDMETHODCALLTYPE GetItem(IUnknown** ppoItem) override;

protected:
    CTreeItemEnumerator() = default;
    ~CTreeItemEnumerator() = default;

private:
    std::vector<NodeRef> items_;
    size_t next_ = 0;
};

}  // namespace hastrel
