#include "itemstore/itm_obj_base.h"

#include "com/task_memory.h"
#include "common/error_codes.h"
#include "itemstore/itm_object_data.h"
#include "itemstore/itm_object_private.h"

#include <cstdint>
#include <iterator>
#include <new>
#include <string>
#include <string_view>
#include <utility>

using namespace BellquistLib;

namespace {

BSTR NewString(std::u16string_view text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

// Replaces *field by a copy of `text` (null stays null), freeing the old one.
HRESULT ReplaceString(BSTR* field, BSTR text) {
    BSTR copy = text ? NewString(com::BstrView(text)) : nullptr;
    if (text && !copy) return E_OUTOFMEMORY;
    SysFreeString(*field);
    *field = copy;
    return S_OK;
}

HRESULT ReplaceString(BSTR* field, std::u16string_view text) {
    BSTR copy = NewString(text);
    if (!copy) return E_OUTOFMEMORY;
    SysFreeString(*field);
    *field = copy;
    return S_OK;
}

// Same pointer, both empty (null equals empty), or the same code units.
bool SameText(BSTR left, BSTR right) { return left == right || com::BstrView(left) == com::BstrView(right); }

// The record of another item object: E_ITEM_INVALID_OBJECT when it is not one;
// a null record when it has none.
HRESULT OtherRecord(IUnknown* other, ItmObjectData** record) {
    *record = nullptr;
    IItmObjectPrivate* access = nullptr;
    if (FAILED(other->QueryInterface(IID_PPV_ARGS(&access))) || !access) return E_ITEM_INVALID_OBJECT;
    if (FAILED(access->GetDataPtr(record))) *record = nullptr;
    access->Release();
    return S_OK;
}

LONG DifferenceMask(const ItmObjectData& mine, const ItmObjectData& theirs) {
    LONG mask = 0;
    if (mine.meObjectType != theirs.meObjectType || mine.mlObjectID != theirs.mlObjectID) mask |= 0x0002;
    if (mine.mlParentObjectID != theirs.mlParentObjectID || mine.meParentDocType != theirs.meParentDocType)
        mask |= 0x0004;
    if (!SameText(mine.moFilename, theirs.moFilename) || !SameText(mine.moPath, theirs.moPath)) mask |= 0x0008;
    if (mine.meLinkType != theirs.meLinkType || mine.meLinkOperation != theirs.meLinkOperation) mask |= 0x0010;
    if (mine.mlParentProjectID != theirs.mlParentProjectID) mask |= 0x0020;
    if (mine.mlAttachedVersion != theirs.mlAttachedVersion) mask |= 0x0040;
    if (mine.mlConfigID != theirs.mlConfigID || !SameText(mine.moConfigName, theirs.moConfigName)) mask |= 0x0080;
    if (mine.mlLockedBy != theirs.mlLockedBy || !SameText(mine.moLockedBy, theirs.moLockedBy) ||
        !SameText(mine.moLockedPath, theirs.moLockedPath))
        mask |= 0x0100;
    if (mine.mlStatusID != theirs.mlStatusID || !SameText(mine.moState, theirs.moState)) mask |= 0x0200;
    if (!(mine.moModified == theirs.moModified)) mask |= 0x0400;  // a NaN date never equals
    return mask;
}

// The strings each group of Copy carries.
struct CopiedString {
    LONG bit;
    BSTR ItmObjectData::*field;
};
constexpr CopiedString kCopiedStrings[] = {
    {0x0008, &ItmObjectData::moFilename},   {0x0008, &ItmObjectData::moPath},
    {0x0080, &ItmObjectData::moConfigName}, {0x0100, &ItmObjectData::moLockedBy},
    {0x0100, &ItmObjectData::moLockedPath}, {0x0200, &ItmObjectData::moState},
};

template <class Record>
HRESULT NewTaskRecord(const Record& value, Record** out) {
    auto* record = static_cast<Record*>(CoTaskMemAlloc(sizeof(Record)));
    if (!record) return E_OUTOFMEMORY;
    *record = value;
    *out = record;
    return S_OK;
}

}  // namespace

ItmObjBase::~ItmObjBase() {
    gvFreeItmObjectData(mpoData);
    delete mpoData;
}

HRESULT ItmObjBase::GetLinkedFileName(BSTR* linkedFile) {
    if (!mpoData) return E_POINTER;
    if (!linkedFile) return E_INVALIDARG;
    BSTR copy = mpoData->mbsLinkedFile ? NewString(com::BstrView(mpoData->mbsLinkedFile)) : nullptr;
    if (mpoData->mbsLinkedFile && !copy) return E_OUTOFMEMORY;
    *linkedFile = copy;
    return S_OK;
}

HRESULT ItmObjBase::GetItmObjectFlags(LONG* flags) {
    if (!mpoData) return E_POINTER;
    if (!flags) return E_INVALIDARG;
    *flags = mpoData->mlItmObjectFlags;
    return S_OK;
}

HRESULT ItmObjBase::SetPathPartOnly(BSTR folderPath) {
    if (!mpoData) return E_POINTER;
    if (!folderPath) return E_INVALIDARG;
    std::u16string path(com::BstrView(folderPath));
    if (!path.empty() && path.back() != u'\\') path += u'\\';
    path += com::BstrView(mpoData->moFilename);
    return ReplaceString(&mpoData->moPath, path);
}

HRESULT ItmObjBase::Load(const ItmObjectData* source, const LoadItmObjectData* load) {
    if (!source) return E_OXN_NULL_VALUE;
    auto* fresh = new (std::nothrow) ItmObjectData;
    if (!fresh) return E_OUTOFMEMORY;
    HRESULT hr = ghInitItmObjectData(fresh, load);
    if (SUCCEEDED(hr)) hr = ghCopyItmObjectData(fresh, source, load);
    if (FAILED(hr)) {
        gvFreeItmObjectData(fresh);
        delete fresh;
        return hr;
    }
    gvFreeItmObjectData(mpoData);
    delete mpoData;
    mpoData = fresh;
    return S_OK;
}

HRESULT ItmObjBase::Compare(IUnknown* other, LONG* mask) {
    if (!other || !mask || !mpoData) return E_INVALIDARG;
    ItmObjectData* theirs = nullptr;
    HRESULT hr = OtherRecord(other, &theirs);
    if (FAILED(hr) || FAILED(hr = ghCheckItmObjectData(theirs)) || FAILED(hr = ghCheckItmObjectData(mpoData)))
        return hr;
    *mask = DifferenceMask(*mpoData, *theirs);
    return S_OK;
}

HRESULT ItmObjBase::Copy(IUnknown* other, LONG mask) {
    if (!other || !mpoData) return E_INVALIDARG;
    ItmObjectData* theirs = nullptr;
    HRESULT hr = OtherRecord(other, &theirs);
    if (FAILED(hr) || FAILED(hr = ghCheckItmObjectData(theirs)) || FAILED(hr = ghCheckItmObjectData(mpoData)))
        return hr;
    if ((mask & 0x0002) || theirs == mpoData) return S_OK;  // another identity: nothing to take

    // All string copies first, so that a failure changes nothing.
    BSTR copies[std::size(kCopiedStrings)] = {};
    for (size_t i = 0; i < std::size(kCopiedStrings); ++i) {
        BSTR text = theirs->*kCopiedStrings[i].field;
        if (!(mask & kCopiedStrings[i].bit) || !text) continue;
        copies[i] = NewString(com::BstrView(text));
        if (!copies[i]) {
            for (BSTR copy : copies) SysFreeString(copy);
            return E_OUTOFMEMORY;
        }
    }
    for (size_t i = 0; i < std::size(kCopiedStrings); ++i) {
        if (!(mask & kCopiedStrings[i].bit)) continue;
        SysFreeString(mpoData->*kCopiedStrings[i].field);
        mpoData->*kCopiedStrings[i].field = copies[i];
    }
    ItmObjectData& mine = *mpoData;
    if (mask & 0x0004) {
        mine.mlParentObjectID = theirs->mlParentObjectID;
        mine.meParentDocType = theirs->meParentDocType;
    }
    if (mask & 0x0010) {
        mine.meLinkType = theirs->meLinkType;
        mine.meLinkOperation = theirs->meLinkOperation;
    }
    if (mask & 0x0020) mine.mlParentProjectID = theirs->mlParentProjectID;
    if (mask & 0x0040) {
        mine.mlAttachedVersion = theirs->mlAttachedVersion;
        mine.mlLocalVersion = theirs->mlLocalVersion;
        mine.mlLatestVersion = theirs->mlLatestVersion;
    }
    if (mask & 0x0080) mine.mlConfigID = theirs->mlConfigID;
    if (mask & 0x0100) mine.mlLockedBy = theirs->mlLockedBy;
    if (mask & 0x0200) mine.mlStatusID = theirs->mlStatusID;
    if (mask & 0x0400) mine.moModified = theirs->moModified;
    return S_OK;
}

HRESULT ItmObjBase::Swap(IUnknown* other, VARIANT_BOOL excludeVersionSpecificFields) {
    if (!other) return E_OXN_NULL_VALUE;
    IItmObjectPrivate* access = nullptr;
    if (FAILED(other->QueryInterface(IID_PPV_ARGS(&access))) || !access) return E_ITEM_INVALID_OBJECT;
    ItmObjectData* theirs = nullptr;
    HRESULT hr = mpoData ? S_OK : E_POINTER;
    // An object without a record would leave its partner with none.
    if (SUCCEEDED(hr) && (FAILED(access->GetDataPtr(&theirs)) || !theirs)) hr = E_ITEM_INVALID_OBJECT;
    if (SUCCEEDED(hr)) hr = access->SetDataPtr(mpoData);
    access->Release();
    if (FAILED(hr)) return hr;
    if (excludeVersionSpecificFields && theirs != mpoData) {
        std::swap(mpoData->moAlternateName, theirs->moAlternateName);
        std::swap(mpoData->mbsLinkedFile, theirs->mbsLinkedFile);
        std::swap(mpoData->mbIsDirty, theirs->mbIsDirty);
    }
    mpoData = theirs;
    return S_OK;
}

HRESULT ItmObjBase::GetUniqueID(ItmUniqueID** id) {
    if (!id || !mpoData) return E_POINTER;
    const ItmObjectData& d = *mpoData;
    return NewTaskRecord(ItmUniqueID{d.meObjectType, d.mlObjectID, d.mlParentObjectID, d.mlConfigID}, id);
}

HRESULT ItmObjBase::GetItmLink(ItmLink** link) {
    if (!link || !mpoData) return E_POINTER;
    const ItmObjectData& d = *mpoData;
    return NewTaskRecord(
        ItmLink{d.meObjectType, d.mlObjectID, d.mlParentObjectID, d.mlConfigID, d.meLinkType, d.meLinkOperation}, link);
}

HRESULT ItmObjBase::GetLinkData(ItmLinkData** linkData) {
    if (!linkData || !mpoData) return E_POINTER;
    return NewTaskRecord(ItmLinkData{mpoData->meLinkType, mpoData->meLinkOperation}, linkData);
}

HRESULT ItmObjBase::mhRename(BSTR newName) {
    std::u16string_view path = com::BstrView(mpoData->moPath);
    const bool folderSlashDropped =
        mpoData->meObjectType == ItmObjectType_ItemFolder && path.size() > 1 && path.back() == u'\\';
    if (folderSlashDropped) path.remove_suffix(1);
    const size_t slash = path.rfind(u'\\');
    BSTR newPath = nullptr;
    if (slash != std::u16string_view::npos && path.substr(slash + 1) == com::BstrView(mpoData->moFilename)) {
        std::u16string renamed(path.substr(0, slash + 1));
        renamed += com::BstrView(newName);
        if (folderSlashDropped) renamed += u'\\';
        newPath = NewString(renamed);
        if (!newPath) return E_OUTOFMEMORY;
    }
    const HRESULT hr = ReplaceString(&mpoData->moFilename, newName);
    if (FAILED(hr)) {
        SysFreeString(newPath);
        return hr;
    }
    if (newPath) {
        SysFreeString(mpoData->moPath);
        mpoData->moPath = newPath;
    }
    return S_OK;
}

HRESULT ItmObjBase::PutProperty(LONG kind, VARIANT value) {
    if (!mpoData) return E_POINTER;
    ItmObjectData& d = *mpoData;
    if (kind == ItmProperty_IsDirty) {
        d.mbIsDirty = value.boolVal;  // whatever the VARIANT's type
        return S_OK;
    }
    if (kind == ItmProperty_Connection) {
        if (value.vt != VT_UI8) return S_OK;
        auto* connection = reinterpret_cast<IUnknown*>(static_cast<uintptr_t>(value.ullVal));
        if (connection) connection->AddRef();
        if (d.mpoConnection) d.mpoConnection->Release();
        d.mpoConnection = connection;
        return S_OK;
    }
    if (value.vt == VT_BSTR) {
        switch (kind) {
        case ItmProperty_Filename:
            return mhRename(value.bstrVal);
        case ItmProperty_LockedByName:
            return ReplaceString(&d.moLockedBy, value.bstrVal);
        case ItmProperty_Path:
            return ReplaceString(&d.moPath, value.bstrVal);
        case ItmProperty_FolderPath: {
            std::u16string path(com::BstrView(value.bstrVal));
            if (!path.empty() && path.back() != u'\\') path += u'\\';
            path += com::BstrView(d.moFilename);
            if (path.empty() || path.back() != u'\\') path += u'\\';
            return ReplaceString(&d.moPath, path);
        }
        default:
            return S_OK;
        }
    }
    if (value.vt != VT_I4) return S_OK;
    const LONG number = value.lVal;
    switch (kind) {
    case ItmProperty_ParentProjectID:
        d.mlParentProjectID = number;
        if (d.meObjectType == ItmObjectType_Vault) d.mlObjectID = number;  // a vault is its own folder
        break;
    case ItmProperty_Result:
        d.mlResult = number;
        break;
    case ItmProperty_LockedByID:
        d.mlLockedBy = number;
        break;
    case ItmProperty_AttachedVersion:
        d.mlAttachedVersion = number;
        break;
    case ItmProperty_LocalVersion:
        d.mlLocalVersion = number;
        break;
    case ItmProperty_LinkOperation:
        d.meLinkOperation = static_cast<ItmLinkOperation>(number);
        break;
    case ItmProperty_LinkType:
        d.meLinkType = static_cast<ItmLinkType>(number);
        break;
    case ItmProperty_ObjectType:
        d.meObjectType = static_cast<ItmObjectType>(number);
        break;
    case ItmProperty_ParentObjectID:
        d.mlParentObjectID = number;
        break;
    default:
        break;
    }
    return S_OK;
}

HRESULT ItmObjBase::GetProperty(LONG kind, VARIANT* value) {
    if (!value) return E_POINTER;
    VariantInit(value);
    if (!mpoData) return E_POINTER;
    const ItmObjectData& d = *mpoData;
    auto setNumber = [value](LONG number) {
        value->vt = VT_I4;
        value->lVal = number;
        return S_OK;
    };
    auto setText = [value](std::u16string_view text) {
        BSTR copy = NewString(text);
        if (!copy) return E_OUTOFMEMORY;
        value->vt = VT_BSTR;
        value->bstrVal = copy;
        return S_OK;
    };
    switch (kind) {
    case ItmProperty_ParentProjectID:
        return setNumber(d.mlParentProjectID);
    case ItmProperty_Filename:
        return setText(com::BstrView(d.moFilename));
    case ItmProperty_Result:
        return setNumber(d.mlResult);
    case ItmProperty_LockedByName:
        return setText(com::BstrView(d.moLockedBy));
    case ItmProperty_AttachedVersion:
        return setNumber(d.mlAttachedVersion);
    case ItmProperty_LocalVersion:
        return setNumber(d.mlLocalVersion);
    case ItmProperty_LinkOperation:
        return setNumber(d.meLinkOperation);
    case ItmProperty_Path:
        return setText(com::BstrView(d.moPath));
    case ItmProperty_FolderPath: {
        // The path up to its last "\" when the name follows it; else the
        // whole path.
        const std::u16string_view path = com::BstrView(d.moPath);
        const size_t slash = path.rfind(u'\\');
        if (slash != std::u16string_view::npos && path.substr(slash + 1) == com::BstrView(d.moFilename))
            return setText(path.substr(0, slash + 1));
        return setText(path);
    }
    case ItmProperty_IsDirty:
        value->vt = VT_BOOL;
        value->boolVal = d.mbIsDirty;
        return S_OK;
    default:
        return S_OK;  // put-only and unknown kinds: VT_EMPTY
    }
}

HRESULT ItmObjBase::SetDataPtr(ItmObjectData* data) {
    if (!data) return E_OXN_NULL_VALUE;
    mpoData = data;
    return S_OK;
}

HRESULT ItmObjBase::GetDataPtr(ItmObjectData** data) {
    if (!data) return E_OXN_NULL_VALUE;
    *data = mpoData;
    return mpoData ? S_OK : E_POINTER;
}
