// The name table: the symbolic name of each code, for logs and diagnostics.
// Eleven codes of the catalogue have no name here; ErrorName makes one.
// The system's own codes and their names come from common/error_codes.def.
#include "common/error_catalogue.h"

#include <iterator>

namespace error_catalogue {

namespace {

// A name longer than 49 characters does not fit its field and fails to
// compile.
constexpr NameRecord kNameTable[] = {
    // The platform's codes that the catalogue names.
    {0x00000000, u"S_OK"},          {0x00000001, u"S_FALSE"},        {0x80004001, u"E_NOTIMPL"},
    {0x80004002, u"E_NOINTERFACE"}, {0x80004003, u"E_POINTER"},      {0x80004005, u"E_FAIL"},
    {0x8000FFFF, u"E_UNEXPECTED"},  {0x80070005, u"E_ACCESSDENIED"}, {0x8007000E, u"E_OUTOFMEMORY"},
    {0x80070057, u"E_INVALIDARG"},
// The system's own codes.
#define ERROR_CODE(name, value) {value, u"" #name},
#define ERROR_CODE_SHARING_NAME(name, value) {value, u"" #name},
#include "common/error_codes.def"
};
static_assert(std::size(kNameTable) == 308);

}  // namespace

std::span<const NameRecord> NameTable() { return kNameTable; }

}  // namespace error_catalogue
