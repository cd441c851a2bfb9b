#include "tree_item.h"

#include "column_ids.h"

#include "bellquist/item_names.h"
#include "castavy/ids.h"
#include "castavy/records.h"
#include "com/bstr.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "com/server/com_object.h"
#include "com/task_memory.h"
#include "com/variant.h"
#include "common/com_errors.h"
#include "common/record_array.h"
#include "winapi/text.h"

#include <cstring>
#include <new>
#include <string>

namespace hastrel {

namespace {

using namespace HastrelLib;
using CASTAVYLib::CastavyCol;

BSTR NewString(std::u16string_view text) {
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!copy) throw std::bad_alloc();
    return copy;
}

// A new string, or null for an empty text.
BSTR NewStringOrNull(std::u16string_view text) { return text.empty() ? nullptr : NewString(text); }

std::u16string Number(LONG value) { return winapi::ToUtf16(std::to_string(value)); }

// A task-memory record of T, zeroed, or a raised E_OUTOFMEMORY.
template <class T>
T* NewTaskRecord() {
    void* block = CoTaskMemAlloc(sizeof(T));
    if (!block) throw std::bad_alloc();
    return new (block) T{};
}

// The text of a VARIANT (a BSTR as it is, anything else changed to one).
std::u16string VariantText(const VARIANT& value) {
    if (value.vt == VT_BSTR) return com::BstrText(value.bstrVal);
    VARIANT changed;
    VariantInit(&changed);
    HRESULT hr = VariantChangeType(&changed, &value, 0, VT_BSTR);
    if (FAILED(hr)) gvRaiseComError(hr, u"The value is not a text.");
    std::u16string text = com::BstrText(changed.bstrVal);
    VariantClear(&changed);
    return text;
}

}  // namespace

NodeRef CXRefTreeItem::Create(NodeData data) {
    CComObject<CXRefTreeItem>* created = nullptr;
    HRESULT hr = CComObject<CXRefTreeItem>::CreateInstance(&created);
    if (FAILED(hr)) gvRaiseComError(hr, u"Could not create a tree item.");
    NodeRef item(created);
    item->data_ = std::move(data);
    return item;
}

HRESULT CXRefTreeItem::_InternalQueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (owner_ && (iid == CASTAVYLib::IFileRefItem::kIid || iid == CASTAVYLib::IFileRefItem3::kIid ||
                   iid == CASTAVYLib::IEditableFileRefItem::kIid || iid == CASTAVYLib::IFileRefConfigurations::kIid ||
                   iid == IXRefItmItem::kIid))
        return owner_->QueryInterface(iid, out);
    return OwnQueryInterface(iid, out);
}

HRESULT CXRefTreeItem::OwnQueryInterface(REFIID iid, void** out) {
    IUnknown* found = nullptr;
    if (iid == IUnknown::kIid || iid == CASTAVYLib::IFileRefItem::kIid)
        found = static_cast<CASTAVYLib::IFileRefItem*>(this);
    else if (iid == CASTAVYLib::IFileRefItem3::kIid)
        found = static_cast<CASTAVYLib::IFileRefItem3*>(this);
    else if (iid == CASTAVYLib::IEditableFileRefItem::kIid)
        found = static_cast<CASTAVYLib::IEditableFileRefItem*>(this);
    else if (iid == CASTAVYLib::IFileRefConfigurations::kIid)
        found = static_cast<CASTAVYLib::IFileRefConfigurations*>(this);
    else if (iid == IXRefItmItem::kIid)
        found = static_cast<IXRefItmItem*>(this);
    else if (iid == IXRefItemControl::kIid)
        found = static_cast<IXRefItemControl*>(this);
    else if (iid == IXRefNode::kIid)
        found = static_cast<IXRefNode*>(this);
    else if (iid == IXRefNodeReferences::kIid)
        found = static_cast<IXRefNodeReferences*>(this);
    else if (iid == IXRefNodeChildren::kIid)
        found = static_cast<IXRefNodeChildren*>(this);
    else if (iid == IXRefTreeItem::kIid)
        found = static_cast<IXRefTreeItem*>(this);
    else if (iid == IXRefColumns::kIid)
        found = static_cast<IXRefColumns*>(this);
    else if (iid == IXRefColumnState::kIid)
        found = static_cast<IXRefColumnState*>(this);
    if (!found) return E_NOINTERFACE;
    found->AddRef();
    *out = found;
    return S_OK;
}

