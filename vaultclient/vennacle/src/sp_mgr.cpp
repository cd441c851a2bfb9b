#include "vennacle/sp_mgr.h"

#include "common/error_codes.h"
#include "vennacle/sp_items.h"
#include "vennacle/sp_login_info.h"
#include "vennacle/sp_project.h"
#include "vennacle/sp_user.h"
#include "sp_queries.h"
#include "vaultdb/database.h"
#include "winapi/path_mapping.h"

#include <filesystem>
#include <new>

SpMgr::SpMgr() = default;

SpMgr::SpMgr(bool) {}

SpMgr::~SpMgr() = default;

ULONG SpMgr::Release() noexcept {
    // Release order publishes this holder's writes; the acquire fence makes
    // every holder's writes visible to the destruction.
    const ULONG left = mlRefs.fetch_sub(1, std::memory_order_release) - 1;
    if (left == 0) {
        std::atomic_thread_fence(std::memory_order_acquire);
        delete this;
    }
    return left;
}

HRESULT SpMgr::mhCreate(SpDbType type, SpConnectInfo connectInfo) {
    // The name is a file name in the server folder, never a path of its own.
    const auto file = vaultdb::VaultDatabaseFile(winapi::ToPosixPath(connectInfo.moDbServer), connectInfo.moDbName);
    if (type != SpDbType_Vault || file.empty()) return E_INVALIDARG;
    if (mpoDatabase) return E_UNEXPECTED;
    try {
        std::unique_ptr<vaultdb::Database> database;
        if (FAILED(vaultdb::OpenVaultDatabase(file, vaultdb::OpenMode::OpenExisting, database)))
            return E_OXN_CANT_OPEN_DATABASE;

        HRESULT hr = vennacle::CheckDatabaseCredentials(*database, connectInfo.moDbUser, connectInfo.moDbPassword);
        if (FAILED(hr)) return hr;
        return mhAttach(database, connectInfo.moDbName);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT SpMgr::mhAttach(std::unique_ptr<vaultdb::Database>& database, std::u16string dbName) {
    if (!database) return E_POINTER;
    if (mpoDatabase) return E_UNEXPECTED;
    try {
        auto user = std::make_unique<SpUser>(*database);
        auto loginInfo = std::make_unique<SpLoginInfo>(*database, std::move(dbName));
        auto items = std::make_unique<SpItems>(*database);
        auto project = std::make_unique<SpProject>(*database);
        mpoDatabase = std::move(database);
        mpoUser = std::move(user);
        mpoLoginInfo = std::move(loginInfo);
        mpoItems = std::move(items);
        mpoProject = std::move(project);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

SpLoginInfo* SpMgr::mpoGetProc(LONG procId) const noexcept {
    return procId == kLoginInfoProc ? mpoLoginInfo.get() : nullptr;
}
