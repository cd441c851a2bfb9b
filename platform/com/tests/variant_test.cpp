#include "com/variant.h"

#include "com/hresults.h"
#include "com/safearray.h"
#include "com/task_memory.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_object.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/mock_record_info.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace {

using com_testing::CountingObject;
using com_testing::LeakCheckedTest;
using com_testing::MockRecord;
using com_testing::MockRecordInfo;
using com_testing::Text;

class VariantTest : public LeakCheckedTest {};

TEST_F(VariantTest, HasThePlatformLayout) {
    EXPECT_EQ(sizeof(VARIANT), 24u);
    VARIANT v;
    EXPECT_EQ(reinterpret_cast<char*>(&v.lVal) - reinterpret_cast<char*>(&v), 8);
    EXPECT_EQ(reinterpret_cast<char*>(&v.pvRecord) - reinterpret_cast<char*>(&v), 8);
    EXPECT_EQ(reinterpret_cast<char*>(&v.pRecInfo) - reinterpret_cast<char*>(&v), 16);
}

// Each owning type: a copy is deep (own BSTR, own reference, own array, own
// record), and clearing the copy and the original gives everything back.
TEST_F(VariantTest, CopyIsDeepAndClearGivesEverythingBack) {
    CountingObject object;
    MockRecordInfo recordInfo;
    struct Case {
        const char* name;
        std::function<void(VARIANT*)> make;
        std::function<void(const VARIANT& original, const VARIANT& copy)> checkCopy;
    } cases[] = {
        {"BSTR",
         [](VARIANT* v) {
             v->vt = VT_BSTR;
             v->bstrVal = SysAllocString(u"Pump housing");
         },
         [&](const VARIANT& original, const VARIANT& copy) {
             EXPECT_NE(copy.bstrVal, original.bstrVal);
             EXPECT_EQ(Text(copy.bstrVal), u"Pump housing");
         }},
        {"null BSTR",
         [](VARIANT* v) {
             v->vt = VT_BSTR;
             v->bstrVal = nullptr;
         },
         [&](const VARIANT&, const VARIANT& copy) { EXPECT_EQ(copy.bstrVal, nullptr); }},
        {"IUnknown",
         [&](VARIANT* v) {
             v->vt = VT_UNKNOWN;
             v->punkVal = object.Unknown();
             object.AddRef();
         },
         [&](const VARIANT&, const VARIANT& copy) {
             EXPECT_EQ(copy.punkVal, object.Unknown());
             EXPECT_EQ(object.References(), 3u);
         }},
        {"IDispatch",
         [&](VARIANT* v) {
             v->vt = VT_DISPATCH;
             v->pdispVal = &object;
             object.AddRef();
         },
         [&](const VARIANT&, const VARIANT&) { EXPECT_EQ(object.References(), 3u); }},
        {"array of BSTR",
         [](VARIANT* v) {
             v->vt = VT_ARRAY | VT_BSTR;
             v->parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
             LONG index = 1;
             BSTR text = SysAllocString(u"second");
             SafeArrayPutElement(v->parray, &index, text);
             SysFreeString(text);
         },
         [&](const VARIANT& original, const VARIANT& copy) {
             ASSERT_NE(copy.parray, original.parray);
             LONG index = 1;
             BSTR text = nullptr;
             ASSERT_EQ(SafeArrayGetElement(copy.parray, &index, &text), S_OK);
             EXPECT_EQ(Text(text), u"second");
             SysFreeString(text);
         }},
        {"record",
         [&](VARIANT* v) {
             v->vt = VT_RECORD;
             auto* record = static_cast<MockRecord*>(CoTaskMemAlloc(sizeof(MockRecord)));
             *record = {7, SysAllocString(u"in a record")};
             v->pvRecord = record;
             v->pRecInfo = &recordInfo;
             recordInfo.AddRef();
         },
         [&](const VARIANT& original, const VARIANT& copy) {
             ASSERT_NE(copy.pvRecord, original.pvRecord);
             EXPECT_EQ(copy.pRecInfo, &recordInfo);
             EXPECT_EQ(recordInfo.References(), 3u);
             EXPECT_EQ(recordInfo.copyCalls, 1);
             const auto* record = static_cast<const MockRecord*>(copy.pvRecord);
             EXPECT_EQ(record->id, 7);
             EXPECT_EQ(Text(record->text), u"in a record");
         }},
        {"reference: the pointer only",
         [](VARIANT* v) {
             static LONG value = 5;
             v->vt = VT_BYREF | VT_I4;
             v->plVal = &value;
         },
         [](const VARIANT& original, const VARIANT& copy) { EXPECT_EQ(copy.plVal, original.plVal); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VARIANT original, copy;
        VariantInit(&original);
        VariantInit(&copy);
        c.make(&original);
        ASSERT_EQ(VariantCopy(&copy, &original), S_OK);
        EXPECT_EQ(copy.vt, original.vt);
        c.checkCopy(original, copy);
        EXPECT_EQ(VariantClear(&copy), S_OK);
        EXPECT_EQ(copy.vt, VT_EMPTY);
        EXPECT_EQ(VariantClear(&original), S_OK);
        EXPECT_EQ(object.References(), 1u);
        EXPECT_EQ(recordInfo.References(), 1u);
        EXPECT_EQ(NewBstrs(), 0);
        EXPECT_EQ(NewArrays(), 0);
    }
    // The record's clear ran for the copy and the original alike.
    EXPECT_EQ(recordInfo.clearCalls, 2);
}

TEST_F(VariantTest, CopyOverAValueGivesTheOldValueBack) {
    VARIANT dest, source;
    VariantInit(&dest);
    dest.vt = VT_BSTR;
    dest.bstrVal = SysAllocString(u"old");
    source.vt = VT_I4;
    source.lVal = 42;
    ASSERT_EQ(VariantCopy(&dest, &source), S_OK);
    EXPECT_EQ(dest.vt, VT_I4);
    EXPECT_EQ(dest.lVal, 42);
    EXPECT_EQ(NewBstrs(), 0);
    // Copying onto itself changes nothing.
    EXPECT_EQ(VariantCopy(&dest, &dest), S_OK);
    EXPECT_EQ(dest.lVal, 42);
}

TEST_F(VariantTest, ClearRefusesWhatItCannotGiveBack) {
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
    VARIANT v;
    VariantInit(&v);
    for (VARTYPE bad : {VARTYPE(0x0FFF), VARTYPE(VT_VARIANT), VARTYPE(VT_BYREF | VT_EMPTY), VARTYPE(0x1000 | VT_I4)}) {
        v.vt = bad;
        EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE) << bad;
        EXPECT_EQ(v.vt, bad);
    }
    // An array still locked by someone stays where it is.
    v.vt = VT_ARRAY | VT_I4;
    v.parray = SafeArrayCreateVector(VT_I4, 0, 1);
    ASSERT_EQ(SafeArrayLock(v.parray), S_OK);
    EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(v.vt, VT_ARRAY | VT_I4);
    ASSERT_EQ(SafeArrayUnlock(v.parray), S_OK);
    EXPECT_EQ(VariantClear(&v), S_OK);
}

TEST_F(VariantTest, CopyIndCopiesTheValueBehindAReference) {
    CountingObject object;
    IUnknown* unknown = object.Unknown();
    BSTR text = SysAllocString(u"referenced");
    LONGLONG number = 1LL << 40;
    VARIANT inner;
    inner.vt = VT_BSTR;
    inner.bstrVal = text;
    struct Case {
        VARTYPE type;
        void* target;
        VARTYPE expectedType;
    } cases[] = {
        {VT_BYREF | VT_I8, &number, VT_I8},
        {VT_BYREF | VT_BSTR, &text, VT_BSTR},
        {VT_BYREF | VT_UNKNOWN, &unknown, VT_UNKNOWN},
        {VT_BYREF | VT_VARIANT, &inner, VT_BSTR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        VARIANT reference, copy;
        VariantInit(&copy);
        reference.vt = c.type;
        reference.byref = c.target;
        ASSERT_EQ(VariantCopyInd(&copy, &reference), S_OK);
        EXPECT_EQ(copy.vt, c.expectedType);
        if (c.expectedType == VT_I8) {
            EXPECT_EQ(copy.llVal, number);
        }
        if (c.expectedType == VT_BSTR) {
            EXPECT_NE(copy.bstrVal, text);
            EXPECT_EQ(Text(copy.bstrVal), u"referenced");
        }
        if (c.expectedType == VT_UNKNOWN) {
            EXPECT_EQ(object.References(), 2u);
        }
        // In place: the reference becomes the value.
        ASSERT_EQ(VariantCopyInd(&reference, &reference), S_OK);
        EXPECT_EQ(reference.vt, c.expectedType);
        VariantClear(&reference);
        VariantClear(&copy);
    }
    EXPECT_EQ(object.References(), 1u);
    SysFreeString(text);
}

// --- VariantChangeType ---------------------------------------------------------------

VARIANT Make(VARTYPE type, std::function<void(VARIANT&)> set) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    set(v);
    return v;
}
VARIANT I4(LONG value) {
    return Make(VT_I4, [=](VARIANT& v) { v.lVal = value; });
}
VARIANT I8(LONGLONG value) {
    return Make(VT_I8, [=](VARIANT& v) { v.llVal = value; });
}
VARIANT UI4(ULONG value) {
    return Make(VT_UI4, [=](VARIANT& v) { v.ulVal = value; });
}
VARIANT UI8(ULONGLONG value) {
    return Make(VT_UI8, [=](VARIANT& v) { v.ullVal = value; });
}
VARIANT R4(float value) {
    return Make(VT_R4, [=](VARIANT& v) { v.fltVal = value; });
}
VARIANT R8(double value) {
    return Make(VT_R8, [=](VARIANT& v) { v.dblVal = value; });
}
VARIANT Date(double value) {
    return Make(VT_DATE, [=](VARIANT& v) { v.date = value; });
}
VARIANT Bool(bool value) {
    return Make(VT_BOOL, [=](VARIANT& v) { v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; });
}
VARIANT Str(const char16_t* text) {
    return Make(VT_BSTR, [=](VARIANT& v) { v.bstrVal = SysAllocString(text); });
}
VARIANT Empty() {
    return Make(VT_EMPTY, [](VARIANT&) {});
}
VARIANT Null() {
    return Make(VT_NULL, [](VARIANT&) {});
}

// The converted value as "TYPE:value", to compare in a table.
std::string Describe(const VARIANT& v) {
    switch (v.vt) {
    case VT_EMPTY:
        return "EMPTY";
    case VT_I1:
        return "I1:" + std::to_string(v.cVal);
    case VT_UI1:
        return "UI1:" + std::to_string(v.bVal);
    case VT_I2:
        return "I2:" + std::to_string(v.iVal);
    case VT_UI2:
        return "UI2:" + std::to_string(v.uiVal);
    case VT_I4:
        return "I4:" + std::to_string(v.lVal);
    case VT_UI4:
        return "UI4:" + std::to_string(v.ulVal);
    case VT_INT:
        return "INT:" + std::to_string(v.intVal);
    case VT_I8:
        return "I8:" + std::to_string(v.llVal);
    case VT_UI8:
        return "UI8:" + std::to_string(v.ullVal);
    case VT_BOOL:
        return "BOOL:" + std::to_string(v.boolVal);
    case VT_R4: {
        char text[32];
        std::snprintf(text, sizeof text, "R4:%.9g", v.fltVal);
        return text;
    }
    case VT_R8:
    case VT_DATE: {
        char text[40];
        std::snprintf(text, sizeof text, "%s:%.17g", v.vt == VT_R8 ? "R8" : "DATE", v.dblVal);
        return text;
    }
    case VT_BSTR: {
        std::string text = "BSTR:";
        for (char16_t c : Text(v.bstrVal)) text += static_cast<char>(c);
        return text;
    }
    default:
        return "vt " + std::to_string(v.vt);
    }
}

TEST_F(VariantTest, ChangeTypeTable) {
    CountingObject object;
    const HRESULT kOk = S_OK;
    struct Case {
        VARIANT source;
        VARTYPE target;
        HRESULT hr;
        std::string expected;  // for S_OK
        USHORT flags = 0;
    } cases[] = {
        // Numbers to text, formatted as in US English.
        {I4(42), VT_BSTR, kOk, "BSTR:42"},
        {I4(-7), VT_BSTR, kOk, "BSTR:-7"},
        {I8(std::numeric_limits<LONGLONG>::min()), VT_BSTR, kOk, "BSTR:-9223372036854775808"},
        {UI8(std::numeric_limits<ULONGLONG>::max()), VT_BSTR, kOk, "BSTR:18446744073709551615"},
        {R8(1.5), VT_BSTR, kOk, "BSTR:1.5"},
        {R8(-0.1), VT_BSTR, kOk, "BSTR:-0.1"},
        {R8(1.0 / 3.0), VT_BSTR, kOk, "BSTR:0.333333333333333"},
        {R8(1e20), VT_BSTR, kOk, "BSTR:1E+20"},
        {R8(123456789012345.0), VT_BSTR, kOk, "BSTR:123456789012345"},
        {R4(1.1f), VT_BSTR, kOk, "BSTR:1.1"},
        {Bool(true), VT_BSTR, kOk, "BSTR:-1"},
        {Bool(false), VT_BSTR, kOk, "BSTR:0"},
        {Bool(true), VT_BSTR, kOk, "BSTR:True", VARIANT_ALPHABOOL},
        {Bool(false), VT_BSTR, kOk, "BSTR:False", VARIANT_ALPHABOOL},
        {Date(0.0), VT_BSTR, kOk, "BSTR:12:00:00 AM"},
        {Date(36526.0), VT_BSTR, kOk, "BSTR:1/1/2000"},
        {Date(36526.75), VT_BSTR, kOk, "BSTR:1/1/2000 6:00:00 PM"},
        {Date(-1.25), VT_BSTR, kOk, "BSTR:12/29/1899 6:00:00 AM"},
        {Empty(), VT_BSTR, kOk, "BSTR:"},
        // Text to numbers and truth values.
        {Str(u"123"), VT_I4, kOk, "I4:123"},
        {Str(u"  -5 "), VT_I4, kOk, "I4:-5"},
        {Str(u"1,000"), VT_I4, kOk, "I4:1000"},
        {Str(u"2.5"), VT_I4, kOk, "I4:2"},
        {Str(u"3.5"), VT_I4, kOk, "I4:4"},
        {Str(u"9223372036854775807"), VT_I8, kOk, "I8:9223372036854775807"},
        {Str(u"1.5E3"), VT_R8, kOk, "R8:1500"},
        {Str(u"-0.25"), VT_R8, kOk, "R8:-0.25"},
        {Str(u"True"), VT_BOOL, kOk, "BOOL:-1"},
        {Str(u"false"), VT_BOOL, kOk, "BOOL:0"},
        {Str(u"0"), VT_BOOL, kOk, "BOOL:0"},
        {Str(u"12/31/1999 11:59:59 PM"), VT_DATE, kOk, "DATE:36525.999988425923"},
        {Str(u"7/4/2021"), VT_DATE, kOk, "DATE:44381"},
        {Str(u"6:00 AM"), VT_DATE, kOk, "DATE:0.25"},
        {Str(u"abc"), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Str(u""), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {Str(u"1.2.3"), VT_R8, DISP_E_TYPEMISMATCH, ""},
        {Str(u"yes"), VT_BOOL, DISP_E_TYPEMISMATCH, ""},
        {Str(u"2/30/2021"), VT_DATE, DISP_E_TYPEMISMATCH, ""},
        {Str(u"99999999999"), VT_I4, DISP_E_OVERFLOW, ""},
        // Integers among themselves.
        {I4(-1), VT_I2, kOk, "I2:-1"},
        {I4(7), VT_I8, kOk, "I8:7"},
        {I4(7), VT_UI8, kOk, "UI8:7"},
        {I8(-3), VT_I4, kOk, "I4:-3"},
        {UI8(4000000000ULL), VT_UI4, kOk, "UI4:4000000000"},
        {I4(300), VT_UI1, DISP_E_OVERFLOW, ""},
        {I4(-1), VT_UI4, DISP_E_OVERFLOW, ""},
        {UI4(0xFFFFFFFFu), VT_I4, DISP_E_OVERFLOW, ""},
        {I8(1LL << 31), VT_I4, DISP_E_OVERFLOW, ""},
        {UI8(std::numeric_limits<ULONGLONG>::max()), VT_I8, DISP_E_OVERFLOW, ""},
        {I8(-1), VT_UI8, DISP_E_OVERFLOW, ""},
        // Reals and dates to integers round halves to even.
        {R8(2.5), VT_I4, kOk, "I4:2"},
        {R8(-2.5), VT_I4, kOk, "I4:-2"},
        {R8(2.51), VT_I4, kOk, "I4:3"},
        {Date(1.5), VT_I4, kOk, "I4:2"},
        {R8(1e10), VT_I4, DISP_E_OVERFLOW, ""},
        {R8(9223372036854775808.0), VT_I8, DISP_E_OVERFLOW, ""},
        {R8(std::nan("")), VT_I4, DISP_E_OVERFLOW, ""},
        {I4(2), VT_DATE, kOk, "DATE:2"},
        {R8(3e6), VT_DATE, DISP_E_OVERFLOW, ""},
        {R8(1e300), VT_R4, DISP_E_OVERFLOW, ""},
        // Truth values: VARIANT_TRUE is -1, all bits set.
        {Bool(true), VT_I4, kOk, "I4:-1"},
        {Bool(true), VT_UI1, kOk, "UI1:255"},
        {Bool(false), VT_I8, kOk, "I8:0"},
        {Bool(true), VT_R8, kOk, "R8:-1"},
        {I4(5), VT_BOOL, kOk, "BOOL:-1"},
        {I4(0), VT_BOOL, kOk, "BOOL:0"},
        {R8(0.5), VT_BOOL, kOk, "BOOL:-1"},
        // Empty is zero; null and objects convert to nothing else.
        {Empty(), VT_I4, kOk, "I4:0"},
        {I4(9), VT_EMPTY, kOk, "EMPTY"},
        {Null(), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {I4(1), VT_NULL, DISP_E_TYPEMISMATCH, ""},
        {Make(VT_UNKNOWN,
              [&](VARIANT& v) {
                  v.punkVal = object.Unknown();
                  object.AddRef();
              }),
         VT_I4, DISP_E_TYPEMISMATCH, ""},
        {I4(1), VT_UNKNOWN, DISP_E_TYPEMISMATCH, ""},
        {I4(1), VT_ARRAY | VT_I4, DISP_E_TYPEMISMATCH, ""},
        {I4(1), VT_ERROR, DISP_E_TYPEMISMATCH, ""},
        // Types that are none.
        {I4(1), 0x0FFF, DISP_E_BADVARTYPE, ""},
        {I4(1), VT_BYREF | VT_I4, DISP_E_BADVARTYPE, ""},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(Describe(c.source) + " -> " + std::to_string(c.target));
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(VariantChangeType(&result, &c.source, c.flags, c.target), c.hr);
        if (c.hr == S_OK) {
            EXPECT_EQ(Describe(result), c.expected);
        } else {
            EXPECT_EQ(result.vt, VT_EMPTY);
        }
        VariantClear(&result);
        VariantClear(&c.source);
    }
    EXPECT_EQ(object.References(), 1u);
}

TEST_F(VariantTest, ChangeTypeInPlaceAndThroughReferences) {
    // In place: the text is given back once the number replaces it.
    VARIANT v = Str(u"77");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
    EXPECT_EQ(Describe(v), "I4:77");
    EXPECT_EQ(NewBstrs(), 0);

    // A failed conversion leaves the destination as it was.
    VARIANT dest = Str(u"kept");
    VARIANT bad = Str(u"not a number");
    EXPECT_EQ(VariantChangeType(&dest, &bad, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Describe(dest), "BSTR:kept");
    VariantClear(&bad);

    // A reference converts the value it points at (a 32-bit value to 64 bits).
    LONG number = -12;
    VARIANT reference;
    reference.vt = VT_BYREF | VT_I4;
    reference.plVal = &number;
    ASSERT_EQ(VariantChangeType(&dest, &reference, 0, VT_I8), S_OK);
    EXPECT_EQ(Describe(dest), "I8:-12");
    EXPECT_EQ(VariantChangeTypeEx(&dest, &reference, 1031, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Describe(dest), "BSTR:-12");
    VariantClear(&dest);
}

}  // namespace
