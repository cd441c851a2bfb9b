// The generation input: the document records (XRefItemDocData) of the
// checked tree nodes, of the folder items, and the variable values attached
// to them.
//
// A node becomes one record per checked plain reference (the referenced
// document joins the node's item: pair A), or one record alone; a static
// reference gives a record of its own that links the referenced document
// statically. A referenced file that carries the node's own item name is not
// a record of its own: its checked references count in its place.
#include "item_errors.h"
#include "xref_tree_handler.h"

#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com/owned_safearray.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "common/com_errors.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "common/lst.h"
#include "common/record_array.h"
#include "hastrel/interfaces.h"
#include "hastrel/records.h"
#include "vennacle/xref_item_data.h"

#include <memory>
#include <new>
#include <set>
#include <string>
#include <utility>

namespace coravent {

using namespace HastrelLib;
using CASTAVYLib::CastavyCol_CreateItem;
using CASTAVYLib::CastavyCol_ExistingItem;

namespace {

BSTR CopyBstr(BSTR text) {
    if (!text) return nullptr;
    BSTR copy = SysAllocStringLen(text, SysStringLen(text));
    if (!copy) throw std::bad_alloc();
    return copy;
}

// Appends a record; the list owns it from then on.
void Append(Lst<XRefItemDocData*>& docs, std::unique_ptr<XRefItemDocData> record) {
    docs.AddTail(record.get());
    record.release();
}

// The reference elements of a tree item; raises E_ITEM_INVALID_OBJECT for an
// item without them.
com::OwnedSafeArray ReadReferences(IUnknown* node) {
    CComQIPtr<IXRefNodeReferences> references(node);
    if (!references) gvRaiseCorruptedItem();
    SAFEARRAY* array = nullptr;
    if (HRESULT hr = references->GetReferences(&array); FAILED(hr)) gvRaiseFailedItemCall(hr);
    return com::OwnedSafeArray(array);
}

// A tree item's item name (property 3) as a string.
std::u16string ItemNameOf(IUnknown* node) {
    CComQIPtr<CASTAVYLib::IFileRefItem3> properties(node);
    if (!properties) gvRaiseComError(E_POINTER, u"A referenced tree item has no item name.");
    VARIANT name;
    VariantInit(&name);
    HRESULT hr = properties->GetProperty(CASTAVYLib::kPropertyItemName, nullptr, &name);
    if (SUCCEEDED(hr) && name.vt != VT_BSTR) hr = VariantChangeType(&name, &name, 0, VT_BSTR);
    if (FAILED(hr)) {
        VariantClear(&name);
        gvRaiseFailedItemCall(hr);
    }
    std::u16string text(com::BstrView(name.bstrVal));
    VariantClear(&name);
    return text;
}

CComPtr<IUnknown> Identity(IUnknown* object) {
    CComPtr<IUnknown> identity;
    if (object) object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    return identity;
}

}  // namespace

void gvRaiseCorruptedItem() { gvRaiseComError(E_ITEM_INVALID_OBJECT, ErrorText(E_ITEM_INVALID_OBJECT).c_str()); }

void gvRaiseFailedItemCall(HRESULT hr) { gvRaiseFailedCall(hr, ErrorText(E_ITEM_INVALID_OBJECT).c_str()); }

HRESULT CXRefTreeHandler::AddNodeDocs(IUnknown* poNode, const XRefNodeRecord& oNodeRecord, SAFEARRAY* poReferences,
                                      Lst<XRefItemDocData*>& oDocs) {
    if (!poNode) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        std::vector<CheckedReference> plain, statics;
        if (HRESULT hr = SplitCheckedReferences(poReferences, plain, statics); FAILED(hr)) return hr;
        if (HRESULT hr = AddDocsForReferences(poNode, oNodeRecord, plain, oDocs); FAILED(hr)) return hr;
        for (const CheckedReference& reference : statics)
            if (HRESULT hr = AddStaticRefDocData(oNodeRecord, reference, oDocs); FAILED(hr)) return hr;
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::SplitCheckedReferences(SAFEARRAY* poReferences, std::vector<CheckedReference>& oPlain,
                                                 std::vector<CheckedReference>& oStatic) {
    if (!poReferences) return S_OK;
    return com::Boundary([&]() -> HRESULT {
        RecordArray<XRefReference> elements(poReferences);
        for (const XRefReference* element = elements.mpoBegin(); element != elements.mpoEnd(); ++element) {
            CComQIPtr<IXRefColumns> columns(element->mpoItem);
            if (!columns) return E_POINTER;
            // Checked as the user sees it: the value set and the column on.
            auto checked = [&](LONG column) {
                VARIANT_BOOL value = VARIANT_FALSE, shown = VARIANT_FALSE;
                if (HRESULT hr = columns->GetValue(column, &value); FAILED(hr)) gvRaiseFailedItemCall(hr);
                if (HRESULT hr = columns->GetChecked(column, &shown); FAILED(hr)) gvRaiseFailedItemCall(hr);
                return value == VARIANT_TRUE && shown == VARIANT_TRUE;
            };
            if (!checked(CastavyCol_CreateItem) && !checked(CastavyCol_ExistingItem)) continue;
            CheckedReference kept;
            kept.mlA = element->mlDocumentID;
            kept.mlB = element->mlConfigurationWord;
            CComQIPtr<IXRefNode> node(element->mpoItem);
            kept.mpoNode = static_cast<IUnknown*>(static_cast<IXRefNode*>(node));
            (element->mlStatic != 0 ? oStatic : oPlain).push_back(std::move(kept));
        }
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::AddDocsForReferences(IUnknown* poNode, const XRefNodeRecord& oNodeRecord,
                                               const std::vector<CheckedReference>& oPlain,
                                               Lst<XRefItemDocData*>& oDocs) {
    if (oPlain.empty()) return AddNodeDocData(poNode, oNodeRecord, 0, 0, oDocs);
    return com::Boundary([&]() -> HRESULT {
        const std::u16string name(com::BstrView(oNodeRecord.mbsItemName));
        for (const CheckedReference& reference : oPlain) {
            if (!reference.mpoNode) return E_POINTER;
            CComPtr<IUnknown> carrier;
            if (HRESULT hr = FindNodeByItemName(name, reference.mpoNode, carrier); FAILED(hr)) return hr;
            const HRESULT hr = carrier ? AddDocsForReferencesOf(poNode, oNodeRecord, carrier, oDocs)
                                       : AddDocsForReference(poNode, oNodeRecord, reference, oDocs);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::AddDocsForReference(IUnknown* poNode, const XRefNodeRecord& oNodeRecord,
                                              const CheckedReference& oReference, Lst<XRefItemDocData*>& oDocs) {
    if (!oReference.mpoNode) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        const std::u16string_view name = com::BstrView(oNodeRecord.mbsItemName);
        if (ItemNameOf(oReference.mpoNode) != name)
            return AddNodeDocData(poNode, oNodeRecord, oReference.mlA, oReference.mlB, oDocs);
        return AddDocsForReferencesOf(poNode, oNodeRecord, oReference.mpoNode, oDocs);
    });
}

HRESULT CXRefTreeHandler::AddDocsForReferencesOf(IUnknown* poNode, const XRefNodeRecord& oNodeRecord,
                                                 IUnknown* poReferencing, Lst<XRefItemDocData*>& oDocs) {
    return com::Boundary([&]() -> HRESULT {
        com::OwnedSafeArray elements = ReadReferences(poReferencing);
        std::vector<CheckedReference> plain, statics;
        if (HRESULT hr = SplitCheckedReferences(elements.get(), plain, statics); FAILED(hr)) return hr;
        if (plain.empty()) return AddNodeDocData(poNode, oNodeRecord, 0, 0, oDocs);
        for (const CheckedReference& reference : plain)
            if (HRESULT hr = AddNodeDocData(poNode, oNodeRecord, reference.mlA, reference.mlB, oDocs); FAILED(hr))
                return hr;
        return S_OK;
    });
}

namespace {

// FindNodeByItemName below `node`: the deepest carrier first, in reference
// order. `searched` holds the nodes whose references were searched already,
// so that references that lead back up end the search.
HRESULT FindBelow(CXRefTreeHandler& handler, const std::u16string& name, IUnknown* node, std::set<IUnknown*>& searched,
                  std::vector<CComPtr<IUnknown>>& keepAlive, CComPtr<IUnknown>& found) {
    CComPtr<IUnknown> identity = Identity(node);
    if (!searched.insert(static_cast<IUnknown*>(identity)).second) return S_OK;
    keepAlive.push_back(identity);

    com::OwnedSafeArray elements = ReadReferences(node);
    std::vector<CheckedReference> plain, statics;
    if (HRESULT hr = handler.SplitCheckedReferences(elements.get(), plain, statics); FAILED(hr)) return hr;
    for (const CheckedReference& reference : plain) {
        if (!reference.mpoNode) return E_POINTER;
        if (HRESULT hr = FindBelow(handler, name, reference.mpoNode, searched, keepAlive, found); FAILED(hr)) return hr;
        if (found) return S_OK;
    }
    for (const CheckedReference& reference : plain) {
        if (ItemNameOf(reference.mpoNode) == name) {
            found = reference.mpoNode;
            return S_OK;
        }
    }
    return S_OK;
}

}  // namespace

HRESULT CXRefTreeHandler::FindNodeByItemName(const std::u16string& oName, IUnknown* poNode, CComPtr<IUnknown>& oFound) {
    oFound = nullptr;
    if (!poNode) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        std::set<IUnknown*> searched;
        std::vector<CComPtr<IUnknown>> keepAlive;
        return FindBelow(*this, oName, poNode, searched, keepAlive, oFound);
    });
}

HRESULT CXRefTreeHandler::AddNodeDocData(IUnknown* poNode, const XRefNodeRecord& oNodeRecord, LONG lPairA0,
                                         LONG lPairA1, Lst<XRefItemDocData*>& oDocs) {
    return com::Boundary([&]() -> HRESULT {
        const XRefNodeRecord& node = oNodeRecord;
        std::unique_ptr<XRefItemDocData> record(new XRefItemDocData());
        record->mlJoinDocID = lPairA0;
        record->mlJoinDocWord = lPairA1;
        record->mlDocID = node.mlDocumentID;
        record->mlDocWord = node.mlConfigurationWord;
        record->mlWord16 = node.mlVersion;
        record->mlLinkType = node.mlLinkType;
        record->mbsItemName = CopyBstr(node.mbsItemName);
        record->mbsConfigName = CopyBstr(node.mbsConfiguration);
        record->mlWord44 = node.mlFolderWord;
        record->mlDestFolderID = node.mlItemFolderID;
        if (node.mlHasReferences != 0 && lPairA0 != 0 && lPairA1 != 0) {
            // The tree's number for the pair; -1 or a failure: none.
            CComQIPtr<CASTAVYLib::IFileRefItem3> properties(poNode);
            if (!properties) return E_POINTER;
            LONG pair[2] = {lPairA0, lPairA1};
            VARIANT in, out;
            VariantInit(&in);
            VariantInit(&out);
            in.vt = VT_BYREF | VT_I4;
            in.plVal = pair;
            HRESULT hr = properties->GetProperty(CASTAVYLib::kPropertyPairNumber, &in, &out);
            if (SUCCEEDED(hr) && out.vt != VT_I4) hr = VariantChangeType(&out, &out, 0, VT_I4);
            if (SUCCEEDED(hr) && out.lVal != -1) record->mlWord48 = out.lVal;
            VariantClear(&out);
        } else {
            record->mlWord48 = node.mlQuantity;
        }
        Append(oDocs, std::move(record));
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::AddStaticRefDocData(const XRefNodeRecord& oNodeRecord, const CheckedReference& oReference,
                                              Lst<XRefItemDocData*>& oDocs) {
    CComQIPtr<IXRefNode> node(oReference.mpoNode);
    if (!node) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        const XRefNodeRecord& owner = oNodeRecord;
        LONG documentId = 0, folderId = 0, version = 0;
        if (HRESULT hr = node->GetDocumentID(&documentId); FAILED(hr)) gvRaiseFailedItemCall(hr);
        if (HRESULT hr = node->GetFolderID(&folderId); FAILED(hr)) gvRaiseFailedItemCall(hr);
        if (HRESULT hr = node->GetVersion(&version); FAILED(hr)) gvRaiseFailedItemCall(hr);
        std::unique_ptr<XRefItemDocData> record(new XRefItemDocData());
        record->mlJoinDocID = owner.mlDocumentID;
        record->mlJoinDocWord = owner.mlConfigurationWord;
        record->mlDocID = oReference.mlA;
        record->mlDocWord = oReference.mlB;
        record->mbsItemName = CopyBstr(owner.mbsItemName);
        record->mlWord44 = folderId;
        record->mlWord16 = version;
        record->mlLinkType = 2;  // static
        record->mlWord48 = 1;
        Append(oDocs, std::move(record));
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::AddFolderItemDocs(Lst<XRefItemDocData*>& oDocs) {
    return com::Boundary([&]() -> HRESULT {
        for (const std::unique_ptr<FolderItemEntry>& item : moFolderItems) {
            std::unique_ptr<XRefItemDocData> record(new XRefItemDocData());
            if (!item->moName.empty()) {
                record->mbsItemName = gbsItemFileName(item->moName);
                record->mbItemNamed = 1;
            }
            record->mlJoinDocID = record->mlDocID = record->mlJoinDocWord = record->mlDocWord = -1;
            record->mlDestFolderID = item->mlItemFolderID;
            record->mpoVarData = item->mpoVarData.release();
            Append(oDocs, std::move(record));
        }
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::AttachVarData(Lst<XRefItemDocData*>& oDocs) {
    return com::Boundary([&]() -> HRESULT {
        // Every record of a key gets its values, whatever the order of the
        // records; the entries matched by their own key go only once all
        // records are served.
        std::set<VarDataKey, VarDataKeyLess> served;
        for (POSITION at = oDocs.GetHeadPosition(); at;) {
            XRefItemDocData* record = oDocs.GetNext(at);
            VarDataKey key{record->mlDocID, std::u16string(com::BstrView(record->mbsConfigName))};
            auto entry = moVarData.find(key);
            if (entry != moVarData.end()) {
                served.insert(key);
            } else {
                entry = moVarData.find(VarDataKey{record->mlDocID, u""});
                if (entry == moVarData.end()) continue;
            }
            const VarDataEntry& values = entry->second;
            if (values.mpoVarData && !record->mpoVarData) {
                OwnedVarList copy(new std::vector<XRefItemVarData*>());
                for (const XRefItemVarData* value : *values.mpoVarData) {
                    std::unique_ptr<XRefItemVarData> copied(new XRefItemVarData(*value));
                    copy->push_back(copied.get());
                    copied.release();
                }
                record->mpoVarData = copy.release();
            }
            if (values.mbStaticLink) record->mlLinkType = 2;
            if (values.mbItemNamed) record->mbItemNamed = 1;
        }
        for (const VarDataKey& key : served) moVarData.erase(key);
        return S_OK;
    });
}

}  // namespace coravent
