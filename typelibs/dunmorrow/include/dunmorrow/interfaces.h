// Interfaces of DunmorrowLib, methods in the library's slot order.
#pragma once

#include "com/dispatch.h"
#include "dunmorrow/records.h"
#include "winapi/types.h"

namespace DunmorrowLib {

// The login object: opens a database connection for one vault. Dual; the
// member ids are Login 1 and Logout 2.
struct ILogin : IDispatch {
    COM_INTERFACE_ID("CCFA7B70-0CD3-410E-AD75-A3AD90C26DF5");
    // Slot 7.
    virtual HRESULT STDMETHODCALLTYPE Login(LoginInfo oLogin, LoginResult* poLoginResult) = 0;
    // Slot 8.
    virtual HRESULT STDMETHODCALLTYPE Logout() = 0;

protected:
    ~ILogin() = default;
};

inline constexpr IID IID_ILogin = ILogin::kIid;

}  // namespace DunmorrowLib
