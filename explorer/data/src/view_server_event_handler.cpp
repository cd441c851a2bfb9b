#include "explorer/data/view_server_event_handler.h"

#include "explorer/data/application_link.h"
#include "explorer/data/cache.h"
#include "explorer/data/command_in_progress.h"
#include "explorer/data/refresh.h"
#include "explorer/data/vault_manager.h"
#include "explorer/data/vault_node.h"

#include "common/error_codes.h"

#include "com/bstr.h"
#include "com/com_error.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "viewserver/ids.h"

#include <new>

using namespace TavroskViewLib;

namespace {

std::u16string TextOf(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : std::u16string(); }

}  // namespace

CViewServerEventHandler::CViewServerEventHandler() {
    CComPtr<IUnknown> server;
    if (FAILED(
            CoCreateInstance(CLSID_ViewServer, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&server))))
        return;
    if (FAILED(OleRun(server))) return;
    server->QueryInterface(IViewServer::kIid, reinterpret_cast<void**>(&mpoViewServer));
}

CViewServerEventHandler::CViewServerEventHandler(IViewServer* viewServer) : mpoViewServer(viewServer) {}

HRESULT CViewServerEventHandler::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == ITavroskView::kIid) {
        *object = static_cast<ITavroskView*>(this);
    } else if (iid == ITavroskView2::kIid) {
        *object = static_cast<ITavroskView2*>(this);
    } else if (iid == INotificationCallback::kIid) {
        *object = static_cast<INotificationCallback*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CViewServerEventHandler::AddRef() {
    RefObj::AddRef();
    return static_cast<ULONG>(mlRefCount());
}

ULONG CViewServerEventHandler::Release() {
    // The count left is read before the release that may delete the object.
    const ULONG left = static_cast<ULONG>(mlRefCount() - 1);
    RefObj::Release();
    return left;
}

HRESULT CViewServerEventHandler::OnPathChanged(BSTR path, LONG flags) {
    if (!(flags & kPathRefresh)) return 1;
    try {
        return ghRefreshItemsByPath(TextOf(path));
    } catch (const _com_error& e) {
        return e.Error();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CViewServerEventHandler::OnViewEvent(BSTR vaultName, LONG projectId, LONG senderId, LONG kind) {
    if (senderId == mlRegistrationID || kind != kViewEventItemsChanged) return 1;
    try {
        gvPostVaultEvent(TextOf(vaultName), projectId);
    } catch (...) {
        // The event is dropped; the frame's next refresh shows the state.
    }
    return 0;
}

HRESULT CViewServerEventHandler::OnVaultReset(BSTR vaultName) {
    try {
        const std::u16string name = TextOf(vaultName);
        RefPtr<CVaultManager> vaults = GetApplicationVaultManager();
        if (!vaults) return E_OXN_MISSING_VIEW_INFO;
        RefPtr<CVaultNode> node = vaults->FindVaultNodeByName(name);
        if (!node) return E_OXN_MISSING_VIEW_INFO;
        if (!gbMustDeferVaultWork()) return mhResetVault(node, name);
        // A command or an attach is inside a call of the item manager the
        // reset releases: it runs once they have ended.
        gvRunAfterCommand([node, name] { mhResetVault(node, name); });
        return 1;
    } catch (const _com_error& e) {
        return e.Error();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CViewServerEventHandler::mhResetVault(const RefPtr<CVaultNode>& node, const std::u16string& vaultName) {
    if (RefreshNs::RefreshIF* refresh = GetApplicationRefresh()) {
        RefreshNs::RefreshItemI* receiver = nullptr;
        if (refresh->Refresh(0, node->mpoCache, &receiver) == 1 && receiver) {
            RefreshNs::RefreshItemPtr finish(receiver);
            receiver->mvVaultReset(reinterpret_cast<const WCHAR*>(vaultName.c_str()));
        }
    }
    node->mpoItmManager = nullptr;
    node->mpoVault = nullptr;
    // Logged out before the cache is rebuilt: a failing rebuild must not
    // leave a node logged in without its item manager.
    node->mbLoggedIn = 0;
    if (CCache* cache = node->mpoCache) {
        cache->mvClear();
        node->SetCache(cache);
    }
    return 1;
}

HRESULT CViewServerEventHandler::OnNotification(LONG, LONG, LONG viewId) {
    if (gbCommandInProgress) return 0;
    ApplicationLink* app = GetApplicationLink();
    ViewFrameLink* frame = app ? app->mpoFindRegisteredView(viewId) : nullptr;
    if (!frame) return 0;
    const DWORD now = mpfnTickCount();
    const DWORD last = frame->mdwGetLastRefreshTick();
    // Unsigned: the tick counter's wrap after 49.7 days is harmless.
    if (last != 0 && static_cast<DWORD>(now - last) <= kNotificationInterval) return 0;
    try {
        return frame->mhRefreshSelection(true);
    } catch (const _com_error& e) {
        return e.Error();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CViewServerEventHandler::UnregisterView(LONG viewId) {
    if (!mpoViewServer) return 0;
    auto held = moViews.find(viewId);
    if (held == moViews.end()) return 0;
    const HRESULT hr = mpoViewServer->UnregisterView(viewId);
    moViews.erase(held);
    return hr;
}
