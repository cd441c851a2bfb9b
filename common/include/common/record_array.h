// Arrays of type-library records (one-dimensional SAFEARRAYs of VT_RECORD),
// the form in which lists of records cross the COM boundary.
//
// RecordArray<T> owns such an array (or borrows a caller's [in] array) and
// keeps its data locked while it holds it, so the records can be read and
// written in place. Every failure raises a COM error (common/com_errors.h).
#pragma once

#include "com/safearray.h"
#include "winapi/types.h"

// The record GUID under which arrays of T are created: T::kRecordGuid, or a
// specialisation for a record type that cannot carry the member.
template <class T>
struct RecordTraits {
    static constexpr GUID guid = T::kRecordGuid;
};

// A new array of `count` zeroed records `record` of the type library
// `library` version major.minor, lower bound 0, unlocked, for the caller to
// destroy. Raises the failure of GetRecordInfoFromGuids with "Couldn't get
// record info from guids.", and E_OUTOFMEMORY with "SafeArrayCreateVectorEx
// failed." when the array cannot be made.
SAFEARRAY* ghCreateRecordArray(REFGUID record, ULONG count, REFGUID library, WORD major, WORD minor);

// The part of RecordArray<T> that does not depend on T.
class RecordArrayCore {
public:
    RecordArrayCore(const RecordArrayCore&) = delete;
    RecordArrayCore& operator=(const RecordArrayCore&) = delete;

    // Elements, read from the array's bounds on first use (0 when no array
    // is held).
    LONG mlGetCount();
    // Hands the owned array to an [out] argument: its data is unlocked and
    // the caller of the method owns it from then on; this wrapper is left
    // empty. E_POINTER for a null `out`; E_UNEXPECTED for a borrowed array,
    // which is not this wrapper's to give away.
    void mvHandOut(SAFEARRAY** out);
    // The array held (null when empty), still owned by the wrapper.
    SAFEARRAY* mpoGetArray() const noexcept { return mpoArray; }

protected:
    RecordArrayCore() noexcept = default;
    // Borrows a caller's array and locks its data; its elements must be
    // `elementSize` bytes.
    RecordArrayCore(SAFEARRAY* callersArray, ULONG elementSize);
    ~RecordArrayCore();

    void mvCreate(REFGUID record, ULONG elementSize, ULONG count, REFGUID library, WORD major, WORD minor);
    void* mpoData() const noexcept { return mpoElements; }

private:
    // Ends the access and destroys the array when owned; leaves the wrapper
    // empty.
    void mvRelease() noexcept;
    // Locks the data of mpoArray; on failure the array is given up (and
    // destroyed when owned) before the error is raised.
    void mvAccess(ULONG elementSize);
    // Reads the lower and upper bounds of dimension 1 into mlCount.
    void mvGetBounds();

    BYTE mbOwned = 0;               // destroy mpoArray when letting it go
    SAFEARRAY* mpoArray = nullptr;  // null when empty
    void* mpoElements = nullptr;    // the data while it is locked, else null
    LONG mlCount = 0;               // 0 = not read yet
};

template <class T>
class RecordArray : public RecordArrayCore {
public:
    // Empty, holding no array.
    RecordArray() noexcept = default;
    // Borrows a caller's [in] array (not owned, never destroyed here) and
    // locks its data. Raises the lock's failure with "Could not lock safe
    // array.", and E_INVALIDARG when its elements are not the size of T.
    explicit RecordArray(SAFEARRAY* callersArray) : RecordArrayCore(callersArray, sizeof(T)) {}

    // Lets go of the array held, then makes and owns a new one of `count`
    // zeroed records T of the type library `library` version major.minor,
    // and locks its data. A failed create leaves the wrapper empty.
    void mvCreate(ULONG count, REFGUID library, WORD major, WORD minor) {
        RecordArrayCore::mvCreate(RecordTraits<T>::guid, sizeof(T), count, library, major, minor);
    }

    // The records in place: [mpoBegin(), mpoEnd()).
    T* mpoBegin() const noexcept { return static_cast<T*>(mpoData()); }
    T* mpoEnd() { return mpoBegin() + mlGetCount(); }
};
