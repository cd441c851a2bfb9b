// The registered record descriptions, checked and resolved: each nested
// record field points at the layout of its record.
#pragma once

#include "com/record_info.h"

#include <memory>
#include <string>
#include <vector>

namespace com::detail {

struct RecordLayout;

struct FieldLayout {
    std::u16string name;
    ULONG offset;
    VARTYPE type;
    ULONG count;
    ULONG elementSize;
    std::shared_ptr<const RecordLayout> nested;  // VT_RECORD fields
};

struct RecordLayout {
    GUID library;
    WORD major;
    WORD minor;
    GUID record;
    std::u16string name;
    ULONG size;
    std::vector<FieldLayout> fields;
};

// The layout of `record` in the highest registered minor version (at least
// `minor`) of library version `major`; null with TYPE_E_LIBNOTREGISTERED or
// TYPE_E_ELEMENTNOTFOUND in `result`.
std::shared_ptr<const RecordLayout> FindRecordLayout(REFGUID library, ULONG major, ULONG minor, REFGUID record,
                                                     HRESULT* result);

}  // namespace com::detail
