#include "xref_tree.h"

#include "column_ids.h"
#include "tree_build.h"
#include "tree_manager.h"

#include "castavy/records.h"
#include "com/bstr.h"
#include "com/method_boundary.h"
#include "com/server/com_object.h"
#include "common/record_array.h"

#include <algorithm>
#include <new>

namespace hastrel {

using namespace HastrelLib;

HRESULT CXRefTree::Build(LONG, LONG lCount, SelectionEntry* poEntries, BSTR) {
    if (lCount < 0) return E_INVALIDARG;
    if (lCount > 0 && !poEntries) return E_POINTER;
    if (!manager_) return E_UNEXPECTED;
    std::shared_ptr<TreeSession> session = manager_->Session();
    if (!session) return E_UNEXPECTED;
    return com::Boundary([&] {
        // The ids this tree holds and those handed back to the manager, each
        // once: the build takes what it needs and frees the rest.
        std::vector<LONG> reusable;
        for (const SerialNoInfo& serial : serials_) reusable.push_back(serial.mlCounterID);
        for (LONG id : manager_->TakeReusableSerials())
            if (std::find(reusable.begin(), reusable.end(), id) == reusable.end()) reusable.push_back(id);

        BuiltTree built;
        std::vector<SerialNoInfo> held;
        try {
            BuildTreeNodes(*session->source, options_, poEntries, lCount, std::move(reusable), built, held);
        } catch (...) {
            serials_ = std::move(held);
            throw;
        }
        DetachNodes();
        roots_ = std::move(built.roots);
        nodes_ = std::move(built.nodes);
        items_ = std::move(built.items);
        serials_ = std::move(held);
        built_ = true;
        return S_OK;
    });
}

HRESULT CXRefTree::Iterate(LONG eFlag, IXRefFunction* poFunction, XRefIteratorOp* poVisitor) {
    if (!poFunction) return E_POINTER;
    if (eFlag == 0) eFlag = IterateFlag_All;
    if (eFlag != IterateFlag_Roots && eFlag != IterateFlag_All && eFlag != IterateFlag_AllRows) return E_INVALIDARG;
    return com::Boundary([&] {
        // A copy: a visit may rebuild the tree.
        const std::vector<NodeRef> nodes = eFlag == IterateFlag_Roots ? roots_ : nodes_;
        for (const NodeRef& node : nodes) {
            IUnknown* identity = node.Item();
            if (HRESULT hr = poFunction->Visit(0, identity, poVisitor); FAILED(hr)) return hr;
        }
        return S_OK;
    });
}

HRESULT CXRefTree::GetRoots(IUnknown** ppoRoots) { return CTreeItemEnumerator::Create(roots_, ppoRoots); }

HRESULT CXRefTree::SetOptions(LONG lOptions) {
    options_ = lOptions;
    return S_OK;
}

HRESULT CXRefTree::SetManager(IUnknown* poManager) {
    if (!poManager) return E_POINTER;
    CComPtr<ITreeManagerInternal> manager;
    if (HRESULT hr = poManager->QueryInterface(ITreeManagerInternal::kIid, reinterpret_cast<void**>(&manager));
        FAILED(hr))
        return hr;
    manager_ = manager;
    return S_OK;
}

HRESULT CXRefTree::GetReservedSerials(SAFEARRAY** ppoSerials) {
    if (!ppoSerials) return E_POINTER;
    *ppoSerials = nullptr;
    return com::Boundary([&] {
        RecordArray<SerialNoInfo> serials;
        serials.mvCreate(static_cast<ULONG>(serials_.size()), LIBID_HastrelLib, kLibraryMajorVersion,
                         kLibraryMinorVersion);
        std::copy(serials_.begin(), serials_.end(), serials.mpoBegin());
        serials.mvHandOut(ppoSerials);
        return S_OK;
    });
}

HRESULT CXRefTree::GetExistingItemSwitch(VARIANT_BOOL* pbSwitch) {
    if (!pbSwitch) return E_POINTER;
    if (!built_) return E_UNEXPECTED;
    *pbSwitch = items_.empty() ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
}

HRESULT CXRefTree::GetItemList(SAFEARRAY** ppoItems) {
    if (!ppoItems) return E_POINTER;
    *ppoItems = nullptr;
    if (!built_) return E_UNEXPECTED;
    return com::Boundary([&] {
        RecordArray<CASTAVYLib::ItemListEntry> list;
        list.mvCreate(static_cast<ULONG>(items_.size()), CASTAVYLib::LIBID_CASTAVYLib, CASTAVYLib::kLibraryMajorVersion,
                      CASTAVYLib::kLibraryMinorVersion);
        CASTAVYLib::ItemListEntry* entry = list.mpoBegin();
        for (const SourceItem& item : items_) {
            entry->name = SysAllocStringLen(item.moName.data(), static_cast<UINT>(item.moName.size()));
            if (!entry->name) throw std::bad_alloc();
            entry->flag = item.mbDynamicLink ? VARIANT_TRUE : VARIANT_FALSE;
            ++entry;
        }
        list.mvHandOut(ppoItems);
        return S_OK;
    });
}

void CXRefTree::SetColumnOnRows(LONG column, LONG state, LONG scope) {
    for (const NodeRef& node : nodes_) {
        const bool root = (node->Data().flags & kNodeFlagRoot) != 0;
        if (root ? (scope & kColumnScopeRoots) : (scope & kColumnScopeBelow))
            node->SetColumnOnRows(column, state, kColumnScopeSelf);
    }
}

HRESULT CXRefTree::SetColumnState(LONG lColumn, LONG lState, LONG lScope) {
    return com::Boundary([&] {
        SetColumnOnRows(lColumn, lState, lScope);
        return S_OK;
    });
}

HRESULT CXRefTree::SetColumnsState(SAFEARRAY* poColumns, LONG lState, LONG lScope) {
    return com::Boundary([&] {
        std::vector<LONG> columns;
        if (HRESULT hr = ReadColumnIds(poColumns, columns); FAILED(hr)) return hr;
        for (LONG column : columns) SetColumnOnRows(column, lState, lScope);
        return S_OK;
    });
}

void CXRefTree::DetachNodes() noexcept {
    for (const NodeRef& node : nodes_) node->Detach();
    roots_.clear();
    nodes_.clear();
}

void CXRefTree::FinalRelease() { DetachNodes(); }

HRESULT CreateTree(IUnknown** ppoTree) {
    if (!ppoTree) return E_POINTER;
    return CXRefTree::CreateInstance(nullptr, IUnknown::kIid, reinterpret_cast<void**>(ppoTree));
}

// ---- CTreeItemEnumerator ----

HRESULT CTreeItemEnumerator::Create(const std::vector<NodeRef>& items, IUnknown** ppoEnumerator) {
    if (!ppoEnumerator) return E_POINTER;
    *ppoEnumerator = nullptr;
    return com::Boundary([&] {
        CComObject<CTreeItemEnumerator>* created = nullptr;
        if (HRESULT hr = CComObject<CTreeItemEnumerator>::CreateInstance(&created); FAILED(hr)) return hr;
        CComPtr<CASTAVYLib::IFileRefElement> held(created);
        created->items_ = items;
        *ppoEnumerator = held.Detach();
        return S_OK;
    });
}

HRESULT CTreeItemEnumerator::HasItem(LONG* plHas) {
    if (!plHas) return E_POINTER;
    *plHas = next_ < items_.size() ? 1 : 0;
    return S_OK;
}

HRESULT CTreeItemEnumerator::GetItem(IUnknown** ppoItem) {
    if (!ppoItem) return E_POINTER;
    *ppoItem = nullptr;
    if (next_ >= items_.size()) return S_FALSE;
    IUnknown* item = items_[next_++].Item();
    item->AddRef();
    *ppoItem = item;
    return S_OK;
}

}  // namespace hastrel
