// Counter (serial-number) ids: each stands for one item name. An id is free,
// reserved for a caller that will name an item with it, or spent by the item
// that took it.
#pragma once

#include "winapi/types.h"

#include <string>

namespace vaultdb {
class Database;
}

namespace vennacle {

struct Counter {
    LONG mlID = 0;
    std::u16string moName;
};

// Reserves a counter inside the caller's transaction: the oldest free one,
// else a new one named after its id ("ITM-000042").
Counter ReserveCounter(vaultdb::Database& database);

// Frees a reserved counter again; a spent or unknown one stays as it is.
void FreeReservedCounter(vaultdb::Database& database, LONG counterId);

}  // namespace vennacle
