#include "runtime_test_support.h"

#include "com/task_memory.h"

#include "winapi/text.h"

#include <gtest/gtest.h>

namespace {

using runtime_test::SetClassesRootText;

constexpr CLSID kLoopClass = com::MakeGuid("05BEE133-5F40-4D9B-BA7D-D3A1FAA2444F");

class RuntimeProgIdTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override { ASSERT_EQ(runtime_test::RegisterHandServer(), S_OK); }
};

TEST_F(RuntimeProgIdTest, FindsTheClassOfVersionedAndVersionIndependentProgIds) {
    for (const char16_t* progId : {hand_server::kVersionedProgId, hand_server::kProgId, u"handserver.CALCULATOR"}) {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
        EXPECT_EQ(clsid, hand_server::kCalculatorClsid);
    }
}

TEST_F(RuntimeProgIdTest, FollowsCurVerWhenAProgIdHasNoClassOfItsOwn) {
    SetClassesRootText(u"Chain.Start\\CurVer", nullptr, u"Chain.Middle");
    SetClassesRootText(u"Chain.Middle\\CurVer", nullptr, hand_server::kProgId);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"Chain.Start", &clsid), S_OK);
    EXPECT_EQ(clsid, hand_server::kCalculatorClsid);

    // A CLSID of its own wins over CurVer.
    SetClassesRootText(u"Chain.Middle\\CLSID", nullptr, u"{05BEE133-5F40-4D9B-BA7D-D3A1FAA2444F}");
    EXPECT_EQ(CLSIDFromProgID(u"Chain.Start", &clsid), S_OK);
    EXPECT_EQ(clsid, kLoopClass);
}

TEST_F(RuntimeProgIdTest, RefusesUnknownProgIdsBadClassTextsAndCurVerLoops) {
    SetClassesRootText(u"Loop.A\\CurVer", nullptr, u"Loop.B");
    SetClassesRootText(u"Loop.B\\CurVer", nullptr, u"Loop.A");
    SetClassesRootText(u"Bad.Text\\CLSID", nullptr, u"05BEE133-5F40-4D9B-BA7D-D3A1FAA2444F");  // no braces
    SetClassesRootText(u"Bad.Empty\\CLSID", nullptr, u"");
    for (const char16_t* progId : {u"No.Such.Class", u"Loop.A", u"Bad.Text", u"Bad.Empty", u""}) {
        CLSID clsid = hand_server::kCalculatorClsid;
        EXPECT_EQ(CLSIDFromProgID(progId, &clsid), CO_E_CLASSSTRING) << winapi::ToUtf8(progId);
        EXPECT_EQ(clsid, GUID_NULL);
    }
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
    EXPECT_EQ(CLSIDFromProgID(hand_server::kProgId, nullptr), E_INVALIDARG);
}

TEST_F(RuntimeProgIdTest, GivesTheProgIdOfAClassInTaskMemory) {
    long long before = com::testing::LiveTaskAllocations();
    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(hand_server::kCalculatorClsid, &progId), S_OK);
    EXPECT_EQ(std::u16string(progId), hand_server::kVersionedProgId);
    EXPECT_EQ(com::testing::LiveTaskAllocations(), before + 1);
    CoTaskMemFree(progId);
    EXPECT_EQ(com::testing::LiveTaskAllocations(), before);

    // Texts longer than a path, plain or expandable, come back whole.
    const std::u16string loopKey = u"CLSID\\{05BEE133-5F40-4D9B-BA7D-D3A1FAA2444F}\\ProgID";
    const std::u16string longName = u"Long." + std::u16string(400, u'x') + u".1";
    for (DWORD type : {DWORD{REG_SZ}, DWORD{REG_EXPAND_SZ}}) {
        SetClassesRootText(loopKey, nullptr, longName, type);
        ASSERT_EQ(ProgIDFromCLSID(kLoopClass, &progId), S_OK) << type;
        EXPECT_EQ(std::u16string(progId), longName) << type;
        CoTaskMemFree(progId);
    }
    // A long value that is not a text names no ProgID.
    testsupport::WriteValue(HKEY_CLASSES_ROOT, loopKey, nullptr, REG_BINARY, testsupport::RegistryBytes(1000, 0x41));
    EXPECT_EQ(ProgIDFromCLSID(kLoopClass, &progId), REGDB_E_CLASSNOTREG);
    ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"CLSID\\{05BEE133-5F40-4D9B-BA7D-D3A1FAA2444F}"), ERROR_SUCCESS);

    progId = reinterpret_cast<LPOLESTR>(0x1);
    EXPECT_EQ(ProgIDFromCLSID(kLoopClass, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(progId, nullptr);
    EXPECT_EQ(ProgIDFromCLSID(hand_server::kCalculatorClsid, nullptr), E_INVALIDARG);
}

}  // namespace
