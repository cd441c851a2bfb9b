#include "com/variant_t.h"

#include "com/ccom_variant.h"
#include "com/com_error.h"
#include "com/dispatch.h"
#include "com/hresults.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using com_testing::CountingObject;

class VariantTTest : public com_testing::LeakCheckedTest {};

TEST_F(VariantTTest, ValuesTakeTheirTypes) {
    _variant_t number(static_cast<LONG>(-7));
    EXPECT_EQ(number.vt, VT_I4);
    EXPECT_EQ(number.lVal, -7);
    _variant_t flag(true);
    EXPECT_EQ(flag.vt, VT_BOOL);
    EXPECT_EQ(flag.boolVal, VARIANT_TRUE);
    EXPECT_EQ(_variant_t(false).boolVal, VARIANT_FALSE);
    _variant_t real(2.5);
    EXPECT_EQ(real.vt, VT_R8);
    _variant_t text(u"Coravent");
    EXPECT_EQ(text.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(text.bstrVal), u"Coravent");
    _variant_t fromBstrT(_bstr_t(u"copied"));
    EXPECT_EQ(std::u16string(fromBstrT.bstrVal), u"copied");
    _variant_t empty;
    EXPECT_EQ(empty.vt, VT_EMPTY);
    EXPECT_EQ(NewBstrs(), 2);
}

TEST_F(VariantTTest, InterfacesAreHeldWithAReference) {
    CountingObject* object = CountingObject::Create();
    {
        _variant_t held(object->Unknown());
        EXPECT_EQ(held.vt, VT_UNKNOWN);
        EXPECT_EQ(object->References(), 2u);
        _variant_t copy(held);
        EXPECT_EQ(object->References(), 3u);
        copy.Clear();
        EXPECT_EQ(copy.vt, VT_EMPTY);
        EXPECT_EQ(object->References(), 2u);
    }
    EXPECT_EQ(object->References(), 1u);
    // Without addRef the variant takes over the caller's reference.
    { _variant_t owner(object->Unknown(), false); }
    EXPECT_EQ(CountingObject::Live(), 0);
}

TEST_F(VariantTTest, CopiesAreDeep) {
    _variant_t text(u"deep");
    _variant_t copy(text);
    EXPECT_NE(copy.bstrVal, text.bstrVal);
    _variant_t assigned;
    assigned = copy;
    EXPECT_NE(assigned.bstrVal, copy.bstrVal);
    assigned = assigned;
    EXPECT_EQ(std::u16string(assigned.bstrVal), u"deep");
    EXPECT_EQ(NewBstrs(), 3);
    assigned = static_cast<LONG>(5);  // the old BSTR is given back
    EXPECT_EQ(NewBstrs(), 2);
}

TEST_F(VariantTTest, AttachAndDetachMoveTheContent) {
    VARIANT raw;
    VariantInit(&raw);
    raw.vt = VT_BSTR;
    raw.bstrVal = SysAllocString(u"moved");
    _variant_t owner(raw, false);
    EXPECT_EQ(raw.vt, VT_EMPTY);
    EXPECT_EQ(NewBstrs(), 1);

    VARIANT out = owner.Detach();
    EXPECT_EQ(owner.vt, VT_EMPTY);
    EXPECT_EQ(std::u16string(out.bstrVal), u"moved");

    _variant_t again(static_cast<LONG>(1));
    again.Attach(out);
    EXPECT_EQ(out.vt, VT_EMPTY);
    EXPECT_EQ(again.vt, VT_BSTR);
    EXPECT_EQ(NewBstrs(), 1);

    _variant_t copied(raw, true);
    EXPECT_EQ(copied.vt, VT_EMPTY);
}

TEST_F(VariantTTest, ConversionsGoThroughVariantChangeType) {
    _variant_t number(static_cast<LONG>(42));
    EXPECT_EQ(static_cast<_bstr_t>(number) == u"42", true);
    EXPECT_EQ(static_cast<double>(number), 42.0);
    EXPECT_TRUE(static_cast<bool>(number));
    EXPECT_EQ(number.vt, VT_I4);  // the value itself is left as it was

    _variant_t text(u"-12");
    EXPECT_EQ(static_cast<LONG>(text), -12);
    _variant_t zero(u"0");
    EXPECT_FALSE(static_cast<bool>(zero));

    text.ChangeType(VT_I4);
    EXPECT_EQ(text.vt, VT_I4);
    EXPECT_EQ(text.lVal, -12);
    _variant_t fromOther;
    fromOther.ChangeType(VT_BSTR, &number);
    EXPECT_EQ(std::u16string(fromOther.bstrVal), u"42");
}

TEST_F(VariantTTest, FailedConversionRaisesComErrorAndKeepsTheValue) {
    _variant_t text(u"not a number");
    try {
        text.ChangeType(VT_I4);
        FAIL() << "did not raise";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), DISP_E_TYPEMISMATCH);
    }
    EXPECT_EQ(text.vt, VT_BSTR);
    EXPECT_THROW(static_cast<void>(static_cast<LONG>(text)), _com_error);
}

TEST_F(VariantTTest, CComVariantReportsInsteadOfRaising) {
    CComVariant text(u"Dunmorrow");
    EXPECT_EQ(text.vt, VT_BSTR);
    EXPECT_EQ(text.ChangeType(VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(text.vt, VT_BSTR);

    CComVariant number(static_cast<LONG>(3));
    EXPECT_EQ(number.ChangeType(VT_BSTR), S_OK);
    EXPECT_EQ(std::u16string(number.bstrVal), u"3");

    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(number.Detach(&out), S_OK);
    EXPECT_EQ(number.vt, VT_EMPTY);
    EXPECT_EQ(number.Attach(&out), S_OK);
    EXPECT_EQ(out.vt, VT_EMPTY);
    EXPECT_EQ(number.Copy(nullptr), E_POINTER);
    EXPECT_EQ(number.Detach(nullptr), E_POINTER);

    CountingObject* object = CountingObject::Create();
    {
        CComVariant held(object->Unknown());
        CComVariant copy(held);
        EXPECT_EQ(object->References(), 3u);
    }
    object->Release();
}

}  // namespace
