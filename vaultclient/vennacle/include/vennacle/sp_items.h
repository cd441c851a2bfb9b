// SpItems: item generation and the counter (serial-number) ids that name
// new items.
#pragma once

#include "common/lst.h"
#include "vennacle/sp_records.h"
#include "winapi/types.h"

namespace vaultdb {
class Database;
}
struct XRefItemDocData;
struct ItemDbData;

class SpItems {
public:
    explicit SpItems(vaultdb::Database& database) : moDatabase(database) {}

    // Creates the items the records describe, in one transaction: all of
    // them or, on any failure, none (no item, link, variable or spent
    // counter id remains). Records with the same item name form one item;
    // an item without a name takes the next given counter id (or a new one)
    // and its name. Records with documents that name an item the vault has
    // already link their documents to that item (links it has stay as they
    // are; `out` gets the item and its new links, nothing when there are
    // none). Each item is "<name>.<item>" in the record's destination
    // folder (else `destFolderId`), checked out to (`userId`, `viewId`,
    // `computerName`), linked to the document of each record (pair B; static
    // when the link word is 2, else dynamic; a configuration the vault does
    // not know gives config id -1), with the records' variable values. Only
    // on success `out` receives one ItemDbData per item, each followed by one
    // per link of it, in record order.
    // With `mode` 1, the given counter ids that no item used are freed again.
    // E_POINTER for a null `out`; E_OXN_FOLDER_NOT_FOUND for a destination that
    // is not an item folder; E_OXN_FILE_NOT_FOUND for an unknown document;
    // E_OXN_NAME_ALREADY_EXISTS when an item of a folder alone is named
    // like an item of the vault;
    // E_OXN_INVALID_NAME for a name without a base name; E_ITEM_MANY_DYN_LINKS
    // for a second dynamic link of one item; E_OXN_VARIABLE_NOT_FOUND for an
    // unknown variable; E_OXN_INVALID_ID for an unknown user.
    HRESULT mhGenerateItems(Lst<XRefItemDocData*>& docs, LONG destFolderId, LONG userId, GUID viewId,
                            const WCHAR* rootPath, const WCHAR* computerName, Lst<ItemDbData*>* out, LONG mode,
                            LONG serialCount, const SerialNoInfo* serials);

    // Reserves `count` new counter ids and gives each with the item name it
    // stands for. E_INVALIDARG for a negative count.
    HRESULT mhGenerateItemIDs(LONG count, Lst<SpStr>& names, Lst<LONG>& counterIds);

    // Frees reserved counter ids again. Ids already spent by an item, and
    // unknown ids, are left as they are (a second push-back does no harm).
    HRESULT mhPushBackCounterIDs(LONG count, const SerialNoInfo* serials);

private:
    vaultdb::Database& moDatabase;  // Not owned: the connection's.
};
