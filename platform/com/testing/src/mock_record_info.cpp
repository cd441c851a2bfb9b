#include "com_testing/mock_record_info.h"

namespace com_testing {

HRESULT MockRecordInfo::QueryInterface(REFIID riid, void** object) {
    const bool answers = riid == IID_IUnknown || riid == IID_IRecordInfo;
    return AnswerQuery(object, answers ? static_cast<IRecordInfo*>(this) : nullptr);
}

HRESULT MockRecordInfo::RecordClear(PVOID record) {
    ++clearCalls;
    auto* typed = static_cast<MockRecord*>(record);
    SysFreeString(typed->text);
    typed->text = nullptr;
    return S_OK;
}

HRESULT MockRecordInfo::RecordCopy(PVOID source, PVOID dest) {
    ++copyCalls;
    const auto* from = static_cast<const MockRecord*>(source);
    auto* to = static_cast<MockRecord*>(dest);
    to->id = from->id;
    to->text = from->text ? SysAllocString(from->text) : nullptr;
    return S_OK;
}

HRESULT MockRecordInfo::GetSize(ULONG* size) {
    ++sizeCalls;
    *size = sizeof(MockRecord);
    return S_OK;
}

HRESULT MockRecordInfo::GetGuid(GUID* guid) {
    *guid = kRecord;
    return S_OK;
}

HRESULT MockRecordInfo::RecordInit(PVOID) { return UnexpectedCall("IRecordInfo::RecordInit"); }
HRESULT MockRecordInfo::GetName(BSTR*) { return UnexpectedCall("IRecordInfo::GetName"); }
HRESULT MockRecordInfo::GetTypeInfo(ITypeInfo**) { return UnexpectedCall("IRecordInfo::GetTypeInfo"); }
HRESULT MockRecordInfo::GetField(PVOID, LPCOLESTR, VARIANT*) { return UnexpectedCall("IRecordInfo::GetField"); }
HRESULT MockRecordInfo::GetFieldNoCopy(PVOID, LPCOLESTR, VARIANT*, PVOID*) {
    return UnexpectedCall("IRecordInfo::GetFieldNoCopy");
}
HRESULT MockRecordInfo::PutField(ULONG, PVOID, LPCOLESTR, VARIANT*) { return UnexpectedCall("IRecordInfo::PutField"); }
HRESULT MockRecordInfo::PutFieldNoCopy(ULONG, PVOID, LPCOLESTR, VARIANT*) {
    return UnexpectedCall("IRecordInfo::PutFieldNoCopy");
}
HRESULT MockRecordInfo::GetFieldNames(ULONG*, BSTR*) { return UnexpectedCall("IRecordInfo::GetFieldNames"); }
HRESULT MockRecordInfo::RecordCreateCopy(PVOID, PVOID*) { return UnexpectedCall("IRecordInfo::RecordCreateCopy"); }
HRESULT MockRecordInfo::RecordDestroy(PVOID) { return UnexpectedCall("IRecordInfo::RecordDestroy"); }

BOOL MockRecordInfo::IsMatchingType(IRecordInfo*) {
    UnexpectedCall("IRecordInfo::IsMatchingType");
    return FALSE;
}

PVOID MockRecordInfo::RecordCreate() {
    UnexpectedCall("IRecordInfo::RecordCreate");
    return nullptr;
}

}  // namespace com_testing
