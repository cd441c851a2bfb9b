#include "vaultdb/schema.h"

#include "winapi/text.h"

namespace vaultdb {

std::u16string FoldKey(std::u16string_view text) { return winapi::FoldCase(text); }

}  // namespace vaultdb
