#include "explorer/data/vault_node.h"

#include "explorer/data/cache.h"
#include "explorer/data/cache_obj.h"
#include "explorer/data/com_error_raising.h"
#include "explorer/data/tree_node.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/com_error.h"
#include "com/runtime.h"
#include "winapi/errors.h"

#include <utility>

namespace {

// The class context the explorer creates the item server's objects in: any
// server that offers the class.
constexpr DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

std::u16string WithoutTrailingBackslashes(std::u16string path) {
    while (!path.empty() && path.back() == u'\\') path.pop_back();
    return path;
}

}  // namespace

CVaultNode::CVaultNode(const GUID& viewId, const GUID& vaultId, std::u16string name, std::u16string rootPath)
    : moVaultID(vaultId), moViewID(viewId), moName(std::move(name)), moRootPath(std::move(rootPath)), moUserName(u"") {}

// The members go in reverse order: the vault object, the tree node, the item
// manager, the connection, then the texts. The cache is the vault manager's
// to destroy, before the node (it holds the node).
CVaultNode::~CVaultNode() = default;

BellquistLib::IItmObject* CVaultNode::CreateItemsRootFolder(LONG rootId) {
    CComPtr<BellquistLib::IItmObject> root;
    if (FAILED(CoCreateInstance(BellquistLib::CLSID_ItmFolder, nullptr, kAnyServer, BellquistLib::IItmObject::kIid,
                                reinterpret_cast<void**>(&root))) ||
        !root)
        return nullptr;

    const _bstr_t name(u"<items>");
    const _bstr_t path((WithoutTrailingBackslashes(moRootPath) + u"\\<items>\\").c_str());
    BellquistLib::ItmObjectData record{};
    record.mlParentObjectID = 0;
    record.meObjectType = BellquistLib::ItmObjectType_Vault;
    record.mlObjectID = rootId;
    record.mlConfigID = -1;
    record.moFilename = name;
    record.moPath = path;
    record.moLockViewID = moViewID;
    record.mbHasChildren = 0;
    record.mbIsUpToDate = -1;
    gvCheckCall(root->Load(&record, nullptr), root);
    return root.Detach();
}

void CVaultNode::SetCache(CCache* cache) {
    if (!cache) _com_issue_error(E_POINTER);
    mpoCache = cache;
    CComPtr<BellquistLib::IItmObject> root;
    root.Attach(CreateItemsRootFolder(1));
    if (!root) _com_issue_error(E_POINTER);

    RefPtr<CCacheObjInner> inner(new CCacheObjInner(cache, BellquistLib::ItmObjectType_Vault, 1, root, moName));
    RefPtr<CCacheObj> object(new CCacheObj(inner));
    mlRootID = 1;
    const CacheObjKey key{BellquistLib::ItmObjectType_Vault, mlRootID, -1};
    if (cache->Objects().find(key) == cache->Objects().end()) cache->mvInsert(key, object);
    // A node attached before the tree showed it has no tree node yet.
    if (moTreeNode) moTreeNode->moCacheObj = object;
}

RefPtr<DbInfo> CVaultNode::GetDbInfo() {
    RefPtr<DbInfo> info(new DbInfo);
    info->mlUserID = mlUserID;
    info->moUserName = com::BstrText(static_cast<OLECHAR*>(moUserName));
    info->moVaultName = moName;
    info->moRootPath = moRootPath;
    info->moViewID = moViewID;
    // A vault never logged in to has no connection to share: its callers
    // find a null one and fail softly.
    if (mpoSpMgr) {
        mpoSpMgr->AddRef();
        info->mpoSpMgr.reset(mpoSpMgr.get());
    }
    return info;
}
