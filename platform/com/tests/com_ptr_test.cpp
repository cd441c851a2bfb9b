#include "com/com_ptr.h"

#include "com/ccom_ptr.h"
#include "com/com_error.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"

#include "winapi/registry.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <utility>

namespace {

using com_testing::CountingObject;
using com_testing::IBar;
using com_testing::IFoo;
using com_testing::IFooEx;

COM_SMARTPTR_TYPEDEF(IFoo);
COM_SMARTPTR_TYPEDEF(IBar);

// Cases that must not compile, kept as examples of what the types refuse:
//
//   IFooPtr foo = barPtr;           // another interface only through an explicit QueryInterface:
//   foo = barPtr;                   //   IFooPtr foo(barPtr);
//   IFooPtr foo = rawBar;           // (IBar*) likewise
//   IBar* bar = fooPtr;             // IFooPtr converts to IFoo* only
//   com::ComPtr<IFooEx> ex = foo;   // a base interface is not a derived one without asking
//   CComQIPtr<IFoo> q = 5;          // not an interface pointer

class ComPtrTest : public com_testing::LeakCheckedTest {
protected:
    // A new object with one reference, owned by the test's first pointer.
    static CountingObject* NewObject() { return CountingObject::Create(); }
    static IFoo* AsFoo(CountingObject* object) { return static_cast<IFoo*>(static_cast<IFooEx*>(object)); }
    static IBar* AsBar(CountingObject* object) { return object; }
};

TEST_F(ComPtrTest, HoldsOneReferenceForItsScope) {
    CountingObject* object = NewObject();
    {
        IFooPtr first(AsFoo(object));
        EXPECT_EQ(object->References(), 2u);
        IFooPtr copy = first;
        EXPECT_EQ(object->References(), 3u);
        IFooPtr moved(std::move(copy));
        EXPECT_EQ(object->References(), 3u);
        EXPECT_EQ(copy, nullptr);
        copy = moved;
        copy = copy;  // self-assignment keeps the reference
        EXPECT_EQ(object->References(), 4u);
        copy = nullptr;
        EXPECT_EQ(object->References(), 3u);
        EXPECT_EQ(first->Foo(), 1);
    }
    EXPECT_EQ(object->References(), 1u);
    object->Release();
}

TEST_F(ComPtrTest, AttachDetachAndAddressTransferReferences) {
    CountingObject* object = NewObject();
    IFooPtr owner;
    owner.Attach(AsFoo(object));  // takes over the creation reference
    EXPECT_EQ(object->References(), 1u);
    IFoo* raw = owner.Detach();
    EXPECT_EQ(owner.GetInterfacePtr(), nullptr);
    EXPECT_EQ(raw, AsFoo(object));
    owner.Attach(raw, true);
    EXPECT_EQ(object->References(), 2u);
    raw->Release();

    // operator& gives back what is held before the callee fills it.
    CountingObject* other = NewObject();
    IFoo** out = &owner;
    EXPECT_EQ(*out, nullptr);
    EXPECT_EQ(CountingObject::Live(), 1);
    *out = AsFoo(other);  // as an [out] argument: the reference is the caller's
    EXPECT_EQ(other->References(), 1u);
    owner.Release();
    EXPECT_EQ(owner, nullptr);
}

TEST_F(ComPtrTest, AnotherInterfaceIsAskedFor) {
    CountingObject* object = NewObject();
    IFooPtr foo(AsFoo(object), false);
    {
        IBarPtr bar(foo);  // QueryInterface
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->Bar(), 3);
        EXPECT_EQ(object->References(), 2u);
        com::ComPtr<IFooEx> ex(static_cast<IUnknown*>(AsBar(object)));
        EXPECT_EQ(ex->FooEx(), 2);
        // A derived interface converts to its base as it is.
        IFooPtr base = ex;
        com::ComPtr<IUnknown> unknown = ex;
        EXPECT_EQ(object->References(), 5u);
    }
    EXPECT_EQ(object->References(), 1u);

    // No such interface: a null pointer, no error.
    com::ComPtr<ISupportErrorInfo> none(foo);
    EXPECT_EQ(none, nullptr);
    // Any other failure of QueryInterface is raised.
    object->FailQueries(E_UNEXPECTED);
    try {
        IBarPtr bar(foo);
        FAIL() << "did not raise";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_UNEXPECTED);
    }
    EXPECT_EQ(object->References(), 1u);
}

