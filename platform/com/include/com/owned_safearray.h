// A SAFEARRAY a scope owns - an [out] array of a call, or one it made -
// destroyed when its owner goes; release() hands it on.
#pragma once

#include "com/safearray.h"

#include <memory>

namespace com {

struct SafeArrayDestroyer {
    void operator()(SAFEARRAY* array) const noexcept { SafeArrayDestroy(array); }
};
using OwnedSafeArray = std::unique_ptr<SAFEARRAY, SafeArrayDestroyer>;

}  // namespace com
