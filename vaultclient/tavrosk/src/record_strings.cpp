#include "record_strings.h"

#include "common/com_errors.h"
#include "winapi/errors.h"

namespace tavrosk {

BSTR NewString(std::u16string_view text) {
    BSTR string = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!string) gvRaiseComError(E_OUTOFMEMORY, u"Out of memory for a text of a record.");
    return string;
}

}  // namespace tavrosk
