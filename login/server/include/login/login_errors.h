// The failure codes of a login (ILogin::Login), with their names in the
// system's error catalogue.
#pragma once

#include "winapi/errors.h"

namespace login {

// The login table does not exist and the server program that makes it could
// not be started or did not make it in time. The catalogue has no row of its
// own for this code.
inline constexpr HRESULT E_LOGIN_TABLE_MISSING = _HRESULT_TYPEDEF_(0x8004025BL);
inline constexpr HRESULT E_OXN_MISSING_VIEW_INFO = _HRESULT_TYPEDEF_(0x8004024CL);
inline constexpr HRESULT E_OXN_CANT_OPEN_DATABASE = _HRESULT_TYPEDEF_(0x80040206L);
inline constexpr HRESULT E_OXN_NULL_VALUE = _HRESULT_TYPEDEF_(0x80040240L);
inline constexpr HRESULT E_OXN_MISSING_TAVROSK_MODULE = _HRESULT_TYPEDEF_(0x80040272L);
inline constexpr HRESULT E_OXN_CANCELLED_BY_USER = _HRESULT_TYPEDEF_(0x80040226L);
inline constexpr HRESULT E_OXN_SQLSERVER_UNSUPPORTED_VERSION = _HRESULT_TYPEDEF_(0x8004027CL);

}  // namespace login
