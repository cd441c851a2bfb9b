// The walk of the handler's tree for the rows the user chose, and those rows
// as file records for the caller.
#include "bellquist/enums.h"
#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com/ccom_ptr.h"
#include "com/method_boundary.h"
#include "com/server/com_object.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/task_memory.h"
#include "common/com_errors.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "hastrel/interfaces.h"
#include "hastrel/records.h"
#include "row_record_holder.h"
#include "xref_tree_handler.h"

#include <algorithm>
#include <utility>

namespace coravent {

using namespace CASTAVYLib;
using namespace HastrelLib;

namespace {

// The walk's callback: hands each node the tree offers to the visitor.
class XRefIterator : public CComObjectRootEx<CComSingleThreadModel>, public IXRefFunction {
public:
    BEGIN_COM_MAP(XRefIterator)
    COM_INTERFACE_ENTRY(IXRefFunction)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE Visit(LONG /*lReserved*/, IUnknown* poNode, XRefIteratorOp* poVisitor) override {
        if (!poVisitor) return E_POINTER;
        return com::Boundary([&] { return poVisitor->Visit(poNode); });
    }

protected:
    XRefIterator() = default;
    ~XRefIterator() = default;
};

// The visitor of one walk: collects the nodes the user chose (checked in one
// of the wanted columns, or - without wanted columns - every node that has
// columns), and, on the row wrappers' walk, the names of the rows not
// chosen and the counter ids of the rows that do not use name B.
class GetSelected final : public XRefIteratorOp {
public:
    GetSelected(const std::vector<LONG>& oColumns, LONG eIterateFlag, CXRefTreeHandler& oHandler)
        : moColumns(oColumns), meIterateFlag(eIterateFlag), moHandler(oHandler) {}

    HRESULT Visit(IUnknown* poNode) override {
        if (!poNode) return E_POINTER;
        if (std::find(moSeen.begin(), moSeen.end(), poNode) != moSeen.end()) return S_OK;
        moSeen.push_back(poNode);
        switch (meIterateFlag) {
        case IterateFlag_All:
            return VisitRow(poNode);
        case 0:
        case IterateFlag_AllRows: {
            CComQIPtr<IXRefItmItem> itmItem(poNode);
            CComQIPtr<IXRefColumns> columns(itmItem);
            return VisitColumns(poNode, columns);
        }
        case IterateFlag_Roots: {
            CComQIPtr<IXRefTreeItem> treeItem(poNode);
            CComQIPtr<IXRefColumns> columns(treeItem);
            return VisitColumns(poNode, columns);
        }
        default:
            return E_POINTER;
        }
    }

    std::vector<CComPtr<IUnknown>> moSelected;  // in walk order, one reference each
    std::vector<SerialNoInfo> moSerials;
    std::vector<std::u16string> moNames;

private:
    // The row wrappers' walk: the node's row record through its wrapper.
    HRESULT VisitRow(IUnknown* poNode) {
        CComQIPtr<IXRefTreeItem> treeItem(poNode);
        CComQIPtr<IXRefColumns> columns(treeItem);
        if (!columns) return E_POINTER;
        CComQIPtr<IFileRefItem> item(poNode);
        if (!item) return E_POINTER;
        CComPtr<IFileRefItem> wrapper;
        if (HRESULT hr = moHandler.GetItemWrapper(item, &wrapper); FAILED(hr)) return hr;
        CComQIPtr<IXRefItmItem> row(wrapper);
        if (!row) return E_POINTER;
        RowRecordHolder record;
        if (HRESULT hr = row->GetRowRecord(&record.record); FAILED(hr)) return hr;
        if (!record.record) return E_POINTER;

        if (AnyChecked(columns))
            moSelected.emplace_back(poNode);
        else
            moNames.emplace_back(com::BstrView(record.record->mbsName));
        // A row that uses name B spends no counter id; a row without one
        // has none to give.
        if (record.record->mlNameB == 0 && record.record->moSerial.mlCounterID != 0)
            moSerials.push_back(record.record->moSerial);
        return S_OK;
    }

    HRESULT VisitColumns(IUnknown* poNode, IXRefColumns* poColumns) {
        if (!poColumns) return E_POINTER;
        if (moColumns.empty() || AnyChecked(poColumns)) moSelected.emplace_back(poNode);
        return S_OK;
    }

