#include "com_testing/counting_object.h"

#include <atomic>

namespace com_testing {

namespace {

std::atomic<int> g_live{0};

}  // namespace

CountingObject::CountingObject() : CountingObject(FakeReferenceCount::Lifetime::kOwnedByTest) {}

CountingObject::CountingObject(FakeReferenceCount::Lifetime lifetime) : references_(lifetime) { ++g_live; }

CountingObject::~CountingObject() { --g_live; }

CountingObject* CountingObject::Create() {
    return new CountingObject(FakeReferenceCount::Lifetime::kDeletedByLastRelease);
}

int CountingObject::Live() { return g_live.load(); }

void CountingObject::SupportErrorInfoFor(const IID& iid) {
    supportsErrorInfo_ = true;
    errorInfoIid_ = iid;
}

HRESULT CountingObject::QueryInterface(REFIID riid, void** object) {
    if (object != nullptr && FAILED(queryFailure_)) {
        *object = nullptr;
        return queryFailure_;
    }
    IUnknown* answer = nullptr;
    if (riid == IID_IUnknown || riid == IFoo::kIid || riid == IFooEx::kIid) {
        answer = static_cast<IFooEx*>(this);
    } else if (riid == IBar::kIid) {
        answer = static_cast<IBar*>(this);
    } else if (riid == IID_IDispatch) {
        answer = static_cast<IDispatch*>(this);
    } else if (riid == IID_ISupportErrorInfo && supportsErrorInfo_) {
        answer = static_cast<ISupportErrorInfo*>(this);
    }
    return AnswerQuery(object, answer);
}

ULONG CountingObject::Release() {
    ULONG left = references_.Release();
    if (left == 0) delete this;
    return left;
}

HRESULT CountingObject::GetTypeInfoCount(UINT*) { return UnexpectedCall("IDispatch::GetTypeInfoCount"); }
HRESULT CountingObject::GetTypeInfo(UINT, LCID, ITypeInfo**) { return UnexpectedCall("IDispatch::GetTypeInfo"); }
HRESULT CountingObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return UnexpectedCall("IDispatch::GetIDsOfNames");
}
HRESULT CountingObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return UnexpectedCall("IDispatch::Invoke");
}

HRESULT CountingObject::InterfaceSupportsErrorInfo(REFIID riid) { return riid == errorInfoIid_ ? S_OK : S_FALSE; }

}  // namespace com_testing
