// Small owners of the lists that the client back end's tree fetch passes
// around, so that every way out of a fetch frees them.
#pragma once

#include "record_conversions.h"  // DataRecordList, gvFreeDataRecords

#include "bellquist/records.h"
#include "com/owned_safearray.h"  // the arrays the fetch holds

// Task-memory records, freed with their strings and connections at the end
// of the scope.
struct DataRecords {
    DataRecordList list;
    DataRecords() = default;
    ~DataRecords() { gvFreeDataRecords(list); }
    DataRecords(const DataRecords&) = delete;
    DataRecords& operator=(const DataRecords&) = delete;
};

// The start of an input record for an item that the back end asks for by
// id: all zero but the type (item) and the configuration (none, -1).
inline void gvStartItemRecord(BellquistLib::ItmObjectData& record, LONG id) {
    record = BellquistLib::ItmObjectData{};
    record.meObjectType = BellquistLib::ItmObjectType_Item;
    record.mlConfigID = -1;
    record.mlObjectID = id;
}