const std::u16string& CXRefTreeItem::RowName() const noexcept {
    if (!rowName_.empty()) return rowName_;
    return data_.nameB.empty() ? data_.nameA : data_.nameB;
}

bool CXRefTreeItem::Checked(LONG column) const noexcept {
    auto found = cells_.find(column);
    return found != cells_.end() && found->second.value && found->second.enabled;
}

void CXRefTreeItem::SetRowName(std::u16string_view name) {
    rowName_ = name;
    if (!rowName_.empty() && !BellquistLib::HasItemExtension(rowName_)) rowName_ += BellquistLib::kItemExtension;
}

void CXRefTreeItem::SetColumnOnRows(LONG column, LONG state, LONG scope) {
    if (scope & kColumnScopeSelf) {
        if (state & kColumnStateChecked)
            cells_[column].value = true;
        else if (state & kColumnStateCleared)
            cells_[column].value = false;
    }
    if (scope & kColumnScopeBelow)
        for (const NodeRef& child : children_)
            child->SetColumnOnRows(column, state, kColumnScopeSelf | kColumnScopeBelow);
}

// ---- IFileRefItem ----

HRESULT CXRefTreeItem::StartChildren(LONG, LONG) {
    nextRow_ = 0;
    return S_OK;
}

HRESULT CXRefTreeItem::NextChild(LONG, LONG, CASTAVYLib::IFileRefItem** ppoChild) {
    if (!ppoChild) return E_POINTER;
    *ppoChild = nullptr;
    if (nextRow_ >= children_.size()) return S_FALSE;
    CASTAVYLib::IFileRefItem* child = children_[nextRow_++].Item();
    child->AddRef();
    *ppoChild = child;
    return S_OK;
}

HRESULT CXRefTreeItem::GetChild(LONG, LONG lIndex, CASTAVYLib::IFileRefItem** ppoChild) {
    if (!ppoChild) return E_POINTER;
    *ppoChild = nullptr;
    if (lIndex < 0) return E_INVALIDARG;
    if (static_cast<size_t>(lIndex) >= children_.size()) return S_FALSE;
    CASTAVYLib::IFileRefItem* child = children_[static_cast<size_t>(lIndex)].Item();
    child->AddRef();
    *ppoChild = child;
    return S_OK;
}

HRESULT CXRefTreeItem::GetColumnText(LONG lColumn, BSTR* pbsText) {
    if (!pbsText) return E_POINTER;
    *pbsText = nullptr;
    return com::Boundary([&] {
        const SourceDocument& document = *data_.document;
        std::u16string text;
        switch (lColumn) {
        case CASTAVYLib::CastavyCol_Name:
            text = document.moName;
            break;
        case CASTAVYLib::CastavyCol_Folder:
            text = document.moFolderPath;
            break;
        // The tree takes every document at its latest version.
        case CASTAVYLib::CastavyCol_Version:
        case CASTAVYLib::CastavyCol_LatestVersion:
            text = Number(document.mlLatestVersion);
            break;
        case CASTAVYLib::CastavyCol_Revision:
            text = document.moRevision;
            break;
        case CASTAVYLib::CastavyCol_State:
            text = document.moState;
            break;
        case CASTAVYLib::CastavyCol_Configuration:
            text = data_.configName;
            break;
        case CASTAVYLib::CastavyCol_CheckedOutBy:
            text = document.moLockedBy;
            break;
        case CASTAVYLib::CastavyCol_Quantity:
            if (data_.parentDocumentId != 0) text = Number(data_.quantity);
            break;
        case CASTAVYLib::CastavyCol_ReferenceKind:
            if (data_.parentDocumentId != 0) text = data_.isStatic ? u"Static" : u"Dynamic";
            break;
        case CASTAVYLib::CastavyCol_ItemNumber:
            text = BellquistLib::WithoutItemExtension(RowName());
            break;
        default:
            break;
        }
        *pbsText = NewString(text);
        return S_OK;
    });
}

