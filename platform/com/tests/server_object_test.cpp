// Server objects built with the helpers: reference counting, the final
// release guard, creation, the interface map's QueryInterface, and the
// dual-interface and error-info bases.
#include "com/hresults.h"
#include "com/server/com_object.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"
#include "com/ccom_ptr.h"
#include "com_testing/leak_checked_test.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

struct IAlpha : IUnknown {
    COM_INTERFACE_ID("6C0F5E1A-3A51-4B0B-9D43-3A3B25E4A001");
    virtual HRESULT STDMETHODCALLTYPE Alpha(LONG* value) = 0;
};
// Derives from IAlpha: one vtable answers both IIDs.
struct IAlpha2 : IAlpha {
    COM_INTERFACE_ID("6C0F5E1A-3A51-4B0B-9D43-3A3B25E4A002");
    virtual HRESULT STDMETHODCALLTYPE Alpha2(LONG* value) = 0;
};
struct IBeta : IUnknown {
    COM_INTERFACE_ID("6C0F5E1A-3A51-4B0B-9D43-3A3B25E4A003");
    virtual HRESULT STDMETHODCALLTYPE Beta(LONG* value) = 0;
};
struct IGamma : IDispatch {
    COM_INTERFACE_ID("6C0F5E1A-3A51-4B0B-9D43-3A3B25E4A004");
    virtual HRESULT STDMETHODCALLTYPE Gamma(LONG* value) = 0;
};
// Answered only by the inner object of a blind delegation.
struct IDelta : IUnknown {
    COM_INTERFACE_ID("6C0F5E1A-3A51-4B0B-9D43-3A3B25E4A005");
};
constexpr IID kOldBetaIid = com::MakeGuid("6C0F5E1A-3A51-4B0B-9D43-3A3B25E4A006");
constexpr IID kUnknownIid = com::MakeGuid("6C0F5E1A-3A51-4B0B-9D43-3A3B25E4A007");

// A plain object answering IDelta, counting its references.
class Inner final : public IDelta {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown && iid != IDelta::kIid) {
            *out = reinterpret_cast<void*>(0x1);  // garbage, as a careless object might leave
            return E_NOINTERFACE;
        }
        *out = static_cast<IDelta*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }  // lives on the test's stack
    ULONG references = 1;
};

class CSample : public CComObjectRootEx<CComSingleThreadModel>,
                public IAlpha2,
                public IBeta,
                public IDispatchImpl<IGamma> {
public:
    BEGIN_COM_MAP(CSample)
    COM_INTERFACE_ENTRY(IAlpha2)
    COM_INTERFACE_ENTRY2(IAlpha, IAlpha2)
    COM_INTERFACE_ENTRY(IBeta)
    COM_INTERFACE_ENTRY_IID(kOldBetaIid, IBeta)
    COM_INTERFACE_ENTRY(IGamma)
    COM_INTERFACE_ENTRY2(IDispatch, IGamma)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(inner)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE Alpha(LONG* value) override { return *value = 1, S_OK; }
    HRESULT STDMETHODCALLTYPE Alpha2(LONG* value) override { return *value = 2, S_OK; }
    HRESULT STDMETHODCALLTYPE Beta(LONG* value) override { return *value = 3, S_OK; }
    HRESULT STDMETHODCALLTYPE Gamma(LONG* value) override { return *value = 4, S_OK; }

    CComPtr<IUnknown> inner;  // a smart pointer serves the blind entry as well as a raw one

protected:
    CSample() = default;
    ~CSample() = default;
};

// Holds a reference while the test runs; releases it at the end.
template <class T>
CComObject<T>* Make() {
    CComObject<T>* object = nullptr;
    EXPECT_EQ(CComObject<T>::CreateInstance(&object), S_OK);
    object->AddRef();
    return object;
}

class ServerObjectTest : public com_testing::LeakCheckedTest {};

