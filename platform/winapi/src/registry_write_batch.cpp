#include "winapi/registry_write_batch.h"

#include "registry_store.h"

#include "winapi/errors.h"
#include "winapi/registry.h"

namespace winapi {

RegistryWriteBatch::RegistryWriteBatch() { registry::BeginBatch(); }

RegistryWriteBatch::~RegistryWriteBatch() { Finish(); }

LSTATUS RegistryWriteBatch::Finish() {
    if (finished_) return ERROR_SUCCESS;
    finished_ = true;
    return registry::EndBatch();
}

uint64_t RegistryHiveWrites(HKEY root) {
    return registry::HiveWrites(root == HKEY_CURRENT_USER ? registry::Hive::User : registry::Hive::Machine);
}

}  // namespace winapi
