// Version 2 of the vault schema: the references between documents that a
// CAD file holds (an assembly naming its parts and sub-assemblies), which the
// cross-reference tree reads. "@ID@" is the backend's type of an id column
// that numbers new rows by itself.
#include "schema_steps.h"

namespace vaultdb {

const char* const kSchemaV2[] = {
    // One row per reference; a child referenced several times by one parent
    // (two instances of a bolt) has a row for each.
    R"(CREATE TABLE file_references (
        id @ID@,
        parent_id INTEGER NOT NULL REFERENCES documents (id) ON DELETE CASCADE,
        child_id INTEGER NOT NULL REFERENCES documents (id) ON DELETE CASCADE,
        child_config_name TEXT,
        is_static INTEGER NOT NULL DEFAULT 0 CHECK (is_static IN (0, 1)),
        CHECK (parent_id <> child_id)))",
    "CREATE INDEX file_references_parent ON file_references (parent_id)",
    "CREATE INDEX file_references_child ON file_references (child_id)",
    nullptr,
};

}  // namespace vaultdb