TEST_F(ComPtrTest, NullPointerCallsRaiseEPointer) {
    IFooPtr empty;
    try {
        empty->Foo();
        FAIL() << "did not raise";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_POINTER);
    }
    IBarPtr fromNull(static_cast<IFoo*>(nullptr));
    EXPECT_EQ(fromNull, nullptr);
}

TEST_F(ComPtrTest, ComparesAndOrdersByPointer) {
    CountingObject* first = NewObject();
    CountingObject* second = NewObject();
    IFooPtr a(AsFoo(first), false);
    IFooPtr b(AsFoo(second), false);
    IFooPtr a2 = a;
    EXPECT_TRUE(a == a2);
    EXPECT_TRUE(a != b);
    EXPECT_TRUE(a == AsFoo(first));
    EXPECT_TRUE(AsFoo(first) == a);
    EXPECT_TRUE(a != nullptr);
    EXPECT_TRUE(IFooPtr() == nullptr);
    EXPECT_NE(a < b, b < a);
    // Usable as a map key.
    std::map<IFooPtr, int> byObject{{a, 1}, {b, 2}};
    EXPECT_EQ(byObject[a2], 1);
}

TEST_F(ComPtrTest, CComQIPtrAsksImplicitly) {
    CountingObject* object = NewObject();
    IFooPtr foo(AsFoo(object), false);
    CComQIPtr<IBar> bar = foo;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(object->References(), 2u);
    bar = static_cast<IUnknown*>(AsFoo(object));
    EXPECT_EQ(object->References(), 2u);
    CComQIPtr<ISupportErrorInfo> none = foo.GetInterfacePtr();
    EXPECT_EQ(none, nullptr);
    CComPtr<IFoo> plain = foo;  // CComPtr is ComPtr
    EXPECT_EQ(object->References(), 3u);
}

class ComPtrCreationTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    static constexpr CLSID kClsid = com::MakeGuid("5B1D6E0A-7C2F-4F7E-9A41-0C3E2D1B7A20");

    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(CoRegisterClassObject(kClsid, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_), S_OK);
    }
    void TearDown() override {
        CoRevokeClassObject(cookie_);
        CoUninitialize();
        LeakChecked::TearDown();
    }

    // Makes CountingObjects.
    com_testing::CountingClassFactory factory_{[] { return CountingObject::Create()->Unknown(); }};
    DWORD cookie_ = 0;
};

TEST_F(ComPtrCreationTest, CreatesByClsidAndByProgId) {
    IBarPtr bar;
    ASSERT_EQ(bar.CreateInstance(kClsid), S_OK);
    EXPECT_EQ(bar->Bar(), 3);

    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CLASSES_ROOT, u"ComPtr.Counting\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const char16_t kText[] = u"{5B1D6E0A-7C2F-4F7E-9A41-0C3E2D1B7A20}";
    ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kText), sizeof(kText)),
              ERROR_SUCCESS);
    RegCloseKey(key);

    IFooPtr foo;
    ASSERT_EQ(foo.CreateInstance(u"ComPtr.Counting"), S_OK);
    EXPECT_EQ(foo->Foo(), 1);
    EXPECT_EQ(CountingObject::Live(), 2);

    // Creating again gives back the object held first.
    ASSERT_EQ(foo.CreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    EXPECT_EQ(CountingObject::Live(), 2);
}

TEST_F(ComPtrCreationTest, FailuresLeaveItNull) {
    IFooPtr foo;
    EXPECT_EQ(foo.CreateInstance(u"No.Such.ProgId"), CO_E_CLASSSTRING);
    EXPECT_EQ(foo, nullptr);
    CountingObject* outer = CountingObject::Create();
    // Aggregation is refused, by the class or by the runtime.
    EXPECT_TRUE(FAILED(foo.CreateInstance(kClsid, static_cast<IFoo*>(static_cast<IFooEx*>(outer)))));
    EXPECT_EQ(foo, nullptr);
    outer->Release();
    const CLSID unknownClass = com::MakeGuid("5B1D6E0A-7C2F-4F7E-9A41-0C3E2D1B7A2F");
    EXPECT_EQ(foo.CreateInstance(unknownClass), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(foo, nullptr);
}

}  // namespace
