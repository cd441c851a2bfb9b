// Item objects and local paths to the records of the vault client's
// libraries and of the item generation server.
#include "record_conversions.h"

#include "item_list.h"

#include "common/error_codes.h"
#include "outside_libraries.h"

#include "bellquist/item_interfaces.h"
#include "com/bstr.h"
#include "com/error_info.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "common/com_errors.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "coravent/records.h"
#include "winapi/files.h"
#include "winapi/text.h"

#include <string>

using namespace BellquistLib;

namespace {

// A copy of the caller's list of item objects, destroyed with this holder.
// Raises E_INVALIDARG when the list does not hold VARIANTs.
struct ListCopy {
    SAFEARRAY* copy = nullptr;
    explicit ListCopy(SAFEARRAY* items) {
        VARTYPE type = VT_EMPTY;
        if (FAILED(SafeArrayGetVartype(items, &type)) || type != VT_VARIANT)
            gvRaiseComError(E_INVALIDARG, u"The list does not hold VARIANTs.");
        if (HRESULT hr = SafeArrayCopy(items, &copy); FAILED(hr)) gvRaiseFailedCall(hr, u"Could not copy the list.");
    }
    ~ListCopy() { SafeArrayDestroy(copy); }
    ListCopy(const ListCopy&) = delete;
    ListCopy& operator=(const ListCopy&) = delete;
};

// The properties every outside record takes from an item object.
struct Identity {
    ItmObjectType type = ItmObjectType_Undefined;
    LONG id = 0;
    LONG parentProjectID = 0;
};

HRESULT ReadIdentity(IItmObject* item, Identity& identity) {
    if (HRESULT hr = item->get_ID(&identity.id); FAILED(hr)) return hr;
    if (HRESULT hr = item->get_ParentProjectID(&identity.parentProjectID); FAILED(hr)) return hr;
    return item->get_Type(&identity.type);
}

bool IsFolderKind(ItmObjectType type) {
    return type == ItmObjectType_Root_ItemFolder || type == ItmObjectType_Vault || type == ItmObjectType_ItemFolder;
}

// The common frame of the three list conversions: the checks, the copy and
// one call of `fill` per element with its item object.
template <class Record, class Fill>
HRESULT ConvertList(SAFEARRAY* items, SAFEARRAY** out, const GUID& library, Fill fill) {
    if (!items || !out) return E_OXN_NULL_VALUE;
    *out = nullptr;
    return com::Boundary([&]() -> HRESULT {
        ListCopy copy(items);
        ItemList list(copy.copy);
        if (list.mlCount() == 0) return E_OXN_NOT_INITIALIZED;
        RecordArray<Record> records;
        records.mvCreate(static_cast<ULONG>(list.mlCount()), library, 1, 0);
        Record* record = records.mpoBegin();
        for (LONG i = 0; i < list.mlCount(); ++i, ++record) {
            CComPtr<IItmObject> item = gpoItemOf(list[i]);
            if (!item) return E_OXN_NULL_VALUE;
            if (HRESULT hr = fill(item.GetInterfacePtr(), *record); FAILED(hr)) return hr;
        }
        records.mvHandOut(out);
        return S_OK;
    });
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// `path` begins with `prefix`, letters compared without regard to case and
// the two separators alike.
bool StartsWithPath(std::u16string_view path, std::u16string_view prefix) {
    if (path.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (IsSeparator(path[i]) && IsSeparator(prefix[i])) continue;
        if (winapi::FoldCase(path[i]) != winapi::FoldCase(prefix[i])) return false;
    }
    return true;
}

// One ItmDbInfo for a path below the view folder `viewFolder` (which ends
// with a separator); false when the path does not exist or lies outside.
bool FillDbInfo(std::u16string path, std::u16string_view viewFolder, ItmDbInfo& info) {
    info.mlDocumentID = 0;
    info.mlProjectID = 0;
    // The path is in the system's form; GetFileAttributesW maps it to the
    // POSIX path (winapi/path_mapping.h), as every file access does.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    const size_t lastSeparator = path.find_last_of(u"\\/");
    std::u16string name;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        info.meItemType = ItmObjectType_Project;
        if (path.empty() || !IsSeparator(path.back())) path += u'\\';
    } else {
        info.meItemType = ItmObjectType_File;
        name = lastSeparator == std::u16string::npos ? path : path.substr(lastSeparator + 1);
    }
    // A folder's path now ends with its separator, so it is its own folder.
    const size_t folderEnd = path.find_last_of(u"\\/");
    if (folderEnd == std::u16string::npos) return false;
    const std::u16string_view folder = std::u16string_view(path).substr(0, folderEnd + 1);
    if (!StartsWithPath(folder, viewFolder)) return false;
    // From the view folder's closing separator on, in the vault's form.
    std::u16string relative(folder.substr(viewFolder.size() - 1));
    for (char16_t& c : relative)
        if (c == u'/') c = u'\\';
    info.moItemName = SysAllocString(name.c_str());
    info.moItemPath = SysAllocString(relative.c_str());
    if (!info.moItemName || !info.moItemPath) gvRaiseComError(E_OUTOFMEMORY, u"Out of memory.");
    return true;
}

}  // namespace

