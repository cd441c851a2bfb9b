#include "vaultdb/errors.h"

namespace vaultdb {

const char* ErrorDescription(HRESULT code) {
    switch (code) {
    case VDB_E_FAIL:
        return "the vault database or its archive failed";
    case VDB_E_CONSTRAINT:
        return "the vault holds that entry already, or the change breaks one of its rules";
    case VDB_E_BUSY:
        return "another program kept the vault locked too long";
    case VDB_E_CORRUPT:
        return "the database file is damaged or not a vault database";
    case VDB_E_SCHEMA_TOO_NEW:
        return "the vault was written by a newer program";
    case VDB_E_NOT_FOUND:
        return "the file does not exist";
    case VDB_E_EXISTS:
        return "the file exists already";
    case HRESULT_FROM_WIN32(ERROR_DISK_FULL):
        return "the disk is full";
    default:
        return nullptr;
    }
}

}  // namespace vaultdb
