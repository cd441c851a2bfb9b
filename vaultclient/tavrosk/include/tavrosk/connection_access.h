// How the vault client's own components reach the vault connection of a
// logged-in client library: the outside item operations, handed the client
// library's object by the item server (ItmVaultInfo::mpoConnectionPtr), work
// on the vault database of the same session through it. The item server
// does not call it.
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

class SpMgr;

namespace TavroskClientLib {

struct ITavroskConnection : IUnknown {
    COM_INTERFACE_ID("5428337D-622A-4F96-94C7-D677E537A373");
    // Slot 3: the session's vault connection with one reference for the
    // caller (which it drops with SpMgr::Release). E_POINTER for a null
    // out-argument; E_OXN_NOT_LOGGED_IN, *ppoConnection null, when no login
    // is open.
    virtual HRESULT STDMETHODCALLTYPE GetConnection(SpMgr** ppoConnection) = 0;

protected:
    ~ITavroskConnection() = default;
};

}  // namespace TavroskClientLib