HRESULT CXRefTreeItem::GetColumnEnabled(LONG lColumn, VARIANT_BOOL* pbEnabled) {
    if (!pbEnabled) return E_POINTER;
    auto found = cells_.find(lColumn);
    *pbEnabled = found == cells_.end() || found->second.enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CXRefTreeItem::GetColumnValue(LONG lColumn, LONG* plValue) {
    if (!plValue) return E_POINTER;
    auto found = cells_.find(lColumn);
    *plValue = found != cells_.end() && found->second.value ? 1 : 0;
    return S_OK;
}

HRESULT CXRefTreeItem::SetColumnValue(LONG, LONG, LONG, LONG lColumn, LONG lValue) {
    return com::Boundary([&] {
        cells_[lColumn].value = lValue != 0;
        return S_OK;
    });
}

HRESULT CXRefTreeItem::GetKey(BSTR* pbsKey) {
    if (!pbsKey) return E_POINTER;
    *pbsKey = nullptr;
    return com::Boundary([&] {
        *pbsKey = NewString(data_.key);
        return S_OK;
    });
}

// ---- IFileRefItem3 ----

HRESULT CXRefTreeItem::GetProperty(LONG lId, VARIANT* pvIn, VARIANT* pvOut) {
    if (!pvOut) return E_POINTER;
    return com::Boundary([&] {
        switch (lId) {
        case CASTAVYLib::kPropertyPairNumber: {
            // The number of references to (document, configuration word).
            if (!pvIn || pvIn->vt != (VT_BYREF | VT_I4) || !pvIn->plVal) return E_INVALIDARG;
            const LONG documentId = pvIn->plVal[0];
            const LONG configWord = pvIn->plVal[1];
            LONG number = 0;
            for (const NodeRef& child : children_)
                if (child->data_.document->mlDocumentID == documentId && child->data_.configWord == configWord)
                    number += child->data_.quantity;
            VariantClear(pvOut);
            pvOut->vt = VT_I4;
            pvOut->lVal = number != 0 ? number : -1;
            return S_OK;
        }
        case CASTAVYLib::kPropertyItemName: {
            BSTR name = NewString(RowName());
            VariantClear(pvOut);
            pvOut->vt = VT_BSTR;
            pvOut->bstrVal = name;
            return S_OK;
        }
        case CASTAVYLib::kPropertyConfiguration:
            VariantClear(pvOut);
            pvOut->vt = VT_I4;
            pvOut->lVal = data_.configWord;
            return S_OK;
        default:
            return E_INVALIDARG;
        }
    });
}

HRESULT CXRefTreeItem::PutProperty(LONG lId, VARIANT*, VARIANT* pvValue) {
    if (lId != CASTAVYLib::kPropertyItemName) return E_INVALIDARG;
    if (!pvValue) return E_POINTER;
    return com::Boundary([&] {
        SetRowName(VariantText(*pvValue));
        return S_OK;
    });
}

// ---- IEditableFileRefItem ----

HRESULT CXRefTreeItem::SetValue(LONG lId, BSTR bsValue) {
    if (lId != CASTAVYLib::kValueItemName) return E_INVALIDARG;
    return com::Boundary([&] {
        std::u16string_view name = com::BstrView(bsValue);
        while (!name.empty() && iswspace(name.front())) name.remove_prefix(1);
        while (!name.empty() && iswspace(name.back())) name.remove_suffix(1);
        if (name.empty() || name.find(u'\\') != std::u16string_view::npos) return S_FALSE;
        SetRowName(name);
        return S_OK;
    });
}

HRESULT CXRefTreeItem::GetValue(LONG lId, BSTR* pbsValue) {
    if (!pbsValue) return E_POINTER;
    *pbsValue = nullptr;
    if (lId != CASTAVYLib::kValueItemName) return E_INVALIDARG;
    return com::Boundary([&] {
        *pbsValue = NewString(BellquistLib::WithoutItemExtension(RowName()));
        return S_OK;
    });
}

HRESULT CXRefTreeItem::GetChanged(VARIANT_BOOL* pbChanged) {
    if (!pbChanged) return E_POINTER;
    // A row counts as chosen when one of its choice columns is checked.
    if (!Checked(CASTAVYLib::CastavyCol_CreateItem) && !Checked(CASTAVYLib::CastavyCol_ExistingItem) &&
        !Checked(CASTAVYLib::CastavyCol_AddFile))
        return S_OK;
    const std::u16string& proposal = data_.nameB.empty() ? data_.nameA : data_.nameB;
    *pbChanged = !rowName_.empty() && rowName_ != proposal ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CXRefTreeItem::CanEdit(VARIANT_BOOL* pbCanEdit) {
    if (!pbCanEdit) return E_POINTER;
    *pbCanEdit = data_.itemNames ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// ---- IFileRefConfigurations ----

HRESULT CXRefTreeItem::GetConfigurations(SAFEARRAY** ppoConfigurations) {
    if (!ppoConfigurations) return E_POINTER;
    *ppoConfigurations = nullptr;
    return com::Boundary([&] {
        std::vector<CXRefTreeItem*> nodes;
        if (siblings_) {
            for (CXRefTreeItem* node : siblings_->nodes)
                if (node->data_.configWord != -1) nodes.push_back(node);
        } else if (data_.configWord != -1) {
            nodes.push_back(this);
        }
        RecordArray<CASTAVYLib::FileRefConfiguration> records;
        records.mvCreate(static_cast<ULONG>(nodes.size()), CASTAVYLib::LIBID_CASTAVYLib,
                         CASTAVYLib::kLibraryMajorVersion, CASTAVYLib::kLibraryMinorVersion);
        CASTAVYLib::FileRefConfiguration* record = records.mpoBegin();
        for (CXRefTreeItem* node : nodes) {
            record->configurationWord = node->data_.configWord;
            record->state = 0;
            record->item = static_cast<CASTAVYLib::IFileRefItem*>(node);
            record->item->AddRef();
            ++record;
        }
        records.mvHandOut(ppoConfigurations);
        return S_OK;
    });
}

HRESULT CXRefTreeItem::FindConfiguration(BSTR bsName, LONG* plConfigurationWord, LONG* plState) {
    if (!plConfigurationWord || !plState) return E_POINTER;
    const std::u16string_view name = com::BstrView(bsName);
    if (name.empty()) {
        if (data_.configWord == -1) return S_FALSE;
        *plConfigurationWord = data_.configWord;
        *plState = 0;
        return S_OK;
    }
    for (const SourceConfiguration& configuration : data_.document->mvConfigurations) {
        if (!winapi::EqualsIgnoreCase(configuration.moName, name)) continue;
        bool inTree = configuration.mlConfigID == data_.configWord;
        if (siblings_)
            for (CXRefTreeItem* node : siblings_->nodes) inTree |= node->data_.configWord == configuration.mlConfigID;
        *plConfigurationWord = configuration.mlConfigID;
        *plState = inTree ? 0 : -1;
        return S_OK;
    }
    return S_FALSE;
}

// ---- IXRefItmItem ----

HRESULT CXRefTreeItem::GetObjectData(BellquistLib::ItmObjectData* poData) {
    if (!poData) return E_POINTER;
    return com::Boundary([&] {
        const SourceDocument& document = *data_.document;
        BellquistLib::ItmObjectData record{};
        try {
            if (data_.parentDocumentId != 0) {
                record.mlParentObjectID = data_.parentDocumentId;
                record.meParentDocType = BellquistLib::ItmObjectType_File;
            } else {
                record.mlParentObjectID = document.mlFolderID;
                record.meParentDocType = BellquistLib::ItmObjectType_Project;
            }
            record.meObjectType = BellquistLib::ItmObjectType_File;
            record.meLinkType =
                Checked(CASTAVYLib::CastavyCol_Link) ? BellquistLib::LinkType_Dynamic : BellquistLib::LinkType_Static;
            record.meLinkOperation = BellquistLib::LinkOp_None;
            record.mlObjectID = document.mlDocumentID;
            record.mlParentProjectID = document.mlFolderID;
            record.moFilename = NewString(document.moName);
            record.moPath = NewString(document.moFolderPath);
            record.mlAttachedVersion = document.mlLatestVersion;
            record.mlLocalVersion = -1;  // the local files are the caller's to read
            record.mlLatestVersion = document.mlLatestVersion;
            record.mlConfigID = data_.configWord;
            record.moConfigName = NewString(data_.configName);
            record.mlLockedBy = document.mlLockedBy;
            record.moLockedBy = NewString(document.moLockedBy);
            record.moLockedPath = NewString(document.moLockedPath);
            record.mlStatusID = document.mlStatusID;
            record.moState = NewString(document.moState);
            record.moModified = document.mdModified;
            record.moDomain = NewString(document.moDomain);
            record.moLockViewID = document.moLockViewID;
            record.mbHasChildren = children_.empty() ? VARIANT_FALSE : VARIANT_TRUE;
            record.moAlternateName = NewString(document.moAlternateName);
            record.mbIsUpToDate = 1;
        } catch (...) {
            for (BSTR text : {record.moFilename, record.moPath, record.moConfigName, record.moLockedBy,
                              record.moLockedPath, record.moState, record.moDomain, record.moAlternateName})
                SysFreeString(text);
            throw;
        }
        *poData = record;
        return S_OK;
    });
}

HRESULT CXRefTreeItem::GetNodeRecord(XRefNodeRecord** ppoRecord) {
    if (!ppoRecord) return E_POINTER;
    *ppoRecord = nullptr;
    return com::Boundary([&] {
        BSTR itemName = NewStringOrNull(RowName());
        BSTR configName = nullptr;
        try {
            configName = NewStringOrNull(data_.configName);
            XRefNodeRecord* record = NewTaskRecord<XRefNodeRecord>();
            record->mlKind = 1;
            record->mlDocumentID = data_.document->mlDocumentID;
            record->mlFolderID = data_.document->mlFolderID;
            record->mlConfigurationWord = data_.configWord;
            record->mlVersion = data_.document->mlLatestVersion;
            record->mbsItemName = itemName;
            record->mlFlags = data_.flags;
            record->moSerial = data_.serial;
            record->mlLinkType =
                Checked(CASTAVYLib::CastavyCol_Link) ? BellquistLib::LinkType_Dynamic : BellquistLib::LinkType_Static;
            record->mlHasReferences = children_.empty() ? 0 : 1;
            record->mlFolderWord = data_.document->mlFolderID;
            record->mlQuantity = data_.quantity;
            record->mlItemFolderID = data_.itemFolderId;
            record->mbsConfiguration = configName;
            *ppoRecord = record;
        } catch (...) {
            SysFreeString(itemName);
            SysFreeString(configName);
            throw;
        }
        return S_OK;
    });
}

HRESULT CXRefTreeItem::GetRowRecord(XRefRowRecord** ppoRecord) {
    if (!ppoRecord) return E_POINTER;
    *ppoRecord = nullptr;
    return com::Boundary([&] {
        BSTR name = NewStringOrNull(RowName());
        XRefRowRecord* record = nullptr;
        try {
            record = NewTaskRecord<XRefRowRecord>();
        } catch (...) {
            SysFreeString(name);
            throw;
        }
        record->mbsName = name;
        record->moSerial = data_.serial;
        record->mlNewItem = data_.nameB.empty() ? 1 : 0;
        record->mlNameB = !data_.nameB.empty() && RowName() == data_.nameB ? 1 : 0;
        *ppoRecord = record;
        return S_OK;
    });
}

HRESULT CXRefTreeItem::GetNames(XRefNames** ppoNames) {
    if (!ppoNames) return E_POINTER;
    *ppoNames = nullptr;
    return com::Boundary([&] {
        BSTR nameA = NewStringOrNull(data_.nameA);
        BSTR nameB = nullptr;
        XRefNames* names = nullptr;
        try {
            nameB = NewStringOrNull(data_.nameB);
            names = NewTaskRecord<XRefNames>();
        } catch (...) {
            SysFreeString(nameA);
            SysFreeString(nameB);
            throw;
        }
        names->mbsNameA = nameA;
        names->mbsNameB = nameB;
        *ppoNames = names;
        return S_OK;
    });
}

// ---- IXRefItemControl ----

HRESULT CXRefTreeItem::SetOwner(IUnknown* poOwner) {
    owner_ = poOwner;
    return S_OK;
}

// ---- IXRefNode ----

HRESULT CXRefTreeItem::GetDocumentID(LONG* plDocumentId) {
    if (!plDocumentId) return E_POINTER;
    *plDocumentId = data_.document->mlDocumentID;
    return S_OK;
}

HRESULT CXRefTreeItem::GetFlags(LONG* plFlags) {
    if (!plFlags) return E_POINTER;
    *plFlags = data_.flags;
    return S_OK;
}

HRESULT CXRefTreeItem::GetFolderID(LONG* plFolderId) {
    if (!plFolderId) return E_POINTER;
    *plFolderId = data_.document->mlFolderID;
    return S_OK;
}

HRESULT CXRefTreeItem::GetVersion(LONG* plVersion) {
    if (!plVersion) return E_POINTER;
    *plVersion = data_.document->mlLatestVersion;
    return S_OK;
}

HRESULT CXRefTreeItem::GetCount(LONG* plCount) {
    if (!plCount) return E_POINTER;
    *plCount = data_.quantity;
    return S_OK;
}

// ---- IXRefNodeReferences ----

HRESULT CXRefTreeItem::GetReferences(SAFEARRAY** ppoReferences) {
    if (!ppoReferences) return E_POINTER;
    *ppoReferences = nullptr;
    return com::Boundary([&] {
        RecordArray<XRefReference> records;
        records.mvCreate(static_cast<ULONG>(children_.size()), LIBID_HastrelLib, kLibraryMajorVersion,
                         kLibraryMinorVersion);
        XRefReference* record = records.mpoBegin();
        for (const NodeRef& child : children_) {
            record->mlDocumentID = child->data_.document->mlDocumentID;
            record->mlConfigurationWord = child->data_.configWord;
            record->mlStatic = child->data_.isStatic ? 1 : 0;
            IUnknown* item = child.Item();
            item->AddRef();
            // Packed: the pointer lies unaligned at 12.
            std::memcpy(reinterpret_cast<BYTE*>(record) + offsetof(XRefReference, mpoItem), &item, sizeof(item));
            ++record;
        }
        records.mvHandOut(ppoReferences);
        return S_OK;
    });
}

// ---- IXRefNodeChildren ----

HRESULT CXRefTreeItem::StartChildren(LONG) {
    nextChild_ = 0;
    return S_OK;
}

HRESULT CXRefTreeItem::NextChild(LONG, IUnknown** ppoChild) {
    if (!ppoChild) return E_POINTER;
    *ppoChild = nullptr;
    if (nextChild_ >= children_.size()) return S_FALSE;
    IUnknown* child = static_cast<CASTAVYLib::IFileRefItem*>(children_[nextChild_++].Item());
    child->AddRef();
    *ppoChild = child;
    return S_OK;
}

// ---- IXRefTreeItem ----

HRESULT CXRefTreeItem::GetMark(LONG* plMark) {
    if (!plMark) return E_POINTER;
    *plMark = mark_;
    return S_OK;
}

HRESULT CXRefTreeItem::SetMark(LONG lMark) {
    mark_ = lMark;
    return S_OK;
}

// ---- IXRefColumns ----

HRESULT CXRefTreeItem::GetChecked(LONG lColumn, VARIANT_BOOL* pbChecked) {
    if (!pbChecked) return E_POINTER;
    *pbChecked = Checked(lColumn) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CXRefTreeItem::GetValue(LONG lColumn, VARIANT_BOOL* pbValue) {
    if (!pbValue) return E_POINTER;
    auto found = cells_.find(lColumn);
    *pbValue = found != cells_.end() && found->second.value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT CXRefTreeItem::SetValue(LONG lColumn, VARIANT_BOOL bValue) {
    return com::Boundary([&] {
        cells_[lColumn].value = bValue != VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT CXRefTreeItem::SetEnabled(LONG lColumn, VARIANT_BOOL bEnabled) {
    return com::Boundary([&] {
        cells_[lColumn].enabled = bEnabled != VARIANT_FALSE;
        return S_OK;
    });
}

// ---- IXRefColumnState ----

HRESULT CXRefTreeItem::SetColumnState(LONG lColumn, LONG lState, LONG lScope) {
    return com::Boundary([&] {
        SetColumnOnRows(lColumn, lState, lScope);
        return S_OK;
    });
}

HRESULT CXRefTreeItem::SetColumnsState(SAFEARRAY* poColumns, LONG lState, LONG lScope) {
    return com::Boundary([&] {
        std::vector<LONG> columns;
        if (HRESULT hr = ReadColumnIds(poColumns, columns); FAILED(hr)) return hr;
        for (LONG column : columns) SetColumnOnRows(column, lState, lScope);
        return S_OK;
    });
}

}  // namespace hastrel
