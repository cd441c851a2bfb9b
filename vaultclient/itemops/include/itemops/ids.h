// Identities of the vault client's item operations server "ItemOperations":
// the outside get and delete operations that the item server drives through
// IItmOperation (bellquist/operation_interfaces.h), and the revision object
// (itemops/revision_interface.h). Callers create each by its CLSID alone
// (context 23); the revision object is then put into its running state
// (OleRun).
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

namespace ItemOperationsLib {

// The library under which the server describes the records of the arrays
// it hands out (ItmObjectData), version 1.0.
inline constexpr GUID LIBID_ItemOperationsLib = com::MakeGuid("10686916-5C25-4023-9174-3D947A5F63BA");
inline constexpr WORD kLibraryMajorVersion = 1;
inline constexpr WORD kLibraryMinorVersion = 0;

// Gets the files of items into the view folder (IItmOperation).
inline constexpr CLSID CLSID_ItmGetOperation = com::MakeGuid("3F9B5907-0377-4178-BCDF-BF911F881C15");
// Deletes items, item folders and files in the vault (IItmOperation).
inline constexpr CLSID CLSID_ItmDeleteOperation = com::MakeGuid("A6DB4DFB-0ED6-490D-8525-BCA0EDA97E5A");
// Increments the revision of items (IItmRevision).
inline constexpr CLSID CLSID_ItmRevision = com::MakeGuid("E5E80EB7-8EF4-45D5-951E-0CE36787B3F2");

// The parameter of ItmInitOperation that makes an operation silent (VT_I4);
// VT_EMPTY is the interactive default.
inline constexpr LONG kOperationSilent = 1;

// What the get operation hands to IItmOperationPropertyResult::SetResult
// (property 0, VT_I4) from ItmEndOperation: the latest versions were got (no
// version was asked), or the version asked.
inline constexpr LONG kGetResultProperty = 0;
inline constexpr LONG kGotLatest = 1;
inline constexpr LONG kGotAskedVersion = 2;

}  // namespace ItemOperationsLib