    // Whether one of the wanted columns is checked as the user sees it.
    // Raises a failed read.
    bool AnyChecked(IXRefColumns* poColumns) {
        for (LONG column : moColumns) {
            VARIANT_BOOL checked = VARIANT_FALSE;
            if (HRESULT hr = poColumns->GetChecked(column, &checked); FAILED(hr))
                gvRaiseFailedCall(hr, u"Could not read a column of the tree item.");
            if (checked == VARIANT_TRUE) return true;
        }
        return false;
    }

    const std::vector<LONG> moColumns;
    const LONG meIterateFlag;       // as given: 0 stays 0
    std::vector<IUnknown*> moSeen;  // Not owned: the tree holds its nodes during the walk.
    CXRefTreeHandler& moHandler;
};

}  // namespace

void CXRefTreeHandler::moGetSelected(IXRefTree* poTree, IterateFlag eIterateFlag, const std::vector<LONG>& oColumns,
                                     std::vector<CComPtr<IUnknown>>& oNodes, std::vector<SerialNoInfo>& oSerials,
                                     std::vector<std::u16string>& oNames) {
    CComObject<XRefIterator>* created = nullptr;
    if (HRESULT hr = CComObject<XRefIterator>::CreateInstance(&created); FAILED(hr))
        gvRaiseComError(hr, u"Could not create the tree walk.");
    CComPtr<IXRefFunction> iterator(created);
    GetSelected visitor(oColumns, eIterateFlag, *this);
    if (!poTree) gvRaiseComError(E_POINTER, u"No reference tree is built.");
    LONG walkFlag = eIterateFlag == 0 ? IterateFlag_All : eIterateFlag;
    if (HRESULT hr = poTree->Iterate(walkFlag, iterator, &visitor); FAILED(hr))
        gvRaiseFailedCall(hr, u"The reference tree could not be walked.");
    oNodes = std::move(visitor.moSelected);
    oSerials = std::move(visitor.moSerials);
    oNames = std::move(visitor.moNames);
}

HRESULT CXRefTreeHandler::GetSelection(SAFEARRAY** ppoObjectsData) {
    if (!ppoObjectsData) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        std::vector<LONG> columns;
        IterateFlag flag = static_cast<IterateFlag>(0);
        if (meTreeCreationType == CoraventLib::TreeCreationType_ItemGeneration) {
            columns = {CastavyCol_CreateItem, CastavyCol_ExistingItem};
            flag = IterateFlag_All;
        } else if (meTreeCreationType == CoraventLib::TreeCreationType_RetrieveFiles) {
            columns = {CastavyCol_AddFile};
            flag = IterateFlag_AllRows;
        }
        CComPtr<IXRefTree> tree(mpoTree);  // held for the walk
        std::vector<CComPtr<IUnknown>> nodes;
        std::vector<SerialNoInfo> serials;
        std::vector<std::u16string> names;
        moGetSelected(tree, flag, columns, nodes, serials, names);

        // Only a node that describes its file becomes a record: an empty
        // record would stand for no file at all.
        std::vector<CComPtr<IXRefItmItem>> files;
        for (const CComPtr<IUnknown>& node : nodes)
            if (CComQIPtr<IXRefItmItem> file(node); file) files.push_back(file);
        if (files.empty()) {
            if (meTreeCreationType == CoraventLib::TreeCreationType_RetrieveFiles) return S_OK;
            gvRaiseComError(E_OXN_SKIP_FILE, ErrorText(E_OXN_SKIP_FILE).c_str());
        }

        RecordArray<BellquistLib::ItmObjectData> records;
        records.mvCreate(static_cast<ULONG>(files.size()), CoraventLib::LIBID_CoraventLib,
                         CoraventLib::kLibraryMajorVersion, CoraventLib::kLibraryMinorVersion);
        BellquistLib::ItmObjectData* record = records.mpoBegin();
        for (const CComPtr<IXRefItmItem>& file : files)
            if (HRESULT hr = file->GetObjectData(record++); FAILED(hr))
                gvRaiseFailedCall(hr, u"Could not read a file of the reference tree.");
        records.mvHandOut(ppoObjectsData);
        return S_OK;
    });
}

}  // namespace coravent
