// Version 1 of the vault schema: every table the vault client needs (see
// vaultdb/schema.h for what each holds). "@ID@" is the backend's type of an
// id column that numbers new rows by itself.
#include "schema_steps.h"

namespace vaultdb {

const char* const kSchemaV1[] = {
    R"(CREATE TABLE users (
        id @ID@,
        name TEXT NOT NULL,
        name_key TEXT NOT NULL UNIQUE,
        full_name TEXT NOT NULL DEFAULT '',
        password_hash TEXT NOT NULL,
        refresh_cache_on_login INTEGER NOT NULL DEFAULT 0,
        deleted INTEGER NOT NULL DEFAULT 0))",

    R"(CREATE TABLE user_system_rights (
        user_id INTEGER NOT NULL REFERENCES users (id) ON DELETE CASCADE,
        right_value BIGINT NOT NULL,
        PRIMARY KEY (user_id, right_value)))",

    R"(CREATE TABLE folders (
        id @ID@,
        parent_id INTEGER REFERENCES folders (id),
        name TEXT NOT NULL,
        vault_path TEXT NOT NULL,
        path_key TEXT NOT NULL UNIQUE,
        created_by INTEGER REFERENCES users (id),
        created_utc DOUBLE PRECISION NOT NULL DEFAULT 0))",
    "CREATE INDEX folders_parent ON folders (parent_id)",
    // The root project; every other folder lies below it.
    R"(INSERT INTO folders (id, parent_id, name, vault_path, path_key) VALUES (1, NULL, '', '\', '\'))",

    R"(CREATE TABLE vault (
        id INTEGER NOT NULL PRIMARY KEY CHECK (id = 1),
        vault_guid TEXT NOT NULL,
        name TEXT NOT NULL,
        vault_type INTEGER NOT NULL DEFAULT 0,
        database_version INTEGER NOT NULL,
        date_format INTEGER NOT NULL DEFAULT 0,
        root_item_folder_id INTEGER REFERENCES folders (id),
        archive_server_id INTEGER NOT NULL DEFAULT 0,
        db_user TEXT NOT NULL DEFAULT '',
        db_password_hash TEXT NOT NULL DEFAULT ''))",

    R"(CREATE TABLE views (
        id @ID@,
        view_guid TEXT NOT NULL UNIQUE,
        root_path TEXT NOT NULL,
        computer TEXT NOT NULL,
        user_id INTEGER REFERENCES users (id)))",

    R"(CREATE TABLE object_rights (
        user_id INTEGER NOT NULL REFERENCES users (id) ON DELETE CASCADE,
        object_type INTEGER NOT NULL,
        object_id INTEGER NOT NULL,
        rights BIGINT NOT NULL,
        PRIMARY KEY (user_id, object_type, object_id)))",

    R"(CREATE TABLE sessions (
        id @ID@,
        user_id INTEGER NOT NULL REFERENCES users (id),
        computer TEXT NOT NULL DEFAULT '',
        program_type INTEGER NOT NULL DEFAULT 0,
        verification_value INTEGER NOT NULL DEFAULT 0,
        login_utc DOUBLE PRECISION NOT NULL,
        logout_utc DOUBLE PRECISION))",
    "CREATE INDEX sessions_user ON sessions (user_id)",

    R"(CREATE TABLE workflows (
        id @ID@,
        name TEXT NOT NULL,
        name_key TEXT NOT NULL UNIQUE))",

    R"(CREATE TABLE workflow_states (
        id @ID@,
        workflow_id INTEGER NOT NULL REFERENCES workflows (id) ON DELETE CASCADE,
        name TEXT NOT NULL,
        name_key TEXT NOT NULL,
        is_initial INTEGER NOT NULL DEFAULT 0,
        UNIQUE (workflow_id, name_key)))",
    "CREATE UNIQUE INDEX workflow_states_initial ON workflow_states (workflow_id) WHERE is_initial = 1",

    R"(CREATE TABLE workflow_transitions (
        id @ID@,
        workflow_id INTEGER NOT NULL REFERENCES workflows (id) ON DELETE CASCADE,
        name TEXT NOT NULL,
        name_key TEXT NOT NULL,
        from_state_id INTEGER NOT NULL REFERENCES workflow_states (id) ON DELETE CASCADE,
        to_state_id INTEGER NOT NULL REFERENCES workflow_states (id) ON DELETE CASCADE,
        increments_revision INTEGER NOT NULL DEFAULT 0,
        UNIQUE (from_state_id, name_key)))",

    R"(CREATE TABLE documents (
        id @ID@,
        folder_id INTEGER NOT NULL REFERENCES folders (id),
        name TEXT NOT NULL,
        name_key TEXT NOT NULL,
        doc_type INTEGER NOT NULL CHECK (doc_type IN (4, 6)),
        object_flags INTEGER NOT NULL DEFAULT 0,
        linked_file_name TEXT,
        alternate_name TEXT NOT NULL DEFAULT '',
        domain TEXT NOT NULL DEFAULT '',
        state_id INTEGER REFERENCES workflow_states (id),
        latest_version INTEGER NOT NULL DEFAULT 0,
        is_cutlist INTEGER NOT NULL DEFAULT 0,
        deleted INTEGER NOT NULL DEFAULT 0,
        created_by INTEGER REFERENCES users (id),
        created_utc DOUBLE PRECISION NOT NULL DEFAULT 0))",
    // A name once per folder, and an item name once in the vault (the item
    // cache keys items by file name); deleted documents free their names.
    "CREATE UNIQUE INDEX documents_name_in_folder ON documents (folder_id, name_key) WHERE deleted = 0",
    "CREATE UNIQUE INDEX documents_item_name ON documents (name_key) WHERE doc_type = 4 AND deleted = 0",
    // Lookups by name in a folder and by name in the vault, deleted or not
    // (the partial indexes above serve only queries that say "deleted = 0").
    "CREATE INDEX documents_folder_name ON documents (folder_id, name_key)",
    "CREATE INDEX documents_name ON documents (name_key)",

    R"(CREATE TABLE document_versions (
        document_id INTEGER NOT NULL REFERENCES documents (id) ON DELETE CASCADE,
        version INTEGER NOT NULL CHECK (version > 0),
        archive_file TEXT,
        size BIGINT NOT NULL DEFAULT 0,
        modified_utc DOUBLE PRECISION NOT NULL,
        comment TEXT NOT NULL DEFAULT '',
        user_id INTEGER NOT NULL REFERENCES users (id),
        state_id INTEGER REFERENCES workflow_states (id),
        revision TEXT NOT NULL DEFAULT '',
        PRIMARY KEY (document_id, version)))",

    R"(CREATE TABLE configurations (
        id @ID@,
        document_id INTEGER NOT NULL REFERENCES documents (id) ON DELETE CASCADE,
        name TEXT NOT NULL,
        UNIQUE (document_id, name)))",

    R"(CREATE TABLE variables (
        id @ID@,
        name TEXT NOT NULL,
        name_key TEXT NOT NULL UNIQUE,
        value_type INTEGER NOT NULL DEFAULT 1,
        is_unique INTEGER NOT NULL DEFAULT 0,
        is_mandatory INTEGER NOT NULL DEFAULT 0))",

    R"(CREATE TABLE variable_values (
        document_id INTEGER NOT NULL,
        version INTEGER NOT NULL,
        configuration_id INTEGER NOT NULL DEFAULT -1,
        variable_id INTEGER NOT NULL REFERENCES variables (id),
        text_value TEXT,
        date_value DOUBLE PRECISION,
        PRIMARY KEY (document_id, version, configuration_id, variable_id),
        FOREIGN KEY (document_id, version) REFERENCES document_versions (document_id, version) ON DELETE CASCADE))",
    "CREATE INDEX variable_values_variable ON variable_values (variable_id)",

    R"(CREATE TABLE counters (
        id @ID@,
        name TEXT NOT NULL UNIQUE,
        state INTEGER NOT NULL DEFAULT 0 CHECK (state IN (0, 1, 2)),
        reserved_by INTEGER REFERENCES users (id),
        reserved_view_guid TEXT,
        reserved_kind INTEGER NOT NULL DEFAULT 0,
        spent_by_item INTEGER))",
    "CREATE INDEX counters_state ON counters (state)",

    R"(CREATE TABLE items (
        document_id INTEGER NOT NULL PRIMARY KEY REFERENCES documents (id) ON DELETE CASCADE,
        item_number TEXT NOT NULL DEFAULT '',
        item_name TEXT NOT NULL DEFAULT '',
        revision TEXT NOT NULL DEFAULT '',
        counter_id INTEGER REFERENCES counters (id)))",

    R"(CREATE TABLE links (
        id @ID@,
        parent_id INTEGER NOT NULL REFERENCES documents (id) ON DELETE CASCADE,
        child_type INTEGER NOT NULL,
        child_id INTEGER NOT NULL,
        child_config_id INTEGER NOT NULL DEFAULT -1,
        link_type INTEGER NOT NULL,
        link_operation INTEGER NOT NULL DEFAULT 1,
        attached_version INTEGER NOT NULL DEFAULT 0,
        UNIQUE (parent_id, child_type, child_id, child_config_id)))",
    "CREATE UNIQUE INDEX links_one_dynamic ON links (parent_id) WHERE link_type = 1",
    "CREATE INDEX links_child ON links (child_type, child_id)",

    R"(CREATE TABLE boms (
        id @ID@,
        document_id INTEGER NOT NULL REFERENCES documents (id) ON DELETE CASCADE,
        configuration_id INTEGER NOT NULL DEFAULT -1,
        folder_id INTEGER REFERENCES folders (id),
        name TEXT NOT NULL,
        latest_version INTEGER NOT NULL DEFAULT 0))",
    "CREATE INDEX boms_document ON boms (document_id)",

    R"(CREATE TABLE bom_rows (
        bom_id INTEGER NOT NULL REFERENCES boms (id) ON DELETE CASCADE,
        position INTEGER NOT NULL,
        child_document_id INTEGER,
        child_config_id INTEGER NOT NULL DEFAULT -1,
        quantity DOUBLE PRECISION NOT NULL DEFAULT 1,
        item_number TEXT NOT NULL DEFAULT '',
        description TEXT NOT NULL DEFAULT '',
        PRIMARY KEY (bom_id, position)))",

    R"(CREATE TABLE cut_lists (
        id @ID@,
        document_id INTEGER NOT NULL REFERENCES documents (id) ON DELETE CASCADE,
        configuration_id INTEGER NOT NULL DEFAULT -1,
        name TEXT NOT NULL))",
    "CREATE INDEX cut_lists_document ON cut_lists (document_id)",

    R"(CREATE TABLE cut_list_rows (
        cut_list_id INTEGER NOT NULL REFERENCES cut_lists (id) ON DELETE CASCADE,
        position INTEGER NOT NULL,
        quantity DOUBLE PRECISION NOT NULL DEFAULT 1,
        length DOUBLE PRECISION NOT NULL DEFAULT 0,
        description TEXT NOT NULL DEFAULT '',
        PRIMARY KEY (cut_list_id, position)))",

    R"(CREATE TABLE locks (
        document_id INTEGER NOT NULL PRIMARY KEY REFERENCES documents (id) ON DELETE CASCADE,
        user_id INTEGER NOT NULL REFERENCES users (id),
        view_guid TEXT NOT NULL,
        computer TEXT NOT NULL,
        locked_path TEXT NOT NULL,
        locked_utc DOUBLE PRECISION NOT NULL DEFAULT 0))",
    "CREATE INDEX locks_user ON locks (user_id)",

    R"(CREATE TABLE history (
        id @ID@,
        action INTEGER NOT NULL,
        object_type INTEGER NOT NULL,
        object_id INTEGER NOT NULL,
        version INTEGER,
        user_id INTEGER NOT NULL REFERENCES users (id),
        time_utc DOUBLE PRECISION NOT NULL,
        comment TEXT NOT NULL DEFAULT ''))",
    "CREATE INDEX history_object ON history (object_type, object_id)",

    R"(CREATE TABLE deleted_objects (
        id @ID@,
        object_type INTEGER NOT NULL,
        object_id INTEGER NOT NULL,
        destroyed INTEGER NOT NULL DEFAULT 0,
        folder_id INTEGER,
        name TEXT NOT NULL DEFAULT '',
        user_id INTEGER REFERENCES users (id),
        time_utc DOUBLE PRECISION NOT NULL))",
    "CREATE INDEX deleted_objects_object ON deleted_objects (object_type, object_id)",
    nullptr,
};

}  // namespace vaultdb
