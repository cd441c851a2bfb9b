// Raising COM errors inside the servers. A failed call raises a _com_error
// carrying its HRESULT and an error info with a description; the COM method
// whose body raised it catches it at its boundary (com/method_boundary.h),
// returns the HRESULT and leaves the error info for its caller.
#pragma once

#include "winapi/types.h"

// The fixed descriptions of failed array and record-information calls.
namespace ComErrorText {
inline constexpr const WCHAR* kCouldNotLockSafeArray = u"Could not lock safe array.";
inline constexpr const WCHAR* kCouldNotGetLowerBound = u"Could not get lower bound of array";
inline constexpr const WCHAR* kCouldNotGetUpperBound = u"Could not get upper bound of array";
inline constexpr const WCHAR* kCreateVectorFailed = u"SafeArrayCreateVectorEx failed.";
inline constexpr const WCHAR* kNoRecordInfo = u"Couldn't get record info from guids.";
}  // namespace ComErrorText

// Throws _com_error(hr) with a new error info holding `description`; without
// error info when none can be made.
[[noreturn]] void gvRaiseComError(HRESULT hr, const WCHAR* description);

// Raises the failure `hr` of a call. When the thread has error info pending
// (left by whoever failed first, deeper down), that error info goes with hr,
// so the first description survives; only without one is `description`
// used (gvRaiseComError).
[[noreturn]] void gvRaiseFailedCall(HRESULT hr, const WCHAR* description);
