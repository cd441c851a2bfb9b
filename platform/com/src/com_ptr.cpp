#include "com/com_ptr.h"

#include "com/com_error.h"

namespace com {

void RaiseNullPointer() { _com_issue_error(E_POINTER); }

void RaiseQueryFailure(HRESULT hr) { _com_issue_error(hr); }

}  // namespace com
