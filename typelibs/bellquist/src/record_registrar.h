// How this library's sources describe their records: a registrar bound to
// one library identity and version, and macros that take each field's name
// and offset from the record itself.
#pragma once

#include "com/record_info.h"

#include <cstddef>
#include <initializer_list>

namespace BellquistLib {

// A field of `Record` described by its own name and offset.
#define BELLQUIST_FIELD(Record, field, ...) \
    com::RecordField { u"" #field, static_cast<ULONG>(offsetof(Record, field)), __VA_ARGS__ }
// A GUID field, described as the nested record UdtGUID.
#define BELLQUIST_GUID_FIELD(Record, field) BELLQUIST_FIELD(Record, field, VT_RECORD, 1, UdtGUID::kRecordGuid)

// Registers record descriptions under one library and version.
struct RecordRegistrar {
    GUID library;
    WORD major;
    WORD minor;

    template <class Record>
    void Add(const char16_t* name, std::initializer_list<com::RecordField> fields) const {
        com::RegisterRecordDescription(
            {library, major, minor, Record::kRecordGuid, name, static_cast<ULONG>(sizeof(Record)), fields});
    }
};

}  // namespace BellquistLib
