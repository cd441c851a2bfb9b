// The records HastrelLib's interfaces exchange: the selection a tree is
// built over, the records a tree item hands out about itself (task memory,
// which the caller frees with CoTaskMemFree after freeing the strings it
// took over), and the records of its arrays (SAFEARRAY of VT_RECORD, made
// with the record information GetRecordInfoFromGuids(LIBID_HastrelLib, 1, 0,
// ..., kRecordGuid) finds once RegisterRecords has run - the component runs
// it when it loads; a process that makes or reads such arrays without
// loading it runs it itself).
#pragma once

#include "com/bstr.h"
#include "common/record_array.h"
#include "com/record_info.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "hastrel/ids.h"
#include "vennacle/sp_records.h"
#include "winapi/types.h"

#include <cstddef>

namespace HastrelLib {

// A counter id a tree reserved for the name it proposes to a new item
// (mlCounterID), with the tree's word (mlSource: the document the name was
// proposed for). The stored-procedure layer's record, described under this
// library for the arrays of IXRefTreeSerials and IXRefTreeManagerSerials.
using ::SerialNoInfo;
inline constexpr GUID kSerialNoInfoRecordGuid = com::MakeGuid("3D88675E-650E-4B56-8FF0-BBF5F4ACEBAC");

// How a tree walk (IXRefTree::Iterate) offers the nodes. Every walk goes
// depth first, a node before its children, roots in selection order and
// children in the order the vault lists the references.
enum IterateFlag : LONG {
    IterateFlag_Roots = 2,    // the roots only
    IterateFlag_All = 4,      // every node
    IterateFlag_AllRows = 5,  // every node (each node is one row of the dialog), as 4
};

// One document or vault folder to build a tree over (IXRefTree::Build takes
// an array of them, 128 bytes apart). Every byte not named is 0; the
// strings stay the caller's.
struct SelectionEntry {
    LONG mlKind;         // @0: kSelectionDocument or kSelectionProject; other kinds are passed over
    LONG mlDocumentID;   // @4: the document (kind 1)
    VARIANT moReserved;  // @8: VT_INT 0
    LONG mlProjectID;    // @32: the vault folder (kind 2: its documents, not those of folders below it)
    LONG mlReserved36;
    BSTR mbsConfiguration;  // @40: the document's configuration, or null
    BSTR mbsItemName;       // @48: the name the caller gives the document's item ("x.<item>"), or null
    LONG mlItemFolderID;    // @56: the item folder the caller gives the document's item, or 0
    BYTE mbReserved[68];
};
static_assert(sizeof(SelectionEntry) == 128);
static_assert(offsetof(SelectionEntry, mlDocumentID) == 4 && offsetof(SelectionEntry, moReserved) == 8 &&
              offsetof(SelectionEntry, mlProjectID) == 32 && offsetof(SelectionEntry, mbsConfiguration) == 40 &&
              offsetof(SelectionEntry, mbsItemName) == 48 && offsetof(SelectionEntry, mlItemFolderID) == 56);

#pragma pack(push, 4)
// What a node stands for, for item generation (IXRefItmItem::GetNodeRecord).
// Task memory with the strings inside; the caller frees both.
struct XRefNodeRecord {
    LONG mlKind;               // @0: 1, a document
    LONG mlDocumentID;         // @4
    LONG mlFolderID;           // @8: the vault folder of the document
    LONG mlConfigurationWord;  // @12: the configuration's id, -1 for the document as a whole
    LONG mlVersion;            // @16: the document's latest version
    BSTR mbsItemName;          // @20: the row's item name ("x.<item>"), or null
    LONG mlFlags;              // @28: the node's flags (kNodeFlag...)
    SerialNoInfo moSerial;     // @32: the counter id reserved for the proposed new name, or {0, 0}
    LONG mlLinkType;           // @40: how an item links the document: 1 dynamic, 2 static (column 35 off)
    LONG mlHasReferences;      // @44: 1 when IXRefNodeReferences has elements to give
    LONG mlFolderWord;         // @48: the vault folder of the document again
    LONG mlQuantity;           // @52: how often the parent references the document here (1 for a root)
    LONG mlItemFolderID;       // @56: the item folder the selection gives the document's item, or 0
    BSTR mbsConfiguration;     // @60: the configuration's name, or null
};
#pragma pack(pop)
static_assert(sizeof(XRefNodeRecord) == 68);
static_assert(offsetof(XRefNodeRecord, mlVersion) == 16 && offsetof(XRefNodeRecord, mbsItemName) == 20 &&
              offsetof(XRefNodeRecord, mlLinkType) == 40 && offsetof(XRefNodeRecord, mlHasReferences) == 44 &&
              offsetof(XRefNodeRecord, mlItemFolderID) == 56 && offsetof(XRefNodeRecord, mbsConfiguration) == 60);

// A row's proposal (IXRefItmItem::GetRowRecord). Task memory with the
// string inside; the caller frees both.
struct XRefRowRecord {
    BSTR mbsName;           // @0: the row's item name: name B when there is one, else name A (null: none)
    SerialNoInfo moSerial;  // @8: the counter id reserved for name A, or {0, 0}
    LONG mlNewItem;         // @16: 1 when the row proposes a new item (no item links the document)
    LONG mlReserved20;
    LONG mlNameB;  // @24: 1 when mbsName is name B
    LONG mlReserved28;
};
static_assert(sizeof(XRefRowRecord) == 32);
static_assert(offsetof(XRefRowRecord, moSerial) == 8 && offsetof(XRefRowRecord, mlNewItem) == 16 &&
              offsetof(XRefRowRecord, mlNameB) == 24);

// The two names a row proposes (IXRefItmItem::GetNames): name A, a new
// item's ("ITM-000042.<item>", or the name the selection gave), and name B,
// the name of an item of the vault that links the document. Null when
// there is none. Task memory with the strings inside; the caller frees both.
struct XRefNames {
    BSTR mbsNameA;
    BSTR mbsNameB;
};
static_assert(sizeof(XRefNames) == 16);

#pragma pack(push, 4)
// One child of a node (IXRefNodeReferences::GetReferences), 20 bytes apart:
// the referenced document and configuration word (-1: the document as a
// whole), whether the references are static, and the child's tree item
// (one reference, the array's).
struct XRefReference {
    static constexpr GUID kRecordGuid = com::MakeGuid("612DD145-CEBA-4B4D-A201-AD6BE0F82753");
    LONG mlDocumentID;         // @0
    LONG mlConfigurationWord;  // @4
    LONG mlStatic;             // @8: non-zero for a static reference
    IUnknown* mpoItem;         // @12
};
#pragma pack(pop)
static_assert(sizeof(XRefReference) == 20);
static_assert(offsetof(XRefReference, mpoItem) == 12);

// Registers the descriptions of the array records with the process.
// Registering again replaces them.
inline void RegisterRecords() {
    com::RegisterRecordDescription({LIBID_HastrelLib,
                                    kLibraryMajorVersion,
                                    kLibraryMinorVersion,
                                    kSerialNoInfoRecordGuid,
                                    u"SerialNoInfo",
                                    sizeof(SerialNoInfo),
                                    {
                                        {u"mlCounterID", offsetof(SerialNoInfo, mlCounterID), VT_I4},
                                        {u"mlSource", offsetof(SerialNoInfo, mlSource), VT_I4},
                                    }});
    com::RegisterRecordDescription({LIBID_HastrelLib,
                                    kLibraryMajorVersion,
                                    kLibraryMinorVersion,
                                    XRefReference::kRecordGuid,
                                    u"XRefReference",
                                    sizeof(XRefReference),
                                    {
                                        {u"mlDocumentID", offsetof(XRefReference, mlDocumentID), VT_I4},
                                        {u"mlConfigurationWord", offsetof(XRefReference, mlConfigurationWord), VT_I4},
                                        {u"mlStatic", offsetof(XRefReference, mlStatic), VT_I4},
                                        {u"mpoItem", offsetof(XRefReference, mpoItem), VT_UNKNOWN},
                                    }});
}

}  // namespace HastrelLib

// Arrays of SerialNoInfo (RecordArray<SerialNoInfo>) are made under the
// record GUID above.
template <>
struct RecordTraits<SerialNoInfo> {
    static constexpr GUID guid = HastrelLib::kSerialNoInfoRecordGuid;
};
