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

    progId = reinterpret_cast<LPOLESTR>(0x1);
    EXPECT_EQ(ProgIDFromCLSID(kLoopClass, &progId), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(progId, nullptr);
    EXPECT_EQ(ProgIDFromCLSID(hand_server::kCalculatorClsid, nullptr), E_INVALIDARG);
}

}  // namespace
