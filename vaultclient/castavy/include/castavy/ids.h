// Identities and numbers of the vault client's reference dialog component
// CASTAVYLib ("Castavy.dll"): the file-reference dialog, the column ids of
// its rows, the texts it asks its command object for, and the bits of the
// flag word that command hands it. Callers create the dialog by CLSID (any
// context), put it into its running state (OleRun) and ask for IFileCastavy
// (castavy/interfaces.h).
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

namespace CASTAVYLib {

// The library under which the component describes its records
// (castavy/records.h), version 1.0.
inline constexpr GUID LIBID_CASTAVYLib = com::MakeGuid("E3E8C733-A6EC-4EC3-AD17-1C5CB27BC714");
inline constexpr WORD kLibraryMajorVersion = 1;
inline constexpr WORD kLibraryMinorVersion = 0;

// The file-reference dialog (IFileCastavy): a reference tree with check and
// name columns, or - for a command without tree columns - a confirmation
// with a comment.
inline constexpr CLSID CLSID_FileCastavy = com::MakeGuid("E1AC571A-1C29-4297-92CF-922BF0DE9A68");

// The tree types IFileCastavy::PutTreeType takes.
inline constexpr LONG kTreeTypeNone = 0;        // no tree is built: the command's rows only (default)
inline constexpr LONG kTreeTypeReferences = 3;  // the dialog has the command build its reference tree

// The width callers give IFileCastavy::Show, in dialog units.
inline constexpr LONG kDialogWidth = 300;

// The column ids of the dialog's rows (CastavyCol). A command names the
// columns it wants shown (IFileRefCmd3::GetColumns); the dialog knows how to
// show each id: a text read from the row, the item name the user may edit,
// or a check box.
enum CastavyCol : LONG {
    CastavyCol_Name = 0,                 // the file's name
    CastavyCol_Folder = 1,               // the vault folder it lies in
    CastavyCol_Version = 2,              // the version referenced
    CastavyCol_LatestVersion = 4,        // the latest version in the vault
    CastavyCol_Revision = 6,             // the revision of the version referenced
    CastavyCol_State = 11,               // the workflow state
    CastavyCol_NewRevision = 18,         // the revision the file will get
    CastavyCol_Configuration = 19,       // the configuration referenced
    CastavyCol_CheckedOutBy = 21,        // who has the file checked out
    CastavyCol_LocalVersion = 23,        // the version in the view folder
    CastavyCol_Quantity = 29,            // how often the parent references the file
    CastavyCol_ReferenceKind = 30,       // static or dynamic reference
    CastavyCol_ItemNumber = 32,          // the item name (edited through IEditableFileRefItem)
    CastavyCol_CreateItem = 33,          // check: create a new item for the row
    CastavyCol_ExistingItem = 34,        // check: use an existing item for the row
    CastavyCol_Link = 35,                // check: the row's third check column (links the file)
    CastavyCol_AddFile = 36,             // check: add the file to the item
    CastavyCol_OpenGeneratedItems = 67,  // the dialog's option check box, not a row column
};

// Whether the dialog shows column `column` as a check box.
constexpr bool IsCheckColumn(LONG column) {
    return column == CastavyCol_CreateItem || column == CastavyCol_ExistingItem || column == CastavyCol_Link ||
           column == CastavyCol_AddFile;
}

// The option IFileRefCmd3::GetOption knows for the dialog's option check box.
inline constexpr LONG kOptionOpenGeneratedItems = CastavyCol_OpenGeneratedItems;

// Bits of the flag word IFileRefCmd3::GetColumns hands the dialog. The
// other bits are the command's and are kept as given.
inline constexpr LONG kFlagCommandColumns = 0x10000000;    // the command chose the columns (always set)
inline constexpr LONG kFlagOpenCheckbox = 0x2000000;       // show the option check box (option 67)
inline constexpr LONG kFlagDestinationFolder = 0x4000000;  // show the destination-folder field
inline constexpr LONG kFlagMayChangeFolder = 0x8000000;    // the user may change the destination folder

// The texts the dialog asks its command for (IFileRefCmd3::GetText). An
// empty text, or a text the command does not write, leaves the dialog's own.
enum CastavyText : LONG {
    CastavyText_Title = 0,             // the window title (else the caption Show is given)
    CastavyText_Message = 1,           // a line above the tree or the comment (empty: none)
    CastavyText_CreateHeader = 6,      // the header of column 33
    CastavyText_ExistingHeader = 7,    // the header of column 34
    CastavyText_OpenCheckbox = 8,      // the option check box
    CastavyText_DestinationLabel = 9,  // the label of the destination-folder field
    CastavyText_BrowseButton = 10,     // the browse button beside it
    CastavyText_BrowseTip = 11,        // the browse button's tip
    CastavyText_DestinationTip = 12,   // the destination field's tip ("\u00a4Title\ntext")
    CastavyText_OpenCheckboxTip = 13,  // the option check box's tip ("\u00a4Title\ntext")
};
inline constexpr LONG kTextCount = 14;  // the dialog asks for ids 0 to 13

// The commands the dialog gives its command object (IFileRefCmd3::Command).
inline constexpr LONG kCommandCheckBeforeOk = 1;  // S_OK lets OK end the dialog; any other result keeps it open
inline constexpr LONG kCommandHelp = 3;
inline constexpr LONG kCommandBrowseFolder = 4;  // value: the destination field's text; S_OK: a folder was chosen
// Results of kCommandCheckBeforeOk that keep the dialog open with its message.
inline constexpr HRESULT kResultItemNameMissing = 40;  // a chosen row has no item name
inline constexpr HRESULT kResultItemNameTwice = 42;    // two chosen rows carry the same item name

// The tree build modes IFileRefCmd3::BuildTree takes; the dialog builds in
// kBuildModeReferences.
inline constexpr LONG kBuildModeReferences = 3;

// The properties of IFileRefItem3 (on rows, and on the command object for
// the destination folder).
inline constexpr LONG kPropertyPairNumber = 1;          // in: VT_BYREF|VT_I4 to two int32; out: VT_I4 (-1: none)
inline constexpr LONG kPropertyItemName = 3;            // VT_BSTR
inline constexpr LONG kPropertyConfiguration = 4;       // VT_I4 configuration word (-1: none)
inline constexpr LONG kPropertyDestinationFolder = 13;  // VT_BSTR, the command object's

// The value ids of IEditableFileRefItem.
inline constexpr LONG kValueItemName = CastavyCol_ItemNumber;

}  // namespace CASTAVYLib
