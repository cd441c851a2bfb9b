#include "common/record_array.h"

#include "com/com_error.h"
#include "com/record_info.h"
#include "common/com_errors.h"

namespace {
// Record information is looked up in the neutral English locale.
constexpr LCID kRecordInfoLocale = 9;
}  // namespace

SAFEARRAY* ghCreateRecordArray(REFGUID record, ULONG count, REFGUID library, WORD major, WORD minor) {
    IRecordInfo* recordInfo = nullptr;
    HRESULT hr = GetRecordInfoFromGuids(library, major, minor, kRecordInfoLocale, record, &recordInfo);
    if (FAILED(hr)) gvRaiseComError(hr, ComErrorText::kNoRecordInfo);
    SAFEARRAY* array = SafeArrayCreateVectorEx(VT_RECORD, 0, count, recordInfo);
    // The array keeps a reference of its own.
    recordInfo->Release();
    if (array == nullptr) gvRaiseComError(E_OUTOFMEMORY, ComErrorText::kCreateVectorFailed);
    return array;
}

RecordArrayCore::RecordArrayCore(SAFEARRAY* callersArray, ULONG elementSize) : mpoArray(callersArray) {
    mvAccess(elementSize);
}

RecordArrayCore::~RecordArrayCore() { mvRelease(); }

void RecordArrayCore::mvCreate(REFGUID record, ULONG elementSize, ULONG count, REFGUID library, WORD major,
                               WORD minor) {
    mvRelease();
    mpoArray = ghCreateRecordArray(record, count, library, major, minor);
    mbOwned = 1;
    mvAccess(elementSize);
}

void RecordArrayCore::mvAccess(ULONG elementSize) {
    void* data = nullptr;
    HRESULT hr = SafeArrayAccessData(mpoArray, &data);
    if (FAILED(hr)) {
        mvRelease();
        gvRaiseFailedCall(hr, ComErrorText::kCouldNotLockSafeArray);
    }
    // Records of another size would be read and written past their end.
    if (SafeArrayGetElemsize(mpoArray) != elementSize) {
        SafeArrayUnaccessData(mpoArray);
        mvRelease();
        gvRaiseComError(E_INVALIDARG, u"The array does not hold records of the expected type.");
    }
    // An empty array has no data to hold on to.
    if (data == nullptr) {
        SafeArrayUnaccessData(mpoArray);
    } else {
        mpoElements = data;
    }
}

void RecordArrayCore::mvGetBounds() {
    LONG lower = 0;
    LONG upper = 0;
    HRESULT hr = SafeArrayGetLBound(mpoArray, 1, &lower);
    if (FAILED(hr)) gvRaiseFailedCall(hr, ComErrorText::kCouldNotGetLowerBound);
    hr = SafeArrayGetUBound(mpoArray, 1, &upper);
    if (FAILED(hr)) gvRaiseFailedCall(hr, ComErrorText::kCouldNotGetUpperBound);
    mlCount = static_cast<LONG>(static_cast<LONGLONG>(upper) - lower + 1);
}

LONG RecordArrayCore::mlGetCount() {
    if (mpoArray == nullptr) return 0;
    if (mlCount == 0) mvGetBounds();
    return mlCount;
}

void RecordArrayCore::mvHandOut(SAFEARRAY** out) {
    if (out == nullptr) _com_issue_error(E_POINTER);
    if (mpoArray != nullptr && !mbOwned) _com_issue_error(E_UNEXPECTED);
    if (mpoElements != nullptr) SafeArrayUnlock(mpoArray);
    *out = mpoArray;
    mbOwned = 0;
    mpoArray = nullptr;
    mpoElements = nullptr;
    mlCount = 0;
}

void RecordArrayCore::mvRelease() noexcept {
    if (mpoElements != nullptr) SafeArrayUnaccessData(mpoArray);
    if (mbOwned) SafeArrayDestroy(mpoArray);
    mbOwned = 0;
    mpoArray = nullptr;
    mpoElements = nullptr;
    mlCount = 0;
}
