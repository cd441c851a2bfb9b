// The thread's pending error info as the tests set and read it: what a
// failed method leaves for its caller.
#pragma once

#include "com/error_info.h"

#include <string>

namespace com_testing {

// A new error object with `description`, as IErrorInfo with one reference,
// the caller's.
IErrorInfo* MakeErrorInfo(const char16_t* description);

// Leaves an error object with `description` pending on this thread, as a
// failed call does.
void SetPendingErrorInfo(const char16_t* description);

// Takes the thread's pending error info, as the caller of a failed method
// does, and gives its description: u"<none>" when nothing was pending,
// u"<null>" for an error info without a description.
std::u16string TakePendingDescription();

}  // namespace com_testing
