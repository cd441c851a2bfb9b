#include "oxnvault/database_failure.h"

#include "common/com_errors.h"
#include "vaultdb/database.h"
#include "winapi/errors.h"
#include "winapi/text.h"

#include <string>

namespace oxnvault {

void CheckDatabase(vaultdb::Database& database, HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    const std::u16string text = u"The vault database failed: " + winapi::ToUtf16(database.LastErrorText());
    gvRaiseComError(hr, text.c_str());
}

}  // namespace oxnvault
