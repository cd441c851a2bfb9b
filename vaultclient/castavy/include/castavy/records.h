// The records CASTAVYLib's interfaces exchange in arrays (SAFEARRAY of
// VT_RECORD, made with the record information GetRecordInfoFromGuids(
// LIBID_CASTAVYLib, 1, 0, ..., kRecordGuid) finds once RegisterRecords has
// run - the component runs it when it loads; a process that makes such
// arrays without loading it runs it itself).
#pragma once

#include "castavy/ids.h"
#include "com/bstr.h"
#include "com/record_info.h"
#include "com/unknown.h"
#include "winapi/types.h"

#include <cstddef>

namespace CASTAVYLib {

// One name of the item list (IItemListCmd::GetItemList): the name of an
// item that exists, as a row may use it, and its flag: VARIANT_TRUE when a
// row that uses the item does not link its file to it (the row's column 35
// is then cleared and switched off).
struct ItemListEntry {
    static constexpr GUID kRecordGuid = com::MakeGuid("434045BA-F638-4D61-A38B-3B9269B06024");
    BSTR name;
    VARIANT_BOOL flag;
    SHORT padding;
    LONG padding2;
};
static_assert(sizeof(ItemListEntry) == 16);
static_assert(offsetof(ItemListEntry, flag) == 8);

// One configuration of a row (IFileRefConfigurations::GetConfigurations):
// its configuration word, its state (-1: not used in this tree) and the
// tree item that stands for the file in that configuration (one reference,
// the array's).
struct FileRefConfiguration {
    static constexpr GUID kRecordGuid = com::MakeGuid("518BDDCF-4475-43C3-A4DF-7D8657C0B984");
    LONG configurationWord;  // @0
    LONG state;              // @4: -1 = not used in this tree
    LONGLONG reserved;       // @8: 0
    IUnknown* item;          // @16
};
static_assert(sizeof(FileRefConfiguration) == 24);
static_assert(offsetof(FileRefConfiguration, state) == 4);
static_assert(offsetof(FileRefConfiguration, item) == 16);

// Registers the descriptions of both records with the process. Registering
// again replaces them.
inline void RegisterRecords() {
    com::RegisterRecordDescription({LIBID_CASTAVYLib,
                                    kLibraryMajorVersion,
                                    kLibraryMinorVersion,
                                    ItemListEntry::kRecordGuid,
                                    u"ItemListEntry",
                                    sizeof(ItemListEntry),
                                    {
                                        {u"name", offsetof(ItemListEntry, name), VT_BSTR},
                                        {u"flag", offsetof(ItemListEntry, flag), VT_BOOL},
                                    }});
    com::RegisterRecordDescription(
        {LIBID_CASTAVYLib,
         kLibraryMajorVersion,
         kLibraryMinorVersion,
         FileRefConfiguration::kRecordGuid,
         u"FileRefConfiguration",
         sizeof(FileRefConfiguration),
         {
             {u"configurationWord", offsetof(FileRefConfiguration, configurationWord), VT_I4},
             {u"state", offsetof(FileRefConfiguration, state), VT_I4},
             {u"reserved", offsetof(FileRefConfiguration, reserved), VT_I8},
             {u"item", offsetof(FileRefConfiguration, item), VT_UNKNOWN},
         }});
}

}  // namespace CASTAVYLib
