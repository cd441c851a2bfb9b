#include "com_testing/counting_error_info.h"

#include <atomic>

namespace com_testing {

namespace {

std::atomic<int> g_live{0};

}  // namespace

CountingErrorInfo::CountingErrorInfo(const char16_t* description) : description_(description) { ++g_live; }

CountingErrorInfo::~CountingErrorInfo() { --g_live; }

CountingErrorInfo* CountingErrorInfo::Create(const char16_t* description) { return new CountingErrorInfo(description); }

int CountingErrorInfo::Live() { return g_live.load(); }

HRESULT CountingErrorInfo::QueryInterface(REFIID riid, void** object) {
    const bool answers = riid == IID_IUnknown || riid == IID_IErrorInfo;
    return AnswerQuery(object, answers ? static_cast<IErrorInfo*>(this) : nullptr);
}

ULONG CountingErrorInfo::Release() {
    ULONG left = references_.Release();
    if (left == 0) delete this;
    return left;
}

HRESULT CountingErrorInfo::GetDescription(BSTR* description) {
    *description = SysAllocString(description_);
    return S_OK;
}

HRESULT CountingErrorInfo::GetGUID(GUID*) { return UnexpectedCall("IErrorInfo::GetGUID"); }
HRESULT CountingErrorInfo::GetSource(BSTR*) { return UnexpectedCall("IErrorInfo::GetSource"); }
HRESULT CountingErrorInfo::GetHelpFile(BSTR*) { return UnexpectedCall("IErrorInfo::GetHelpFile"); }
HRESULT CountingErrorInfo::GetHelpContext(DWORD*) { return UnexpectedCall("IErrorInfo::GetHelpContext"); }

}  // namespace com_testing
