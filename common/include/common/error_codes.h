// The system's own result codes as constants (E_OXN_LOGIN_FAILED, ...), one
// for each name of common/error_codes.def. Any folder that returns or tests
// one of these codes includes this header; none defines its own.
#pragma once

#include "winapi/types.h"

#define ERROR_CODE(name, value) inline constexpr HRESULT name = static_cast<HRESULT>(value##u);
#define ERROR_CODE_SHARING_NAME(name, value)
#include "common/error_codes.def"
