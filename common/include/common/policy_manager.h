// PolicyManager: one administrator setting, a DWORD value that an
// administrator's policy key may set in place of the product key's own.
#pragma once

#include "winapi/types.h"

#include <string>

class PolicyManager {
public:
    // `scope` 1: the user's keys (HKEY_CURRENT_USER); any other: the
    // machine's. The value lives in the sub-key `subKey` below the policy key
    // "Software\Policies\ZENTRAVIKO\Halquist Morvantile" or, when no policy
    // sets it, below the product key.
    PolicyManager(LPCWSTR valueName, LPCWSTR subKey, int32_t scope, int32_t firstValue, int32_t secondValue);

    // 1 when the value is the first value, 2 when the second, 0 for any
    // other, 3 when it is not configured (or not a DWORD). A value present
    // under the policy key wins; the product key is then not consulted.
    LONG mlReadValue() const;

private:
    std::u16string moValueName;
    std::u16string moSubKey;
    int32_t mlScope;
    int32_t mlFirstValue;
    int32_t mlSecondValue;
};
