// The information supplement: the card variables that items carry, which the
// explorer offers beside an item's own fields.
#pragma once

struct SAFEARRAY;

namespace vaultdb {
class Database;
}

namespace tavrosk {

// *supplement: a new SAFEARRAY(ItmInfoSupplement) for the caller to destroy,
// one record per variable that holds a value on a live item, by name (case
// ignored): its id, name, value type (vaultdb::VariableType), and whether it
// is unique and mandatory. Empty when no item has a value. *supplement is
// null on failure. Failures of the database raise a COM error.
void ReadInfoSupplement(vaultdb::Database& database, SAFEARRAY** supplement);

}  // namespace tavrosk
