// The migration steps, one list of SQL statements per schema version.
#pragma once

namespace vaultdb {

// Each list ends with a null pointer.
extern const char* const kSchemaV1[];
extern const char* const kSchemaV2[];

}  // namespace vaultdb