TEST_F(ServerObjectTest, CreateInstanceGivesAnObjectWithNoReferenceYet) {
    EXPECT_EQ(CComObject<CSample>::CreateInstance(nullptr), E_POINTER);

    const LONG live = com::testing::LiveServerObjects();
    const LONG locks = com::detail::gModuleLockCount.load();
    CComObject<CSample>* object = nullptr;
    ASSERT_EQ(CComObject<CSample>::CreateInstance(&object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(com::testing::LiveServerObjects(), live + 1);
    EXPECT_EQ(com::detail::gModuleLockCount.load(), locks + 1);  // every object locks its library
    EXPECT_EQ(object->AddRef(), 1u);
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(com::testing::LiveServerObjects(), live);
    EXPECT_EQ(com::detail::gModuleLockCount.load(), locks);
}

enum class Answer { kIdentity, kAlpha2, kBeta, kGamma, kInner, kNone };

struct QueryCase {
    const char* name;
    const IID* iid;
    bool withInner;
    HRESULT result;
    Answer answer;
};

const QueryCase kQueryCases[] = {
    {"IUnknown: the identity", &IID_IUnknown, true, S_OK, Answer::kIdentity},
    {"IAlpha2", &IAlpha2::kIid, true, S_OK, Answer::kAlpha2},
    {"IAlpha through IAlpha2", &IAlpha::kIid, true, S_OK, Answer::kAlpha2},
    {"IBeta", &IBeta::kIid, true, S_OK, Answer::kBeta},
    {"another IID for IBeta", &kOldBetaIid, true, S_OK, Answer::kBeta},
    {"IGamma", &IGamma::kIid, true, S_OK, Answer::kGamma},
    {"IDispatch through the dual IGamma", &IID_IDispatch, true, S_OK, Answer::kGamma},
    {"IDelta from the inner object", &IDelta::kIid, true, S_OK, Answer::kInner},
    {"IDelta without an inner object", &IDelta::kIid, false, E_NOINTERFACE, Answer::kNone},
    {"unknown IID, inner object refuses", &kUnknownIid, true, E_NOINTERFACE, Answer::kNone},
    {"unknown IID, no inner object", &kUnknownIid, false, E_NOINTERFACE, Answer::kNone},
};

TEST_F(ServerObjectTest, QueryInterfaceFollowsTheMap) {
    for (const QueryCase& c : kQueryCases) {
        SCOPED_TRACE(c.name);
        Inner inner;
        CComObject<CSample>* object = Make<CSample>();
        if (c.withInner) object->inner = static_cast<IUnknown*>(&inner);
        const ULONG innerBefore = inner.references;

        void* out = reinterpret_cast<void*>(0x2);
        EXPECT_EQ(object->QueryInterface(*c.iid, &out), c.result);
        void* expected = nullptr;
        switch (c.answer) {
        case Answer::kIdentity:
        case Answer::kAlpha2:
            expected = static_cast<IAlpha2*>(object);
            break;
        case Answer::kBeta:
            expected = static_cast<IBeta*>(object);
            break;
        case Answer::kGamma:
            expected = static_cast<IGamma*>(object);
            break;
        case Answer::kInner:
            expected = static_cast<IDelta*>(&inner);
            break;
        case Answer::kNone:
            expected = nullptr;
            break;
        }
        EXPECT_EQ(out, expected);

        if (c.answer == Answer::kInner) {
            EXPECT_EQ(inner.references, innerBefore + 1);  // the reference is the inner object's
            static_cast<IUnknown*>(out)->Release();
        } else if (out) {
            EXPECT_EQ(object->AddRef(), 3u);  // the one of Make, the one of QueryInterface, this one
            object->Release();
            static_cast<IUnknown*>(out)->Release();
        }
        EXPECT_EQ(inner.references, innerBefore);
        object->inner = nullptr;
        EXPECT_EQ(object->Release(), 0u);
    }
}

TEST_F(ServerObjectTest, EveryInterfaceGivesTheSameIdentityAndNullOutIsRefused) {
    CComObject<CSample>* object = Make<CSample>();
    IUnknown* identity = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    for (IUnknown* from :
         {static_cast<IUnknown*>(static_cast<IBeta*>(object)), static_cast<IUnknown*>(static_cast<IGamma*>(object)),
          static_cast<IUnknown*>(static_cast<IAlpha2*>(object))}) {
        IUnknown* again = nullptr;
        ASSERT_EQ(from->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
        EXPECT_EQ(again, identity);
        again->Release();
    }
    EXPECT_EQ(object->QueryInterface(IBeta::kIid, nullptr), E_POINTER);
    identity->Release();
    EXPECT_EQ(object->Release(), 0u);
}

// Records what happens at the end of a CGuarded's life.
std::vector<std::string> gEvents;

class CGuarded : public CComObjectRootEx<CComSingleThreadModel>, public IBeta {
public:
    BEGIN_COM_MAP(CGuarded)
    COM_INTERFACE_ENTRY(IBeta)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE Beta(LONG* value) override { return *value = 0, S_OK; }

    // Hands itself out and takes the reference back, as cleanup code that
    // passes `this` to a helper does.
    HRESULT FinalConstruct() {
        IBeta* self = nullptr;
        HRESULT hr = QueryInterface(IBeta::kIid, reinterpret_cast<void**>(&self));
        if (SUCCEEDED(hr)) self->Release();
        gEvents.push_back("FinalConstruct");
        return hr;
    }
    void FinalRelease() {
        IUnknown* self = nullptr;
        QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self));
        LONG during = static_cast<LONG>(self->AddRef());
        gEvents.push_back(during < 0 ? "FinalRelease sees a negative count" : "FinalRelease sees a usable count");
        self->Release();
        self->Release();
        gEvents.push_back("FinalRelease done");
    }

protected:
    CGuarded() = default;
    ~CGuarded() { gEvents.push_back("destroyed"); }
};

TEST_F(ServerObjectTest, ReferencesTakenDuringFinalConstructAndFinalReleaseDoNotDestroyTwice) {
    gEvents.clear();
    CComObject<CGuarded>* object = nullptr;
    ASSERT_EQ(CComObject<CGuarded>::CreateInstance(&object), S_OK);
    EXPECT_EQ(gEvents, std::vector<std::string>{"FinalConstruct"});  // still alive
    EXPECT_EQ(object->AddRef(), 1u);                                 // and still at 0 before
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(gEvents, (std::vector<std::string>{"FinalConstruct", "FinalRelease sees a negative count",
                                                 "FinalRelease done", "destroyed"}));
}

class CFailing : public CComObjectRootEx<CComSingleThreadModel>, public IBeta {
public:
    BEGIN_COM_MAP(CFailing)
    COM_INTERFACE_ENTRY(IBeta)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE Beta(LONG* value) override { return *value = 0, S_OK; }
    HRESULT FinalConstruct() { return E_OUTOFMEMORY; }
    void FinalRelease() { gEvents.push_back("FinalRelease"); }

protected:
    CFailing() = default;
    ~CFailing() { gEvents.push_back("destroyed"); }
};

TEST_F(ServerObjectTest, AFailedFinalConstructDestroysTheObjectAndIsTheResult) {
    gEvents.clear();
    CComObject<CFailing>* object = reinterpret_cast<CComObject<CFailing>*>(0x1);
    EXPECT_EQ(CComObject<CFailing>::CreateInstance(&object), E_OUTOFMEMORY);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(gEvents, (std::vector<std::string>{"FinalRelease", "destroyed"}));
}

class CShared : public CComObjectRootEx<CComMultiThreadModel>, public IBeta {
public:
    BEGIN_COM_MAP(CShared)
    COM_INTERFACE_ENTRY(IBeta)
    END_COM_MAP()

    // Read-modify-write of a plain member under the object's lock.
    HRESULT STDMETHODCALLTYPE Beta(LONG* value) override {
        Lock();
        *value = ++calls_;
        Unlock();
        return S_OK;
    }
    void FinalRelease() { ++gSharedReleases; }

    static inline int gSharedReleases = 0;

protected:
    CShared() = default;
    ~CShared() = default;

private:
    LONG calls_ = 0;
};

TEST_F(ServerObjectTest, AFreeThreadedObjectCountsAndLocksAcrossThreads) {
    CShared::gSharedReleases = 0;
    CComObject<CShared>* object = Make<CShared>();
    constexpr int kThreads = 8;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([object] {
            for (int i = 0; i < kRounds; ++i) {
                IBeta* beta = nullptr;
                object->QueryInterface(IBeta::kIid, reinterpret_cast<void**>(&beta));
                LONG calls = 0;
                beta->Beta(&calls);
                beta->Release();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    LONG calls = 0;
    object->Beta(&calls);
    EXPECT_EQ(calls, kThreads * kRounds + 1);  // no increment lost
    EXPECT_EQ(object->Release(), 0u);          // every reference returned: the count is exact
    EXPECT_EQ(CShared::gSharedReleases, 1);
}

TEST_F(ServerObjectTest, DualInterfacesOfferNoLateBinding) {
    CComObject<CSample>* object = Make<CSample>();
    IDispatch* dispatch = static_cast<IGamma*>(object);

    UINT count = 7;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(dispatch->GetTypeInfoCount(nullptr), E_POINTER);

    ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(0x1);
    EXPECT_EQ(dispatch->GetTypeInfo(0, 0, &typeInfo), DISP_E_BADINDEX);
    EXPECT_EQ(typeInfo, nullptr);
    EXPECT_EQ(dispatch->GetTypeInfo(0, 0, nullptr), E_POINTER);

    OLECHAR gamma[] = u"Gamma";
    OLECHAR other[] = u"Other";
    LPOLESTR names[] = {gamma, other};
    DISPID ids[] = {5, 6};
    EXPECT_EQ(dispatch->GetIDsOfNames(GUID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(dispatch->GetIDsOfNames(IGamma::kIid, names, 2, 0, ids), DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(dispatch->GetIDsOfNames(GUID_NULL, names, 2, 0, nullptr), E_POINTER);

    DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
    EXPECT_EQ(dispatch->Invoke(1, GUID_NULL, 0, DISPATCH_METHOD, &noArguments, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(dispatch->Invoke(1, IGamma::kIid, 0, DISPATCH_METHOD, &noArguments, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);

    LONG value = 0;
    EXPECT_EQ(static_cast<IGamma*>(object)->Gamma(&value), S_OK);  // the vtable calls still work
    EXPECT_EQ(value, 4);
    EXPECT_EQ(object->Release(), 0u);
}

class CReporting : public CComObjectRootEx<CComSingleThreadModel>,
                   public IBeta,
                   public ISupportErrorInfoImpl<&IAlpha::kIid, &IBeta::kIid> {
public:
    BEGIN_COM_MAP(CReporting)
    COM_INTERFACE_ENTRY(IBeta)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE Beta(LONG* value) override { return *value = 0, S_OK; }

protected:
    CReporting() = default;
    ~CReporting() = default;
};

TEST_F(ServerObjectTest, SupportErrorInfoAnswersForTheListedInterfaces) {
    CComObject<CReporting>* object = Make<CReporting>();
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IBeta::kIid), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IAlpha::kIid), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IGamma::kIid), S_FALSE);
    support->Release();
    EXPECT_EQ(object->Release(), 0u);
}

// Kept as examples of what must not compile:
//   CSample direct;                       // abstract: the IUnknown methods come from CComObject
//   delete Make<CSample>();               // CComObject's destructor is private: only Release destroys
//   CComObject<CSample> onTheStack;       // nor may one be made outside CreateInstance
//   BEGIN_COM_MAP(X) COM_INTERFACE_ENTRY_AGGREGATE_BLIND(inner) ... END_COM_MAP()
//                                         // static_assert: the identity must come first

}  // namespace
