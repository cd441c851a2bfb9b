// An array a scope owns: an [out] array of a call, destroyed when the scope
// ends. Pass `&holder.array` as the out-argument.
#pragma once

#include "com/safearray.h"

namespace com {

struct SafeArrayHolder {
    SAFEARRAY* array = nullptr;
    SafeArrayHolder() = default;
    SafeArrayHolder(const SafeArrayHolder&) = delete;
    SafeArrayHolder& operator=(const SafeArrayHolder&) = delete;
    ~SafeArrayHolder() {
        if (array) SafeArrayDestroy(array);
    }
};

}  // namespace com
