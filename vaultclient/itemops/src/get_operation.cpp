#include "get_operation.h"

#include "operation_vaults.h"
#include "vault_items.h"

#include "bellquist/records.h"
#include "com/method_boundary.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "oxnvault/view_copy.h"
#include "vaultdb/schema.h"
#include "winapi/guid_text.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <sys/stat.h>

#include <string>
#include <vector>

namespace itemops {

using BellquistLib::ItmObjectData;

namespace {

bool LocalFileExists(const std::u16string& path) {
    struct stat status {};
    return ::stat(winapi::ToPosixPath(path).c_str(), &status) == 0;
}

std::u16string Number(LONG value) { return winapi::ToUtf16(std::to_string(value)); }

// What the get list says of an item: an input record at the version got.
struct ItemToRefresh {
    LONG id = 0;
    LONG folderId = 0;
    std::u16string name;
    std::u16string folderPath;
    LONG version = 0;
    LONG latestVersion = 0;
};

void FillInputRecord(ItmObjectData& record, const ItemToRefresh& item) {
    record.mlParentObjectID = item.folderId;
    record.meParentDocType = BellquistLib::ItmObjectType_ItemFolder;
    record.meObjectType = BellquistLib::ItmObjectType_Item;
    record.meLinkType = BellquistLib::LinkType_BOM;
    record.meLinkOperation = BellquistLib::LinkOp_None;
    record.mlObjectID = item.id;
    record.mlParentProjectID = item.folderId;
    record.moFilename = SysAllocStringLen(item.name.data(), static_cast<UINT>(item.name.size()));
    record.moPath = SysAllocStringLen(item.folderPath.data(), static_cast<UINT>(item.folderPath.size()));
    if (!record.moFilename || !record.moPath) gvRaiseComError(E_OUTOFMEMORY, u"The get list could not be made.");
    record.mlAttachedVersion = item.version;
    record.mlLocalVersion = item.version;
    record.mlLatestVersion = item.latestVersion;
    record.mlConfigID = -1;
}

}  // namespace

HRESULT CItmGetOperation::ItmStartOperation(VARIANT oParam, SAFEARRAY** poLockUniqueDocs, SAFEARRAY** poGetUniqueDocs) {
    if (!poLockUniqueDocs || !poGetUniqueDocs) return E_POINTER;
    *poLockUniqueDocs = nullptr;
    *poGetUniqueDocs = nullptr;
    LONG asked = 0;
    if (!ReadAskedVersion(oParam, asked)) return E_INVALIDARG;
    if (!setup_.Ready()) return E_UNEXPECTED;
    return com::Boundary([&]() -> HRESULT {
        std::vector<ItemToRefresh> items;
        std::vector<std::u16string> problems;
        bool cancelled = false;
        const std::vector<OperationVault> vaults = ReadOperationVaults(setup_.Utils());
        // Files land below the view folder; without one a path would land
        // anywhere. Checked before anything is copied.
        for (const OperationVault& vault : vaults)
            if (vault.viewPath.empty())
                gvRaiseComError(E_OXN_MISSING_VIEW_INFO, u"The session has no view folder to get the files into.");
        for (const OperationVault& vault : vaults) {
            vaultdb::Database& database = vault.Database();
            const std::u16string viewGuid = vaultdb::FoldKey(winapi::GuidToString(vault.viewGuid));
            for (const OperationRoot& root : vault.roots) {
                if (cancelled) break;
                if (root.type != BellquistLib::Ot_Item) {
                    setup_.Report(BellquistLib::ItmObjectType_Undefined, root.documentId, root.projectId, u"", u"",
                                  false);
                    continue;
                }
                const std::optional<VaultItem> item = FindItem(database, root.documentId);
                if (!item || item->deleted) {
                    problems.push_back(u"(item " + Number(root.documentId) + u"): The vault has no such item.");
                    setup_.Report(BellquistLib::ItmObjectType_Item, root.documentId, root.projectId, u"", u"", false);
                    continue;
                }
                bool processed = true;
                for (const LinkedFile& file : LinkedFiles(database, item->id, asked)) {
                    const std::u16string path = oxnvault::ViewFilePath(vault.viewPath, file.folderPath, file.name);
                    if (!file.versionFound) {
                        problems.push_back(path + u": The vault has no version " + Number(file.version) +
                                           u" of the file.");
                        processed = false;
                        continue;
                    }
                    const bool checkedOutHere =
                        file.lockUserId == vault.userId && vaultdb::FoldKey(file.lockViewGuid) == viewGuid;
                    if (checkedOutHere && LocalFileExists(path)) {
                        const OperationSetup::Replace answer = setup_.AskReplace(path);
                        if (answer == OperationSetup::Replace::kCancel) {
                            cancelled = true;
                            processed = false;
                            break;
                        }
                        if (answer == OperationSetup::Replace::kNo) continue;  // the user's work stays
                    }
                    std::u16string message;
                    const oxnvault::StoredVersion version{file.id, vaultdb::kObjectFile, file.version, file.modifiedUtc,
                                                          file.hasContents};
                    if (FAILED(oxnvault::CopyVersionToView(database, version, path, message))) {
                        problems.push_back(path + u": " + message);
                        processed = false;
                        continue;
                    }
                }
                setup_.Report(BellquistLib::ItmObjectType_Item, item->id, item->folderId, item->name, item->folderPath,
                              processed);
                items.push_back({item->id, item->folderId, item->name, item->folderPath,
                                 asked > 0 ? asked : item->latestVersion, item->latestVersion});
            }
        }

        RecordArray<ItmObjectData> getList, lockList;
        getList.mvCreate(static_cast<ULONG>(items.size()), ItemOperationsLib::LIBID_ItemOperationsLib,
                         ItemOperationsLib::kLibraryMajorVersion, ItemOperationsLib::kLibraryMinorVersion);
        ItmObjectData* record = getList.mpoBegin();
        for (const ItemToRefresh& item : items) FillInputRecord(*record++, item);
        lockList.mvCreate(0, ItemOperationsLib::LIBID_ItemOperationsLib, ItemOperationsLib::kLibraryMajorVersion,
                          ItemOperationsLib::kLibraryMinorVersion);

        setup_.ShowProblems(u"Some files could not be got into the view folder.", problems);
        started_ = true;
        anyItem_ = !items.empty();
        latestAsked_ = asked == 0;
        lockList.mvHandOut(poLockUniqueDocs);
        getList.mvHandOut(poGetUniqueDocs);
        return anyItem_ ? S_OK : S_FALSE;
    });
}

HRESULT CItmGetOperation::ItmEndOperation(VARIANT oParam) {
    if (!started_) return E_UNEXPECTED;
    IUnknown* given = oParam.vt == VT_DISPATCH  ? static_cast<IUnknown*>(oParam.pdispVal)
                      : oParam.vt == VT_UNKNOWN ? oParam.punkVal
                                                : nullptr;
    if (!given) return E_INVALIDARG;
    return com::Boundary([&]() -> HRESULT {
        CComQIPtr<BellquistLib::IItmOperationPropertyResult> result(given);
        if (!result) return E_INVALIDARG;
        if (!anyItem_) return S_FALSE;
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_I4;
        value.lVal = latestAsked_ ? ItemOperationsLib::kGotLatest : ItemOperationsLib::kGotAskedVersion;
        return result->SetResult(ItemOperationsLib::kGetResultProperty, &value);
    });
}

}  // namespace itemops
