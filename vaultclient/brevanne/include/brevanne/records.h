// The records the unlock component exchanges with its callers.
//
// UnlockFileRecord is a type-library record: callers pass a
// SAFEARRAY(VT_RECORD) of it, made with the record information that
// GetRecordInfoFromGuids(LIBID_BrevanneLib, 1, 0, ..., kRecordGuid) finds
// once the component is loaded (it registers the description at load; a
// process may also call RegisterRecords below).
// The other two are plain structures passed by pointer.
#pragma once

#include "brevanne/ids.h"
#include "com/bstr.h"
#include "com/record_info.h"
#include "com/unknown.h"
#include "winapi/types.h"

#include <cstddef>

namespace BrevanneLib {

// One object to check in or to undo the check-out of: an item, a bill of
// materials or a file by its id and the folder it lies in (folder id 0:
// wherever it lies), or a folder (file id 0) standing for the documents
// below it that are checked out in this view. {0, 0} names nothing.
struct UnlockFileRecord {
    static constexpr GUID kRecordGuid = com::MakeGuid("0EBC565A-300E-4C8E-8A93-C2D7CF93112B");
    LONG fileId;
    LONG folderId;
    BSTR name;  // not read; callers give ""
};
static_assert(sizeof(UnlockFileRecord) == 16);
static_assert(offsetof(UnlockFileRecord, folderId) == 4);
static_assert(offsetof(UnlockFileRecord, name) == 8);

// Who works where: the start record IUnlockStart::Start reads (56 bytes).
// The caller keeps it and its string; the command copies what it needs -
// the user, the view and its folder (the vault is the data provider's; the
// rights and the date format are the caller's account of its login).
struct UnlockStartRecord {
    GUID vaultGuid;     // @0
    BSTR viewPath;      // @16: the view's local folder, without a trailing "\"
    LONG userId;        // @24: the vault user working
    LONG padding;       // @28: not read
    GUID viewGuid;      // @32: the view the files are checked out in
    LONG systemRights;  // @48: the user's system rights (one bit set)
    LONG dateFormat;    // @52
};
static_assert(sizeof(UnlockStartRecord) == 56);
static_assert(offsetof(UnlockStartRecord, viewPath) == 16);
static_assert(offsetof(UnlockStartRecord, userId) == 24);
static_assert(offsetof(UnlockStartRecord, viewGuid) == 32);
static_assert(offsetof(UnlockStartRecord, systemRights) == 48);
static_assert(offsetof(UnlockStartRecord, dateFormat) == 52);

// What a question (IUnlockOpCallback::Question) is about besides the file. The
// command owns it and its strings; they live for the call only. Kinds 5
// and 8: first the user who has the file checked out, second the computer.
// Kinds 1 and 2: first the configuration ("" for the file as a whole),
// second the variable.
struct UnlockQuestionDetail {
    LONG kind;  // the question kind asked
    LONG padding;
    const WCHAR* first;
    const WCHAR* second;
};
static_assert(sizeof(UnlockQuestionDetail) == 24);
static_assert(offsetof(UnlockQuestionDetail, first) == 8);
static_assert(offsetof(UnlockQuestionDetail, second) == 16);

// Registers the description of UnlockFileRecord with the process (the
// component does so when it loads). Registering again replaces it.
inline void RegisterRecords() {
    com::RegisterRecordDescription({LIBID_BrevanneLib,
                                    kLibraryMajorVersion,
                                    kLibraryMinorVersion,
                                    UnlockFileRecord::kRecordGuid,
                                    u"UnlockFileRecord",
                                    sizeof(UnlockFileRecord),
                                    {
                                        {u"fileId", offsetof(UnlockFileRecord, fileId), VT_I4},
                                        {u"folderId", offsetof(UnlockFileRecord, folderId), VT_I4},
                                        {u"name", offsetof(UnlockFileRecord, name), VT_BSTR},
                                    }});
}

}  // namespace BrevanneLib
