// Failure codes the stored-procedure layer returns, with the meaning the
// system's error catalogue gives them.
#pragma once

#include "winapi/errors.h"

namespace vennacle {

inline constexpr HRESULT SP_E_LOGIN_FAILED = static_cast<HRESULT>(0x80040200);
inline constexpr HRESULT SP_E_NOT_LOGGED_IN = static_cast<HRESULT>(0x80040204);
inline constexpr HRESULT SP_E_CANT_OPEN_DATABASE = static_cast<HRESULT>(0x80040206);
inline constexpr HRESULT SP_E_DATABASE_ACCESS = static_cast<HRESULT>(0x80040207);
inline constexpr HRESULT SP_E_NAME_ALREADY_EXISTS = static_cast<HRESULT>(0x8004020F);
inline constexpr HRESULT SP_E_FILE_NOT_FOUND = static_cast<HRESULT>(0x80040213);
inline constexpr HRESULT SP_E_FOLDER_NOT_FOUND = static_cast<HRESULT>(0x80040214);
inline constexpr HRESULT SP_E_INVALID_NAME = static_cast<HRESULT>(0x8004021D);
inline constexpr HRESULT SP_E_INVALID_ID = static_cast<HRESULT>(0x80040241);
inline constexpr HRESULT SP_E_VARIABLE_NOT_FOUND = static_cast<HRESULT>(0x80040252);
inline constexpr HRESULT SP_E_MANY_DYN_LINKS = static_cast<HRESULT>(0x800402B6);

}  // namespace vennacle
