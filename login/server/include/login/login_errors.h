// The failure of a login (ILogin::Login) that only the login server gives;
// its other failures are the system's codes (common/error_codes.h).
#pragma once

#include "common/error_codes.h"
#include "winapi/errors.h"

namespace login {

// The login table does not exist and the server program that makes it could
// not be started or did not make it in time. The catalogue has no row of its
// own for this code.
inline constexpr HRESULT E_LOGIN_TABLE_MISSING = _HRESULT_TYPEDEF_(0x8004025BL);

}  // namespace login