HRESULT ghItemsToUniqueDocuments(SAFEARRAY* items, SAFEARRAY** documents) {
    return ConvertList<UniqueDocument>(items, documents, kMenuInfoLibrary, [](IItmObject* item, UniqueDocument& d) {
        Identity identity;
        if (HRESULT hr = ReadIdentity(item, identity); FAILED(hr)) return hr;
        if (HRESULT hr = item->get_AttachedVersion(&d.mlVersion); FAILED(hr)) return hr;
        d.mlDocumentID = identity.id;
        d.mlParentProjectID = identity.parentProjectID;
        switch (identity.type) {
        case ItmObjectType_Vault:
        case ItmObjectType_ItemFolder:
            d.mlObjectTypeID = 0;
            d.mlParentProjectID = identity.id;
            d.mlDocumentID = 0;
            break;
        case ItmObjectType_Item:
            d.mlObjectTypeID = 4;
            break;
        case ItmObjectType_File:
            d.mlObjectTypeID = 1;
            break;
        case ItmObjectType_BOM:
            d.mlObjectTypeID = 3;
            break;
        default:
            d.mlObjectTypeID = 0;
            break;
        }
        return S_OK;
    });
}

HRESULT ghItemsToXRefRoots(SAFEARRAY* items, bool skipFlagged, SAFEARRAY** roots) {
    if (!items || !roots) return E_OXN_NULL_VALUE;
    *roots = nullptr;
    return com::Boundary([&]() -> HRESULT {
        ListCopy copy(items);
        ItemList list(copy.copy);
        if (list.mlCount() == 0) return E_OXN_NOT_INITIALIZED;
        std::vector<CComPtr<IItmObject>> kept;
        for (LONG i = 0; i < list.mlCount(); ++i) {
            CComPtr<IItmObject> item = gpoItemOf(list[i]);
            if (!item) return E_OXN_NULL_VALUE;
            if (skipFlagged) {
                LONG flags = 0;
                if (HRESULT hr = item->get_ItemObjectFlags(&flags); FAILED(hr)) return hr;
                if (flags & 1) continue;
            }
            kept.push_back(item);
        }
        RecordArray<XRefRootObject> records;
        records.mvCreate(static_cast<ULONG>(kept.size()), kXRefLibrary, 1, 0);
        XRefRootObject* root = records.mpoBegin();
        for (const CComPtr<IItmObject>& item : kept) {
            Identity identity;
            if (HRESULT hr = ReadIdentity(item, identity); FAILED(hr)) return hr;
            root->moFileDate.vt = VT_EMPTY;
            root->mlDocumentID = identity.id;
            root->mlProjectID = identity.parentProjectID;
            if (IsFolderKind(identity.type)) {
                root->meType = Ot_ItemFolder;
                root->mlProjectID = identity.id;
                root->mlDocumentID = 0;
            } else if (identity.type == ItmObjectType_Item) {
                root->meType = Ot_Item;
            } else if (identity.type == ItmObjectType_File) {
                root->meType = Ot_Document;
            } else if (identity.type == ItmObjectType_BOM) {
                root->meType = Ot_BOM;
            } else {
                root->meType = ObjectType{};
            }
            ++root;
        }
        records.mvHandOut(roots);
        return S_OK;
    });
}

HRESULT ghFileObjectsToItemData(SAFEARRAY* objects, SAFEARRAY** items) {
    using CoraventLib::ItemData;
    return ConvertList<ItemData>(objects, items, CoraventLib::LIBID_CoraventLib, [](IItmObject* item, ItemData& data) {
        Identity identity;
        if (HRESULT hr = ReadIdentity(item, identity); FAILED(hr)) return hr;
        data.mbsItemName = SysAllocString(u"");
        if (!data.mbsItemName) return E_OUTOFMEMORY;
        data.mlProjectID = identity.parentProjectID;
        data.mlItemFolderID = 0;
        const bool document = identity.type == ItmObjectType_Item || identity.type == ItmObjectType_File ||
                              identity.type == ItmObjectType_BOM;
        data.mlDocumentID = document ? identity.id : 0;
        return S_OK;
    });
}

bool gbPathsToItmDbInfo(SAFEARRAY* paths, std::u16string_view viewPath, SAFEARRAY** infos) {
    if (!infos) return false;
    *infos = nullptr;
    if (!paths) return false;
    std::u16string viewFolder(viewPath);
    if (viewFolder.empty() || !IsSeparator(viewFolder.back())) viewFolder += u'\\';
    const HRESULT hr = com::Boundary([&]() -> HRESULT {
        ItemList list(paths);
        RecordArray<ItmDbInfo> records;
        records.mvCreate(static_cast<ULONG>(list.mlCount()), kMenuInfoLibrary, 1, 0);
        ItmDbInfo* info = records.mpoBegin();
        for (LONG i = 0; i < list.mlCount(); ++i, ++info) {
            const VARIANT& element = list[i];
            if (element.vt != VT_BSTR || !element.bstrVal) return E_INVALIDARG;
            std::u16string path(element.bstrVal, SysStringLen(element.bstrVal));
            if (!FillDbInfo(std::move(path), viewFolder, *info)) return E_INVALIDARG;
        }
        records.mvHandOut(infos);
        return S_OK;
    });
    if (FAILED(hr)) SetErrorInfo(0, nullptr);  // the caller learns only false
    return SUCCEEDED(hr);
}
