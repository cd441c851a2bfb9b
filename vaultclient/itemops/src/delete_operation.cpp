#include "delete_operation.h"

#include "operation_vaults.h"

#include "com/method_boundary.h"
#include "common/com_errors.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "oxnvault/deletions.h"
#include "vaultdb/database.h"
#include "vaultdb/statement.h"
#include "vennacle/database_failure.h"
#include "winapi/text.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace itemops {

using BellquistLib::ItmObjectType;

namespace {

ItmObjectType ItemTypeOf(LONG rootType) {
    switch (rootType) {
    case BellquistLib::Ot_Item:
        return BellquistLib::ItmObjectType_Item;
    case BellquistLib::Ot_Document:
        return BellquistLib::ItmObjectType_File;
    case BellquistLib::Ot_BOM:
        return BellquistLib::ItmObjectType_BOM;
    case BellquistLib::Ot_ItemFolder:
    case BellquistLib::Ot_RootItemFolder:
        return BellquistLib::ItmObjectType_ItemFolder;
    default:
        return BellquistLib::ItmObjectType_Undefined;
    }
}

bool Contains(const std::vector<LONG>& ids, LONG id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

bool BomExists(vaultdb::Database& database, LONG bomId) {
    auto row = vennacle::PrepareStatement(database, "SELECT 1 FROM boms WHERE id = ?");
    row->BindInt32(1, bomId);
    return vennacle::NextRow(database, *row);
}

}  // namespace

HRESULT CItmDeleteOperation::ItmStartOperation(VARIANT /*oParam*/, SAFEARRAY** poLockUniqueDocs,
                                               SAFEARRAY** poGetUniqueDocs) {
    if (!poLockUniqueDocs || !poGetUniqueDocs) return E_POINTER;
    *poLockUniqueDocs = nullptr;
    *poGetUniqueDocs = nullptr;
    if (!setup_.Ready()) return E_UNEXPECTED;
    return com::Boundary([&]() -> HRESULT {
        HRESULT firstRefusal = S_OK;
        std::u16string refused;
        auto refuse = [&](const std::u16string& what, HRESULT reason) {
            if (firstRefusal == S_OK) firstRefusal = reason;
            refused += u"\n" + what + u": " + ErrorText(reason);
        };
        for (const OperationVault& vault : ReadOperationVaults(setup_.Utils())) {
            vaultdb::Database& database = vault.Database();
            oxnvault::Deletions deletions(database, vault.userId);
            for (const OperationRoot& root : vault.roots) {
                switch (ItemTypeOf(root.type)) {
                case BellquistLib::ItmObjectType_Item:
                case BellquistLib::ItmObjectType_File:
                case BellquistLib::ItmObjectType_BOM:
                    deletions.AddFile(root.documentId, root.projectId);
                    break;
                case BellquistLib::ItmObjectType_ItemFolder:
                    deletions.AddFolder(root.projectId);
                    break;
                default:
                    refuse(u"(object " + winapi::ToUtf16(std::to_string(root.documentId)) + u")", E_OXN_INVALID_TYPE);
                    break;
                }
            }
            vennacle::CheckDatabase(database, deletions.Run());
            for (const oxnvault::DeletionError& error : deletions.Errors()) refuse(error.vaultPath, error.reason);
            for (const OperationRoot& root : vault.roots) {
                const ItmObjectType type = ItemTypeOf(root.type);
                const bool folder = type == BellquistLib::ItmObjectType_ItemFolder;
                const bool gone = folder ? Contains(deletions.DeletedFolders(), root.projectId)
                                  : type == BellquistLib::ItmObjectType_BOM
                                      ? !BomExists(database, root.documentId)
                                      : type != BellquistLib::ItmObjectType_Undefined &&
                                            Contains(deletions.DeletedDocuments(), root.documentId);
                setup_.Report(type, folder ? root.projectId : root.documentId, root.projectId, u"", u"", gone);
            }
        }
        if (firstRefusal != S_OK)
            gvRaiseComError(firstRefusal, (u"The vault did not delete everything:" + refused).c_str());
        return S_FALSE;
    });
}

HRESULT CItmDeleteOperation::ItmEndOperation(VARIANT /*oParam*/) { return S_FALSE; }

}  // namespace itemops
