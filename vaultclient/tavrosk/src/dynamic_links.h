// The dynamic-link update of the client library (service slot 6), answered
// from the vault database: for every item record given (type 4, found by id,
// else by file name) whose item the vault has with a dynamic link to a live
// file, one LinkRecord (tavrosk/link_record.h) - the item's refreshed dynamic
// link: operation 1, the file at its latest version (a dynamic link follows
// the file) with that version's time, both link pairs dynamic / none. The
// record names the item as the caller named it (its moFilename), which is
// the key under which the caller keeps it; the vault's name when the caller
// gave none.
//
// The item server's record does not name its cached dynamic file, only
// that file's version, so the update never reports links to add (2) or
// remove (3): the refreshed link replaces the cached one by itself.
#pragma once

struct SAFEARRAY;

namespace vaultdb {
class Database;
}

namespace tavrosk {

// Reads in one transaction of `database`; `items` SAFEARRAY(ItmObjectData)
// or null. *links: SAFEARRAY(LinkRecord), or null when there is no record.
// Failures raise a COM error and leave *links null.
void UpdateDynamicLinks(vaultdb::Database& database, SAFEARRAY* items, SAFEARRAY** links);

}  // namespace tavrosk
